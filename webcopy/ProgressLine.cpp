#include "webcopy/ProgressLine.h"

#include <QPainter>

namespace {
constexpr int RepaintIntervalMs = 16;
}

TWcProgressLine::TWcProgressLine(const QString& text, QWidget* parent)
    : QWidget(parent)
    , FText(text)
{
    FRepaintTimer.setSingleShot(true);
    FRepaintTimer.setTimerType(Qt::CoarseTimer);
    connect(&FRepaintTimer, &QTimer::timeout, this, &TWcProgressLine::Repaint);
}

const QString& TWcProgressLine::text() const
{
    if (FStale && TextSource) {
        FText = TextSource();
        FStale = false;
    }
    return FText;
}

void TWcProgressLine::setText(const QString& text)
{
    FText = text;
    FStale = false;
    ScheduleRepaint();
}

void TWcProgressLine::Invalidate()
{
    FStale = true;
    ScheduleRepaint();
}

void TWcProgressLine::ScheduleRepaint()
{
    if (FRepaintTimer.isActive() || !isVisible())
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
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}
