#pragma once

#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QPointer>

class THtmlLabel;

// One link inside a mini-HTML label, as a screen reader sees it: a child of the label that is a
// link with its words, its place on the screen and a "jump" action that follows it.
class TAccessibleAnchor : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TAccessibleAnchor(THtmlLabel* label, const QString& href);

    QString href() const { return FHref; }

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text kind, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    QString localizedActionDescription(const QString& name) const override;
    void doAction(const QString& name) override;
    QStringList keyBindingsForAction(const QString& name) const override;

private:
    QPointer<THtmlLabel> FLabel;
    QString FHref;
};
