// The wizard worked with the keyboard alone, and read by assistive technology.
#include "widgets/PageContainer.h"
#include "webcopy/WebCopy.h"
#include "wizard/FrmMain.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

QWidget* Page(TfrmMain& window, const char* name)
{
    return window.findChild<QWidget*>(QString::fromLatin1(name));
}

// The widgets that take the focus from Tab on the visible part of the window, in reading order:
// top to bottom, then left to right (a row is what shares most of its height).
QStringList ReadingOrder(TfrmMain& window)
{
    QList<QWidget*> stops;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->isVisibleTo(&window) && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus))
            stops << widget;
    }
    std::sort(stops.begin(), stops.end(), [&](QWidget* a, QWidget* b) {
        const QRect ra(a->mapTo(&window, QPoint()), a->size());
        const QRect rb(b->mapTo(&window, QPoint()), b->size());
        if (std::abs(ra.center().y() - rb.center().y()) > std::min(ra.height(), rb.height()) / 2)
            return ra.center().y() < rb.center().y();
        return ra.left() < rb.left();
    });
    QStringList names;
    for (QWidget* widget : stops)
        names << widget->objectName();
    return names;
}

// Where Tab takes the focus, once round.
QStringList TabSequence(TfrmMain& window, int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, Qt::Key_Tab);
        names << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString());
    }
    return names;
}

} // namespace

TEST(Keyboard, TabReachesEveryButtonAndLinkInReadingOrder)
{
    for (const char* pageName : {"tabWelcome", "tabSelection", "tabInstallServer", "tabInstallWorkstation",
                                 "tabServerInstalled", "tabWorkstationInstalled"}) {
        SCOPED_TRACE(pageName);
        TfrmMain window;
        window.show();
        QApplication::setActiveWindow(&window);
        window.Pages()->setActivePage(Page(window, pageName));
        const QStringList expected = ReadingOrder(window);
        ASSERT_GE(expected.size(), 2);
        QStringList seen = TabSequence(window, int(expected.size()));
        // The round may start anywhere; it must go on in reading order.
        const qsizetype start = seen.indexOf(expected.first());
        ASSERT_GE(start, 0) << seen.join(u' ').toStdString();
        std::rotate(seen.begin(), seen.begin() + start, seen.end());
        EXPECT_EQ(seen, expected);
    }
}

TEST(Keyboard, EnterPressesThePagesDefaultButton)
{
    TfrmMain window;
    window.show();
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_EQ(window.Pages()->activePage(), Page(window, "tabSelection")) << "Start";
    QTest::keyClick(&window, Qt::Key_Enter);
    EXPECT_EQ(window.Pages()->activePage(), Page(window, "tabInstallServer")) << "Install Server";
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_TRUE(window.Downloader()->Running()) << "Download";
    window.Downloader()->CancelCopy();
}

TEST(Keyboard, EscapeClosesTheAboutBox)
{
    TfrmMain window;
    window.show();
    bool closedByEscape = false;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            QTest::keyClick(box, Qt::Key_Escape);
            closedByEscape = !box->isVisible();
        }
    });
    auto* about = window.findChild<QAbstractButton*>(QStringLiteral("btnAbout"));
    ASSERT_NE(about, nullptr);
    about->setFocus(Qt::TabFocusReason);
    QTest::keyClick(about, Qt::Key_Space);
    EXPECT_TRUE(closedByEscape);
}

TEST(Accessibility, CustomWidgetsSayWhatTheyAre)
{
    TfrmMain window;
    window.show();
    const auto interfaceOf = [&](const char* name) {
        QWidget* widget = window.findChild<QWidget*>(QString::fromLatin1(name));
        return widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    };

    QAccessibleInterface* intro = interfaceOf("htmIntro");
    ASSERT_NE(intro, nullptr);
    EXPECT_EQ(intro->role(), QAccessible::StaticText);
    EXPECT_FALSE(intro->text(QAccessible::Name).isEmpty());
    EXPECT_FALSE(intro->text(QAccessible::Name).contains(QLatin1Char('<'))) << "plain text, no markup";

    window.Pages()->setActivePage(Page(window, "tabServerInstalled"));
    QAccessibleInterface* link = interfaceOf("lnkSupport");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->role(), QAccessible::Link);
    EXPECT_FALSE(link->text(QAccessible::Name).isEmpty());

    QAccessibleInterface* about = interfaceOf("btnAbout");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(QAccessible::Name), window.findChild<QWidget*>(QStringLiteral("btnAbout"))->toolTip());
    EXPECT_FALSE(about->text(QAccessible::Name).isEmpty());
}
