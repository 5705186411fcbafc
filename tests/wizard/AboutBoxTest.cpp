// The About box: a fresh modal box for every click, its links, and its inert footer link.
#include "tests/support/TestEnvironment.h"
#include "tests/support/WaitFor.h"
#include "widgets/HtmlLabel.h"
#include "widgets/UrlLabel.h"
#include "wizard/FrmAbout.h"
#include "wizard/FrmMain.h"
#include "wizard/SiteAddresses.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Clicks About and runs `inBox` against the modal box once it is showing, then closes it the
// way a user does (its close box). Returns the box's address while it lived.
QPointer<QDialog> ShowAboutAndThen(TfrmMain& window, const std::function<void(QDialog&)>& inBox)
{
    QPointer<QDialog> seen;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(testsupport::waitFor([] { return QApplication::activeModalWidget() != nullptr; }));
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = box;
        inBox(*box);
        box->close();
    });
    auto* about = window.findChild<QWidget*>(QStringLiteral("btnAbout"));
    QTest::mouseClick(about, Qt::LeftButton, {}, about->rect().center());
    return seen;
}

} // namespace

TEST(AboutBox, EachClickShowsAFreshBoxWithUnvisitedLinks)
{
    testsupport::TBrowserRecorder browser;
    TfrmMain window;
    window.show();

    bool firstVisited = false;
    QPointer<QDialog> first = ShowAboutAndThen(window, [&](QDialog& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("About Orvanta 5 Trial Setup"));
        EXPECT_EQ(box.size(), QSize(645, 419));
        EXPECT_TRUE(box.isModal());
        auto* website = box.findChild<TUrlLabel*>(QStringLiteral("lnkWebsite"));
        ASSERT_NE(website, nullptr);
        QTest::mouseClick(website, Qt::LeftButton, {}, website->rect().center());
        firstVisited = website->isVisited();
    });
    EXPECT_TRUE(firstVisited);
    // Destroyed once closed.
    EXPECT_TRUE(first.isNull());
    ASSERT_TRUE(browser.waitForCount(1));
    EXPECT_EQ(browser.addresses(), QStringList {QString::fromUtf8(SiteBaseAddress)});

    bool secondVisited = true;
    ShowAboutAndThen(window, [&](QDialog& box) {
        secondVisited = box.findChild<TUrlLabel*>(QStringLiteral("lnkWebsite"))->isVisited();
    });
    EXPECT_FALSE(secondVisited);
}

TEST(AboutBox, FooterLinkDoesNothingWhileTheMailLinkOpens)
{
    testsupport::TBrowserRecorder browser;
    TfrmAbout box;
    box.show();
    auto* footer = box.findChild<THtmlLabel*>(QStringLiteral("htm1"));
    ASSERT_NE(footer, nullptr);
    const QList<QRect> rects = footer->anchorRects(QStringLiteral("website"));
    ASSERT_FALSE(rects.isEmpty());
    QTest::mouseClick(footer, Qt::LeftButton, {}, rects.first().center());

    auto* sales = box.findChild<TUrlLabel*>(QStringLiteral("lnkSales"));
    ASSERT_NE(sales, nullptr);
    QTest::mouseClick(sales, Qt::LeftButton, {}, sales->rect().center());

    // The footer was clicked first; had it opened anything, it would be recorded too.
    ASSERT_TRUE(browser.waitForCount(1));
    EXPECT_FALSE(browser.waitForCount(2, 1000));
    ASSERT_EQ(browser.addresses().size(), 1);
    EXPECT_TRUE(browser.addresses().first().startsWith(QStringLiteral("mailto:")));
}
