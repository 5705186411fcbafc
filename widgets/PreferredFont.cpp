#include "widgets/PreferredFont.h"

#include <QFontDatabase>
#include <QHash>
#include <QStringList>

namespace {

// Open families whose widths come close to the windows' own fonts, so texts laid out for
// those fonts still fit their boxes where the originals are not installed.
QString CloseSubstitute(const QString& family)
{
    static const QHash<QString, QStringList> substitutes = {
        {QStringLiteral("Segoe UI"), {QStringLiteral("Selawik"), QStringLiteral("Lato"), QStringLiteral("Open Sans")}},
        {QStringLiteral("Segoe UI Semibold"), {QStringLiteral("Selawik Semibold"), QStringLiteral("Lato Semibold"), QStringLiteral("Open Sans Semibold")}},
        {QStringLiteral("Tahoma"), {QStringLiteral("DejaVu Sans")}},
        {QStringLiteral("MS Sans Serif"), {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
    };
    for (const QString& candidate : substitutes.value(family))
        if (QFontDatabase::hasFamily(candidate))
            return candidate;
    return {};
}

} // namespace

QFont PreferredFont(const QString& family, int pixelSize, QFont::Weight weight)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QString chosen = QFontDatabase::hasFamily(family) ? family : CloseSubstitute(family);
    if (!chosen.isEmpty())
        font.setFamilies(QStringList{chosen});
    else
        font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}
