#include "webcopy/ProgressLine.h"

#include <QPainter>

namespace {
constexpr int RepaintIntervalMs = 16;
}

TWcProgressLine::TWcProgressLine(const QString& text, QWidget* parent)
    : QWidget(parent)
    , FText(text)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    FRepaintTimer.setSingleShot(true);
    FRepaintTimer.setTimerType(Qt::CoarseTimer);
    connect(&FRepaintTimer, &QTimer::timeout, this, &TWcProgressLine::Repaint);
}

void TWcProgressLine::setText(const QString& text)
{
    FText = text;
    if (FRepaintTimer.isActive())
        return;
    if (!FLastRepaint.isValid() || FLastRepaint.elapsed() >= RepaintIntervalMs)
        Repaint();
    else
        FRepaintTimer.start(RepaintIntervalMs - static_cast<int>(FLastRepaint.elapsed()));
}

void TWcProgressLine::Repaint()
{
    FLastRepaint.start();
    update();
}

void TWcProgressLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, FText);
}
