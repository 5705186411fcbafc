#pragma once

#include "widgets/AccessibleWidgets.h"

// A widget that is one link (an icon link, a URL label): read as a link with its caption, and
// followed by its "jump" action as a screen reader does it, besides taking the focus.
class TAccessibleLink : public TAccessibleText {
public:
    TAccessibleLink(QWidget* widget, std::function<QString()> text, std::function<void()> follow);

    QAccessible::State state() const override;
    QStringList actionNames() const override;
    QString localizedActionDescription(const QString& name) const override;
    void doAction(const QString& name) override;

    // The action that follows a link.
    static QString JumpAction();

private:
    std::function<void()> FFollow;
};
