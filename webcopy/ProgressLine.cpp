#include "webcopy/ProgressLine.h"

#include "widgets/AccessibleWidgets.h"

#include <QAccessible>
#include <QPainter>

#include <mutex>

namespace {

constexpr int RepaintIntervalMs = 16;
constexpr int AnnounceIntervalMs = 3000;

QAccessibleInterface* ProgressLineFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("TWcProgressLine"))
        return nullptr;
    auto* line = static_cast<TWcProgressLine*>(object);
    return new TAccessibleText(line, QAccessible::StaticText, [line] { return line->text(); });
}

} // namespace

TWcProgressLine::TWcProgressLine(const QString& text, QWidget* parent)
    : QWidget(parent)
    , FText(text)
{
    static std::once_flag accessible;
    std::call_once(accessible, [] { QAccessible::installFactory(ProgressLineFactory); });
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
    Announce();
}

void TWcProgressLine::Announce()
{
    if (!QAccessible::isActive() || (FLastAnnounce.isValid() && FLastAnnounce.elapsed() < AnnounceIntervalMs))
        return;
    FLastAnnounce.start();
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void TWcProgressLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}
