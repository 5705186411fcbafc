#include "widgets/AccessibleAnchor.h"

#include "widgets/AccessibleLink.h"
#include "widgets/HtmlLabel.h"

TAccessibleAnchor::TAccessibleAnchor(THtmlLabel* label, const QString& href)
    : FLabel(label)
    , FHref(href)
{
}

bool TAccessibleAnchor::isValid() const
{
    return FLabel && FLabel->anchors().contains(FHref);
}

// Not an object of its own: the label is the object, and this is a part of it.
QObject* TAccessibleAnchor::object() const
{
    return nullptr;
}

QWindow* TAccessibleAnchor::window() const
{
    return FLabel ? FLabel->window()->windowHandle() : nullptr;
}

QAccessibleInterface* TAccessibleAnchor::parent() const
{
    return FLabel ? QAccessible::queryAccessibleInterface(FLabel.data()) : nullptr;
}

QAccessibleInterface* TAccessibleAnchor::child(int) const
{
    return nullptr;
}

int TAccessibleAnchor::childCount() const
{
    return 0;
}

int TAccessibleAnchor::indexOfChild(const QAccessibleInterface*) const
{
    return -1;
}

QAccessibleInterface* TAccessibleAnchor::childAt(int, int) const
{
    return nullptr;
}

QAccessibleInterface* TAccessibleAnchor::focusChild() const
{
    return nullptr;
}

QString TAccessibleAnchor::text(QAccessible::Text kind) const
{
    if (!FLabel)
        return {};
    if (kind == QAccessible::Name)
        return FLabel->anchorText(FHref);
    return {};
}

void TAccessibleAnchor::setText(QAccessible::Text, const QString&)
{
}

QRect TAccessibleAnchor::rect() const
{
    if (!FLabel)
        return {};
    QRect united;
    for (const QRect& part : FLabel->anchorRects(FHref))
        united |= part;
    return united.translated(FLabel->mapToGlobal(QPoint()));
}

QAccessible::Role TAccessibleAnchor::role() const
{
    return QAccessible::Link;
}

QAccessible::State TAccessibleAnchor::state() const
{
    QAccessible::State anchorState;
    if (!FLabel)
        return anchorState;
    anchorState.linked = true;
    anchorState.focusable = true;
    anchorState.focused = FLabel->hasFocus() && FLabel->focusedAnchor() == FHref;
    anchorState.invisible = !FLabel->isVisible();
    anchorState.disabled = !FLabel->isEnabled();
    return anchorState;
}

void* TAccessibleAnchor::interface_cast(QAccessible::InterfaceType type)
{
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
}

QStringList TAccessibleAnchor::actionNames() const
{
    return {TAccessibleLink::JumpAction()};
}

QString TAccessibleAnchor::localizedActionDescription(const QString& name) const
{
    return name == TAccessibleLink::JumpAction() ? QStringLiteral("Follows the link") : QString();
}

void TAccessibleAnchor::doAction(const QString& name)
{
    if (FLabel && FLabel->isEnabled() && name == TAccessibleLink::JumpAction())
        FLabel->activateAnchor(FHref);
}

QStringList TAccessibleAnchor::keyBindingsForAction(const QString&) const
{
    return {};
}
