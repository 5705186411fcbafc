// The main window as a user meets it: start page, navigation, fixed window, blinking.
#include "widgets/ColorValue.h"
#include "widgets/FlatColorButton.h"
#include "widgets/PageContainer.h"
#include "webcopy/WebCopy.h"
#include "wizard/FrmMain.h"

#include <QAbstractButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QWidget* Page(TfrmMain& window, const char* name)
{
    return window.findChild<QWidget*>(QString::fromLatin1(name));
}

void Click(TfrmMain& window, const char* name)
{
    auto* button = window.findChild<QWidget*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

} // namespace

TEST(MainWindow, StartsOnWelcomeInAFixedWindowWithoutTabs)
{
    TfrmMain window;
    window.show();
    EXPECT_EQ(window.Pages()->activePage(), Page(window, "tabWelcome"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Orvanta 5 Trial Setup"));
    EXPECT_EQ(window.size(), QSize(850, 556));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    // With tabs and frames hidden a page fills the whole area between header and footer.
    EXPECT_EQ(window.Pages()->geometry(), QRect(0, 61, 850, 456));
    for (QWidget* page : window.Pages()->pages())
        EXPECT_EQ(page->size(), QSize(850, 456)) << page->objectName().toStdString();
}

struct NavigationCase {
    const char* fromPage;
    const char* button;
    const char* toPage;
};

void PrintTo(const NavigationCase& c, std::ostream* os)
{
    *os << c.button;
}

class Navigation : public ::testing::TestWithParam<NavigationCase> {};

TEST_P(Navigation, ButtonLeadsToItsPage)
{
    const NavigationCase& step = GetParam();
    TfrmMain window;
    window.show();
    window.Pages()->setActivePage(Page(window, step.fromPage));
    Click(window, step.button);
    ASSERT_NE(Page(window, step.toPage), nullptr);
    EXPECT_EQ(window.Pages()->activePage()->objectName().toStdString(), step.toPage);
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, Navigation,
    ::testing::Values(NavigationCase {"tabWelcome", "btnStart", "tabSelection"},
                      NavigationCase {"tabSelection", "btnBack2", "tabWelcome"},
                      NavigationCase {"tabSelection", "btnInstallServer", "tabInstallServer"},
                      NavigationCase {"tabSelection", "btnInstallWorkstation", "tabInstallWorkstation"},
                      NavigationCase {"tabInstallServer", "btnServerBack", "tabSelection"},
                      NavigationCase {"tabInstallWorkstation", "btnWorkstationBack", "tabSelection"},
                      // Download leaves the page as it is.
                      NavigationCase {"tabInstallServer", "btnDownloadServer", "tabInstallServer"},
                      NavigationCase {"tabInstallWorkstation", "btnDownloadWorkstation", "tabInstallWorkstation"}),
    [](const ::testing::TestParamInfo<NavigationCase>& info) { return std::string(info.param.button); });

namespace {

enum Look { Blue, White };

void ExpectLook(TfrmMain& window, const char* name, Look look, int tick)
{
    auto* button = window.findChild<TFlatColorButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr);
    const quint32 background = look == Blue ? 0xb57400 : 0xffffff;
    const quint32 text = look == Blue ? 0xffffff : 0x000000;
    EXPECT_EQ(ValueFromColor(button->color()), background) << name << " after tick " << tick;
    EXPECT_EQ(ValueFromColor(button->fontColor()), text) << name << " after tick " << tick;
}

} // namespace

TEST(MainWindow, BlinkingFollowsTheTicksUntilDownloadIsClicked)
{
    TfrmMain window;
    auto* timer = window.findChild<QTimer*>(QStringLiteral("ButtonTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);

    // Ticks 1..6; the server's Download is clicked after tick 2 (while it is white) and stops
    // blinking. The workstation's, clicked after tick 3 while the server's download is still
    // under way, is ignored and changes nothing: it keeps blinking.
    for (int tick = 1; tick <= 6; ++tick) {
        window.ButtonTimerTimer(timer);
        const Look phase = tick % 2 == 1 ? Blue : White;
        ExpectLook(window, "btnStart", phase, tick);
        ExpectLook(window, "btnDownloadServer", tick <= 2 ? phase : White, tick);
        ExpectLook(window, "btnDownloadWorkstation", phase, tick);
        if (tick == 2)
            Click(window, "btnDownloadServer");
        if (tick == 3) {
            ASSERT_TRUE(window.Downloader()->Running());
            Click(window, "btnDownloadWorkstation");
        }
    }
    // Coming back to the Welcome page finds Start still blinking.
    window.Pages()->setActivePage(Page(window, "tabWelcome"));
    window.ButtonTimerTimer(timer);
    ExpectLook(window, "btnStart", Blue, 7);
}
