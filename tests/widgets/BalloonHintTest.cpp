#include "widgets/BalloonHint.h"
#include "widgets/BalloonHintWindow.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

void SendToolTipEvent(QWidget* widget)
{
    const QPoint local = widget->rect().center();
    QHelpEvent event(QEvent::ToolTip, local, widget->mapToGlobal(local));
    QApplication::sendEvent(widget, &event);
}

} // namespace

TEST(BalloonHint, ReplacesToolTipsOfItsWindow)
{
    QWidget window;
    window.setGeometry(100, 100, 400, 300);
    auto* back = new QPushButton(&window);
    back->setGeometry(6, 250, 23, 23);
    back->setToolTip(QStringLiteral("Back"));
    auto* panel = new QWidget(&window);
    panel->setGeometry(100, 20, 200, 100);
    panel->setToolTip(QStringLiteral("Explains the two parts"));
    auto* inner = new QWidget(panel); // no tool tip of its own
    inner->setGeometry(10, 10, 50, 50);
    auto* hint = new TBalloonHint(&window);
    window.show();

    SendToolTipEvent(back);
    EXPECT_TRUE(hint->balloon()->isVisible());
    EXPECT_EQ(hint->balloon()->text(), QStringLiteral("Back"));
    EXPECT_EQ(hint->target(), back);
    EXPECT_FALSE(QToolTip::isVisible());
    // The pointer touches the widget.
    const QPoint tip = hint->balloon()->mapToGlobal(hint->balloon()->tip());
    const QRect target(back->mapToGlobal(QPoint(0, 0)), back->size());
    EXPECT_GE(tip.x(), target.left());
    EXPECT_LE(tip.x(), target.right());
    EXPECT_TRUE(tip.y() == target.bottom() + 1 || tip.y() == target.top() - 1) << tip.y();

    // A click anywhere puts it away.
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_FALSE(hint->balloon()->isVisible());
    EXPECT_EQ(hint->target(), nullptr);

    // A widget without a tool tip shows that of the nearest parent that has one.
    SendToolTipEvent(inner);
    EXPECT_EQ(hint->target(), panel);
    EXPECT_EQ(hint->balloon()->text(), QStringLiteral("Explains the two parts"));
}

TEST(BalloonHint, StaysOnTheScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget window;
    window.setGeometry(screen.right() - 300, screen.bottom() - 200, 300, 200);
    auto* corner = new QWidget(&window);
    corner->setGeometry(270, 170, 26, 26); // bottom-right corner of the screen
    corner->setToolTip(QStringLiteral("About"));
    TBalloonHint hint(&window);
    window.show();

    hint.showFor(corner);
    const QRect balloon = hint.balloon()->geometry();
    EXPECT_TRUE(screen.contains(balloon)) << balloon.x() << "," << balloon.y();
    EXPECT_FALSE(hint.balloon()->pointsUp()) << "no room below: the balloon sits above";
    const QPoint tip = hint.balloon()->mapToGlobal(hint.balloon()->tip());
    const QRect target(corner->mapToGlobal(QPoint(0, 0)), corner->size());
    EXPECT_EQ(tip.y(), target.top() - 1);
    EXPECT_GE(tip.x(), target.left());
    EXPECT_LE(tip.x(), target.right());
}
