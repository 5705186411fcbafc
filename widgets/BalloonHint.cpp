#include "widgets/BalloonHint.h"

#include "widgets/BalloonHintWindow.h"

#include <QApplication>
#include <QScreen>
#include <QToolTip>

namespace {

constexpr int ShowTimeMs = 10000;

} // namespace

TBalloonHint::TBalloonHint(QWidget* window)
    : QObject(window)
    , FWindow(window)
    , FBalloon(new TBalloonHintWindow(window))
{
    FHideTimer.setSingleShot(true);
    FHideTimer.setInterval(ShowTimeMs);
    connect(&FHideTimer, &QTimer::timeout, this, &TBalloonHint::hideBalloon);
    // Tool-tip events go to the widget under the mouse, whichever it is; watching the
    // application also covers widgets that the window gains later.
    qApp->installEventFilter(this);
}

QWidget* TBalloonHint::target() const
{
    return FBalloon->isVisible() ? FTarget.data() : nullptr;
}

void TBalloonHint::showFor(QWidget* widget)
{
    if (!widget || widget->toolTip().isEmpty()) {
        hideBalloon();
        return;
    }
    QToolTip::hideText();
    FTarget = widget;
    FBalloon->setText(widget->toolTip());
    const QRect target(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    const QScreen* screen = widget->screen();
    FBalloon->pointAt(target, screen ? screen->availableGeometry() : target.adjusted(-1000, -1000, 1000, 1000));
    FBalloon->show();
    FBalloon->raise();
    FHideTimer.start();
}

void TBalloonHint::hideBalloon()
{
    FHideTimer.stop();
    FTarget.clear();
    FBalloon->hide();
}

bool TBalloonHint::belongsToWindow(QObject* object) const
{
    const auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget != FBalloon && widget->window() == FWindow;
}

bool TBalloonHint::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        if (!belongsToWindow(watched))
            break;
        // Like a tool tip: the nearest widget, up to the window, that has a text shows it.
        for (auto* widget = static_cast<QWidget*>(watched); widget; widget = widget->parentWidget()) {
            if (!widget->toolTip().isEmpty()) {
                if (widget != target())
                    showFor(widget);
                return true;
            }
            if (widget->isWindow())
                break;
        }
        hideBalloon();
        break;
    case QEvent::Leave:
    case QEvent::Hide:
        if (watched == FTarget || watched == FWindow)
            hideBalloon();
        break;
    case QEvent::WindowDeactivate:
        if (watched == FWindow)
            hideBalloon();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
        if (FBalloon->isVisible())
            hideBalloon();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
