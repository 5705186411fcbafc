// Every link of the main window opens its exact address through the desktop's opener.
#include "tests/support/TestEnvironment.h"
#include "widgets/HtmlLabel.h"
#include "widgets/PageContainer.h"
#include "wizard/FrmMain.h"
#include "wizard/SiteAddresses.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

QString Site(const char* path = "")
{
    return QString::fromUtf8(SiteBaseAddress) + QString::fromLatin1(path);
}

struct LinkCase {
    const char* page;
    const char* link;
    const char* path;
};

void PrintTo(const LinkCase& c, std::ostream* os)
{
    *os << c.link;
}

class InstalledPageLink : public ::testing::TestWithParam<LinkCase> {};

} // namespace

TEST_P(InstalledPageLink, OpensItsAddressAndStaysOnThePage)
{
    const LinkCase& link = GetParam();
    testsupport::TBrowserRecorder browser;
    TfrmMain window;
    window.show();
    auto* page = window.findChild<QWidget*>(QString::fromLatin1(link.page));
    window.Pages()->setActivePage(page);
    auto* label = window.findChild<QWidget*>(QString::fromLatin1(link.link));
    ASSERT_NE(label, nullptr);

    QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());

    ASSERT_TRUE(browser.waitForCount(1));
    EXPECT_EQ(browser.addresses(), QStringList {Site(link.path)});
    EXPECT_EQ(window.Pages()->activePage(), page);
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, InstalledPageLink,
    ::testing::Values(LinkCase {"tabServerInstalled", "lnkGettingStarted1", "/getting-started.htm"},
                      LinkCase {"tabServerInstalled", "lnkSupportRequest", "/newsupportrequest"},
                      LinkCase {"tabServerInstalled", "lnkSupport", "/support.htm"},
                      LinkCase {"tabWorkstationInstalled", "lnkGettingStarted2", "/getting-started.htm"},
                      LinkCase {"tabWorkstationInstalled", "lnkSupportRequest2", "/newsupportrequest"},
                      LinkCase {"tabWorkstationInstalled", "lnkSupport2", "/support.htm"}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.link); });

TEST(MainWindow, FooterLinkOpensTheSiteWhateverItsAnchor)
{
    testsupport::TBrowserRecorder browser;
    TfrmMain window;
    window.show();
    auto* footer = window.findChild<THtmlLabel*>(QStringLiteral("htm1"));
    ASSERT_NE(footer, nullptr);
    const QList<QRect> rects = footer->anchorRects(QStringLiteral("website"));
    ASSERT_FALSE(rects.isEmpty());

    QTest::mouseClick(footer, Qt::LeftButton, {}, rects.first().center());
    window.htm1AnchorClick(footer, QStringLiteral("anything else"));

    ASSERT_TRUE(browser.waitForCount(2));
    EXPECT_EQ(browser.addresses(), (QStringList {Site(), Site()}));
}
