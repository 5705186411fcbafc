#include "widgets/FocusMark.h"

#include <QPainter>
#include <QPen>
#include <QWidget>

void DrawFocusMark(QPainter& painter, const QWidget& widget, const QRect& rect, const QColor& color)
{
    if (!widget.hasFocus())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(color, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(2, 2, -3, -3));
    painter.restore();
}

bool IsActivationKey(int key)
{
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}
