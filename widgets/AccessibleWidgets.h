#pragma once

#include <QAccessibleWidget>

#include <functional>

// How the custom widgets present themselves to assistive technology (screen readers): a
// mini-HTML label as static text with its plain text and its links as children, a link label
// and a URL label as a link with its caption that can be followed. Installed once, by the first
// such widget made.
void InstallAccessibleWidgets();

// A widget read as one text, whatever it paints: the text comes from the widget when asked,
// so it is always the current one.
class TAccessibleText : public QAccessibleWidget {
public:
    TAccessibleText(QWidget* widget, QAccessible::Role role, std::function<QString()> text);
    QString text(QAccessible::Text kind) const override;

private:
    std::function<QString()> FText;
};
