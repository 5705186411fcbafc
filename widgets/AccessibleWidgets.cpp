#include "widgets/AccessibleWidgets.h"

#include "widgets/AccessibleHtmlLabel.h"
#include "widgets/AccessibleLink.h"
#include "widgets/HtmlLabel.h"
#include "widgets/IconLinkLabel.h"
#include "widgets/UrlLabel.h"

#include <mutex>

namespace {

QAccessibleInterface* AccessibleWidgetFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("THtmlLabel"))
        return new TAccessibleHtmlLabel(static_cast<THtmlLabel*>(object));
    if (className == QLatin1String("TIconLinkLabel")) {
        auto* link = static_cast<TIconLinkLabel*>(object);
        return new TAccessibleLink(link, [link] { return link->caption(); }, [link] { link->click(); });
    }
    if (className == QLatin1String("TUrlLabel")) {
        auto* link = static_cast<TUrlLabel*>(object);
        return new TAccessibleLink(link, [link] { return link->text(); }, [link] { link->open(); });
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
