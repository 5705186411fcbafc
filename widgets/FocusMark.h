#pragma once

#include <QColor>
#include <QRect>

class QPainter;
class QWidget;

// The visible mark of the keyboard focus on the custom widgets: a dotted rectangle just inside
// the widget's edge, in the given colour, while the widget has the focus. The widgets take the
// focus from Tab only (Qt::TabFocus), so a mouse click leaves no mark behind.
void DrawFocusMark(QPainter& painter, const QWidget& widget, const QRect& rect, const QColor& color);

// True for the keys that activate a focused button or link: Space, Return and Enter.
bool IsActivationKey(int key);
