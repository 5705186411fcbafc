// The wizard in its own process on a real X display, driven as a user drives it: with the
// keyboard and the mouse through the X server, closed through the window manager, and read by a
// screen reader over the accessibility bus.
#include "tests/support/HttpServerFixture.h"
#include "tests/support/SquidProxyFixture.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/VirtualDesktop.h"
#include "tests/support/WaitFor.h"
#include "webcopy/ProgressForm.h"
#include "wizard/SiteAddresses.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString ServerSetup = QStringLiteral("orvanta5serversetup.exe");
const QString MainTitle = QStringLiteral("^Orvanta 5 Trial Setup$");
const QString ProgressTitle = QStringLiteral("^Downloading latest installer");
// The user ends the wizard; the process must be gone this soon after.
constexpr int ExitMs = 1000;

class WizardProcess : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FServer.Start()) << FServer.Message().toStdString(); }
    void TearDown() override
    {
        if (FWizard.state() != QProcess::NotRunning) {
            FWizard.kill();
            FWizard.waitForFinished(5000);
        }
        // A setup program the test let run on is ended here, by the id it wrote.
        const qint64 setupPid = SetupProgramPid();
        if (setupPid > 0)
            ::kill(pid_t(setupPid), SIGTERM);
    }

    // Starts the wizard on a new desktop with the download server's address and waits for its
    // window; false (with the reason recorded) when the desktop cannot be made here.
    bool StartWizard(const QString& downloadBase, TVirtualDesktop::TOptions options = {})
    {
        if (!FDesktop.Start(options)) {
            FSkipReason = FDesktop.Message();
            return false;
        }
        QProcessEnvironment environment = FDesktop.Environment();
        environment.insert(QStringLiteral("TMPDIR"), FTemp.path());
        environment.insert(QStringLiteral("ORVANTA_CHILD_MARK"), FMark);
        environment.insert(QStringLiteral("ORVANTA_CHILD_SLEEP_MS"), FSetupProgramMs);
        environment.insert(FExtraEnvironment);
        FWizard.setProcessEnvironment(environment);
        FWizard.setProcessChannelMode(QProcess::ForwardedChannels);
        FWizard.start(QStringLiteral(ORVANTA_WIZARD_HOST), {downloadBase});
        EXPECT_TRUE(FWizard.waitForStarted(10000));
        FMainWindow = FDesktop.WaitForWindow(FWizard.processId(), MainTitle);
        EXPECT_FALSE(FMainWindow.isEmpty()) << "the wizard's window did not appear";
        return !FMainWindow.isEmpty();
    }
    QString Tool(const QString& program, const QStringList& arguments) const
    {
        int exitCode = -1;
        const QString output = FDesktop.Run(program, arguments, &exitCode);
        EXPECT_EQ(exitCode, 0) << program.toStdString() << ' ' << arguments.join(u' ').toStdString();
        return output;
    }
    // Keys as the keyboard types them, to whichever window has the focus.
    void Type(const QStringList& keys) { Tool(QStringLiteral("xdotool"), QStringList {QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100")} + keys); }
    // Start, Install Server, Download: Enter alone walks the road to the download.
    void DownloadWithTheKeyboard()
    {
        Type({QStringLiteral("Return"), QStringLiteral("Return"), QStringLiteral("Return")});
    }
    QString WaitForProgressDialog() { return FDesktop.WaitForWindow(FWizard.processId(), ProgressTitle); }
    // The window manager's close (the title bar's close box): WM_DELETE_WINDOW to the window.
    void CloseThroughTheWindowManager(const QString& window) { Tool(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-c"), window}); }
    bool ExitsAtOnce()
    {
        QElapsedTimer clock;
        clock.start();
        const bool exited = FWizard.waitForFinished(ExitMs);
        EXPECT_TRUE(exited) << "still running " << clock.elapsed() << " ms after the user ended it";
        return exited && FWizard.exitStatus() == QProcess::NormalExit;
    }
    // Files in the wizard's private temporary folder (the setup program or its partial copy).
    QStringList LeftBehind() const
    {
        QStringList files;
        for (const QFileInfo& dir : QDir(FTemp.path()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QFileInfo& file : QDir(dir.filePath()).entryInfoList(QDir::Files | QDir::Hidden))
                files << file.fileName();
        return files;
    }
    qint64 SetupProgramPid() const
    {
        QFile mark(FMark);
        if (!mark.open(QIODevice::ReadOnly))
            return 0;
        return QJsonDocument::fromJson(mark.readAll()).object().value(QStringLiteral("pid")).toInteger();
    }
    // The server's answer to the setup program's request, chosen by query options (see the
    // server script): a redirect puts them after the file name that the wizard appends.
    QString Answering(const char* options) const
    {
        return FServer.BaseUrl() + QStringLiteral("/redirect/302?to=/") + ServerSetup + QStringLiteral("%3F")
            + QString::fromLatin1(options) + QStringLiteral("&name=");
    }
    void ServeBigSetupProgram()
    {
        QFile file(FServer.DocRoot() + QLatin1Char('/') + ServerSetup);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1000000, 'x'));
    }

    THttpServerFixture FServer;
    TVirtualDesktop FDesktop;
    QTemporaryDir FTemp;
    QTemporaryDir FMarks;
    const QString FMark = FMarks.filePath(QStringLiteral("ran.json"));
    QProcess FWizard;
    QString FMainWindow;
    QString FSkipReason;
    // How long the setup program runs.
    QString FSetupProgramMs = QStringLiteral("60000");
    // More for the wizard's environment (a proxy).
    QProcessEnvironment FExtraEnvironment;
};

#define START_WIZARD_OR_SKIP(...)                                                                                      \
    if (!StartWizard(__VA_ARGS__)) {                                                                                   \
        if (!FSkipReason.isEmpty())                                                                                    \
            GTEST_SKIP() << FSkipReason.toStdString();                                                                 \
        return;                                                                                                        \
    }

} // namespace

TEST_F(WizardProcess, ClosingTheWindowWhileTheServerIsSilentEndsTheProcessQuietly)
{
    START_WIZARD_OR_SKIP(FServer.BaseUrl() + QStringLiteral("/?hang=1&name="));
    DownloadWithTheKeyboard();
    ASSERT_FALSE(WaitForProgressDialog().isEmpty()) << "Enter, Enter, Enter did not start the download";

    CloseThroughTheWindowManager(FMainWindow);

    EXPECT_TRUE(ExitsAtOnce());
    EXPECT_EQ(FWizard.exitCode(), 0);
    EXPECT_TRUE(LeftBehind().isEmpty()) << LeftBehind().join(u' ').toStdString();
    EXPECT_FALSE(QFile::exists(FMark)) << "nothing ran";
}

TEST_F(WizardProcess, ClosingTheWindowDuringADownloadEndsItAndTheProcess)
{
    ServeBigSetupProgram();
    START_WIZARD_OR_SKIP(Answering("stall=100000"));
    DownloadWithTheKeyboard();
    ASSERT_FALSE(WaitForProgressDialog().isEmpty());
    ASSERT_TRUE(testsupport::waitFor([&] { return !LeftBehind().isEmpty(); }, 20000)) << "the download is under way";

    CloseThroughTheWindowManager(FMainWindow);

    EXPECT_TRUE(ExitsAtOnce());
    EXPECT_TRUE(LeftBehind().isEmpty()) << "the partial download is removed: " << LeftBehind().join(u' ').toStdString();
    EXPECT_FALSE(QFile::exists(FMark));
}

TEST_F(WizardProcess, CancelClickedThenOkEndsTheProcess)
{
    ServeBigSetupProgram();
    START_WIZARD_OR_SKIP(Answering("stall=100000"));
    DownloadWithTheKeyboard();
    const QString dialog = WaitForProgressDialog();
    ASSERT_FALSE(dialog.isEmpty());
    ASSERT_TRUE(testsupport::waitFor([&] { return !LeftBehind().isEmpty(); }, 20000));

    // The Cancel button sits at the dialog's bottom right, as the dialog lays it out.
    const int clientHeight = Tool(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), dialog})
                                 .section(QLatin1Char('x'), -1).trimmed().toInt();
    ASSERT_GT(clientHeight, TWcProgressForm::ButtonHeight);
    const int cancelX = TWcProgressForm::DialogWidth - 20 - TWcProgressForm::ButtonWidth / 2;
    const int cancelY = clientHeight - 14 - TWcProgressForm::ButtonHeight / 2;
    Tool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--window"), dialog,
                                     QString::number(cancelX), QString::number(cancelY), QStringLiteral("click"),
                                     QStringLiteral("1")});
    // "Download of setup program cancelled.", in a box of its own above the main window.
    QString box;
    ASSERT_TRUE(testsupport::waitFor([&] {
        for (const QString& window : FDesktop.Windows(FWizard.processId(), MainTitle)) {
            if (window != FMainWindow)
                box = window;
        }
        return !box.isEmpty();
    }, 20000)) << "no message after Cancel";
    Tool(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), box});
    Type({QStringLiteral("Return")});

    EXPECT_TRUE(ExitsAtOnce());
    EXPECT_TRUE(LeftBehind().isEmpty()) << LeftBehind().join(u' ').toStdString();
}

TEST_F(WizardProcess, ClosingTheWindowWhileTheSetupProgramRunsLeavesItRunning)
{
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANTA_TEST_CHILD), FServer.DocRoot() + QLatin1Char('/') + ServerSetup));
    START_WIZARD_OR_SKIP(FServer.BaseUrl() + QLatin1Char('/'));
    DownloadWithTheKeyboard();
    ASSERT_TRUE(testsupport::waitFor([&] { return SetupProgramPid() > 0; }, 20000)) << "the setup program did not start";

    CloseThroughTheWindowManager(FMainWindow);

    EXPECT_TRUE(ExitsAtOnce()) << "the wizard does not wait for the setup program";
    EXPECT_EQ(::kill(pid_t(SetupProgramPid()), 0), 0) << "the user's installation goes on";
}

TEST_F(WizardProcess, WithoutAWindowManagerTheWindowTakesTheKeyboard)
{
    START_WIZARD_OR_SKIP(FServer.BaseUrl() + QStringLiteral("/?hang=1&name="), {.WindowManager = false});
    EXPECT_TRUE(testsupport::waitFor([&] {
        int exitCode = -1;
        return FDesktop.Run(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}, &exitCode).trimmed()
            == FMainWindow;
    }, 10000));
    DownloadWithTheKeyboard();
    EXPECT_FALSE(WaitForProgressDialog().isEmpty()) << "the keys did not reach the wizard";
}

TEST_F(WizardProcess, AScreenReaderReadsAndPressesEveryButtonAndLink)
{
    testsupport::TBrowserRecorder browser;
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANTA_TEST_CHILD), FServer.DocRoot() + QLatin1Char('/') + ServerSetup));
    FSetupProgramMs = QStringLiteral("0");
    START_WIZARD_OR_SKIP(FServer.BaseUrl() + QLatin1Char('/'), {.Accessibility = true});
    const QString site = QString::fromUtf8(SiteBaseAddress);
    int exitCode = -1;
    const QString walk = FDesktop.Run(QStringLiteral("/usr/bin/python3"),
                                      {QStringLiteral(ORVANTA_SCREEN_READER_SCRIPT), site.section(QStringLiteral("://"), 1)},
                                      &exitCode, 180000);
    EXPECT_EQ(exitCode, 0) << walk.toStdString();
    EXPECT_TRUE(walk.endsWith(QStringLiteral("done\n"))) << walk.toStdString();
    EXPECT_TRUE(QFile::exists(FMark)) << "Download ran the setup program";
    ASSERT_TRUE(browser.waitForCount(7));
    QStringList opened = browser.addresses();
    opened.sort();
    QStringList expected {site + QStringLiteral("/getting-started.htm"), site + QStringLiteral("/newsupportrequest"),
                          site + QStringLiteral("/support.htm"), site, site,
                          QStringLiteral("mailto:sales@orvanta.com"), QStringLiteral("mailto:support@orvanta.com")};
    expected.sort();
    EXPECT_EQ(opened, expected);
}

TEST_F(WizardProcess, AScreenReaderAnswersTheProxysLoginBox)
{
    TSquidProxyFixture proxy;
    ASSERT_TRUE(proxy.Start(TSquidProxyFixture::TScheme::Basic, QStringLiteral("office"), QStringLiteral("Pr0xy-s3cret")))
        << proxy.Message().toStdString();
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANTA_TEST_CHILD), FServer.DocRoot() + QLatin1Char('/') + ServerSetup));
    FSetupProgramMs = QStringLiteral("0");
    FExtraEnvironment.insert(QStringLiteral("http_proxy"), QStringLiteral("http://127.0.0.1:%1").arg(proxy.Port()));
    for (const char* name : {"no_proxy", "NO_PROXY", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
        FExtraEnvironment.insert(QString::fromLatin1(name), QString());
    START_WIZARD_OR_SKIP(FServer.BaseUrl() + QLatin1Char('/'), {.Accessibility = true});
    int exitCode = -1;
    const QString walk = FDesktop.Run(QStringLiteral("/usr/bin/python3"),
                                      {QStringLiteral(ORVANTA_SCREEN_READER_SCRIPT), QStringLiteral("--proxy-login"),
                                       QStringLiteral("office"), QStringLiteral("Pr0xy-s3cret")},
                                      &exitCode, 180000);
    EXPECT_EQ(exitCode, 0) << walk.toStdString();
    EXPECT_TRUE(walk.contains(QStringLiteral("box: The proxy 127.0.0.1:%1 needs your network login.").arg(proxy.Port())))
        << walk.toStdString();
    EXPECT_TRUE(testsupport::waitFor([&] { return QFile::exists(FMark); }, 20000)) << "the download went on and ran the setup program";
}
