// The wizard worked with the keyboard alone, and read by assistive technology.
#include "tests/support/TestEnvironment.h"
#include "tests/support/WaitFor.h"
#include "widgets/HtmlLabel.h"
#include "widgets/PageContainer.h"
#include "webcopy/WebCopy.h"
#include "wizard/FrmAbout.h"
#include "wizard/FrmMain.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
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

TEST(Keyboard, EachPageStartsOnItsDefaultButtonSoEnterAloneWalksTheRoad)
{
    TfrmMain window;
    window.show();
    QApplication::setActiveWindow(&window);
    for (const auto& [page, button] : {std::pair {"tabWelcome", "btnStart"}, {"tabSelection", "btnInstallServer"},
                                       {"tabInstallServer", "btnDownloadServer"}}) {
        SCOPED_TRACE(page);
        ASSERT_EQ(window.Pages()->activePage(), Page(window, page));
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromLatin1(button));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    EXPECT_TRUE(window.Downloader()->Running()) << "Download";
    // Closing the window ends the download without a word.
    window.close();
    ASSERT_TRUE(testsupport::waitFor([&] { return !window.Downloader()->Running(); }, 10000));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(Keyboard, EnterPressesTheFocusedButtonOrLinkRatherThanTheDefault)
{
    testsupport::TBrowserRecorder browser;
    TfrmMain window;
    window.show();
    QApplication::setActiveWindow(&window);
    window.Pages()->setActivePage(Page(window, "tabSelection"));
    auto* workstation = window.findChild<QWidget*>(QStringLiteral("btnInstallWorkstation"));
    workstation->setFocus(Qt::TabFocusReason);
    QTest::keyClick(workstation, Qt::Key_Enter);
    EXPECT_EQ(window.Pages()->activePage(), Page(window, "tabInstallWorkstation"));

    auto* footer = window.findChild<THtmlLabel*>(QStringLiteral("htm1"));
    EXPECT_TRUE(footer->focusPolicy() & Qt::TabFocus) << "the footer link is a tab stop";
    footer->setFocus(Qt::TabFocusReason);
    QTest::keyClick(footer, Qt::Key_Return);
    ASSERT_TRUE(browser.waitForCount(1));
    EXPECT_EQ(window.Pages()->activePage(), Page(window, "tabInstallWorkstation")) << "not Download";
}

TEST(Keyboard, TabGoesBetweenTheAboutBoxLinksAndEscapeGivesTheFocusBack)
{
    TfrmMain window;
    window.show();
    QApplication::setActiveWindow(&window);
    auto* about = window.findChild<QAbstractButton*>(QStringLiteral("btnAbout"));
    about->setFocus(Qt::TabFocusReason);
    QStringList visited;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box)
            return;
        QApplication::setActiveWindow(box);
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box, Qt::Key_Tab);
            visited << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString());
        }
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QTest::keyClick(about, Qt::Key_Space);
    visited.sort();
    EXPECT_EQ(visited, (QStringList {QStringLiteral("lnkSales"), QStringLiteral("lnkSupport"), QStringLiteral("lnkWebsite")}));
    QApplication::setActiveWindow(&window);
    EXPECT_EQ(QApplication::focusWidget(), about) << "the focus is back where it was";
}

TEST(Accessibility, EveryLinkIsALinkThatItsActionFollows)
{
    testsupport::TBrowserRecorder browser;
    TfrmMain window;
    window.show();
    window.Pages()->setActivePage(Page(window, "tabServerInstalled"));
    QList<QAccessibleInterface*> links;
    for (const char* name : {"lnkGettingStarted1", "lnkSupportRequest", "lnkSupport"})
        links << QAccessible::queryAccessibleInterface(window.findChild<QWidget*>(QString::fromLatin1(name)));
    QAccessibleInterface* footer = QAccessible::queryAccessibleInterface(window.findChild<QWidget*>(QStringLiteral("htm1")));
    ASSERT_EQ(footer->childCount(), 1) << "the footer's link is its child";
    links << footer->child(0);
    for (QAccessibleInterface* link : links) {
        ASSERT_NE(link, nullptr);
        SCOPED_TRACE(link->text(QAccessible::Name).toStdString());
        EXPECT_EQ(link->role(), QAccessible::Link);
        EXPECT_FALSE(link->text(QAccessible::Name).isEmpty());
        ASSERT_NE(link->actionInterface(), nullptr);
        ASSERT_TRUE(link->actionInterface()->actionNames().contains(QStringLiteral("jump")));
        link->actionInterface()->doAction(QStringLiteral("jump"));
    }
    EXPECT_TRUE(browser.waitForCount(int(links.size())));
    EXPECT_EQ(footer->child(0)->text(QAccessible::Name), QStringLiteral("Orvanta Software"));

    TfrmAbout box;
    box.show();
    for (const char* name : {"lnkWebsite", "lnkSales", "lnkSupport"}) {
        QAccessibleInterface* link = QAccessible::queryAccessibleInterface(box.findChild<QWidget*>(QString::fromLatin1(name)));
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->role(), QAccessible::Link) << name;
        ASSERT_NE(link->actionInterface(), nullptr);
        EXPECT_TRUE(link->actionInterface()->actionNames().contains(QStringLiteral("jump"))) << name;
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(box.findChild<QWidget*>(QStringLiteral("htm1")))->childCount(), 0)
        << "the About box's footer link leads nowhere";
}
