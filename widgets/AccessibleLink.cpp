#include "widgets/AccessibleLink.h"

#include <QWidget>

TAccessibleLink::TAccessibleLink(QWidget* widget, std::function<QString()> text, std::function<void()> follow)
    : TAccessibleText(widget, QAccessible::Link, std::move(text))
    , FFollow(std::move(follow))
{
}

QString TAccessibleLink::JumpAction()
{
    return QStringLiteral("jump");
}

QAccessible::State TAccessibleLink::state() const
{
    QAccessible::State linkState = TAccessibleText::state();
    linkState.linked = true;
    return linkState;
}

QStringList TAccessibleLink::actionNames() const
{
    // The link's own action first: it is the one a screen reader runs by default.
    return QStringList {JumpAction()} + TAccessibleText::actionNames();
}

QString TAccessibleLink::localizedActionDescription(const QString& name) const
{
    if (name == JumpAction())
        return QStringLiteral("Follows the link");
    return TAccessibleText::localizedActionDescription(name);
}

void TAccessibleLink::doAction(const QString& name)
{
    if (name == JumpAction()) {
        if (widget()->isEnabled())
            FFollow();
        return;
    }
    TAccessibleText::doAction(name);
}
