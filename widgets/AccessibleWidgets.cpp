#include "widgets/AccessibleWidgets.h"

#include "widgets/HtmlLabel.h"
#include "widgets/IconLinkLabel.h"

#include <mutex>

namespace {

QAccessibleInterface* AccessibleWidgetFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("THtmlLabel")) {
        auto* label = static_cast<THtmlLabel*>(object);
        return new TAccessibleText(label, QAccessible::StaticText, [label] { return label->plainText(); });
    }
    if (className == QLatin1String("TIconLinkLabel")) {
        auto* link = static_cast<TIconLinkLabel*>(object);
        return new TAccessibleText(link, QAccessible::Link, [link] { return link->caption(); });
    }
    return nullptr;
}

} // namespace

void InstallAccessibleWidgets()
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(AccessibleWidgetFactory); });
}

TAccessibleText::TAccessibleText(QWidget* widget, QAccessible::Role role, std::function<QString()> text)
    : QAccessibleWidget(widget, role)
    , FText(std::move(text))
{
}

QString TAccessibleText::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
        return FText();
    return QAccessibleWidget::text(kind);
}
