#include "launcher/RzLauncher.h"
#include "tests/launcher/DescriptorExhaustion.h"
#include "tests/launcher/LaunchRecorder.h"
#include "tests/platform/ShellFixture.h"
#include "tests/support/WaitFor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

using TWaitResult = TProcessHandle::TWaitResult;

class TLauncherTest : public TShellFixture {
protected:
    // The helper child, set to sleep `sleepMs` and then exit with `exitCode`.
    void configureChild(TRzLauncher& launcher, const char* sleepMs, const char* exitCode = "0")
    {
        FEnvironment.set("ORVANTA_CHILD_SLEEP_MS", sleepMs);
        FEnvironment.set("ORVANTA_CHILD_EXIT_CODE", exitCode);
        launcher.FileName = childProgram();
    }

    static bool isAlive(qint64 processId)
    {
        const char state = childState(processId);
        return state != 0 && state != 'Z';
    }
};

TEST_F(TLauncherTest, EachWayOfWaitingEndsWithItsEventAndTheStateAroundIt)
{
    struct TCase {
        const char* Name;
        bool WaitUntilFinished;
        TRzWaitType WaitType;
        int Timeout;
        const char* ChildSleepMs;
        const char* Expected;
    };
    const TCase cases[] = {
        {"full stop, no limit", true, wtFullStop, -1, "300", "finished"},
        {"processing messages, no limit", true, wtProcessMessages, -1, "300", "finished"},
        {"background, no limit", false, wtFullStop, -1, "300", "finished"},
        {"full stop, limit beyond the run", true, wtFullStop, 20000, "0", "finished"},
        {"background, limit beyond the run", false, wtFullStop, 20000, "0", "finished"},
        {"full stop, limit 0", true, wtFullStop, 0, "5000", "timeout"},
        {"processing messages, limit 0", true, wtProcessMessages, 0, "5000", "timeout"},
        {"background, limit 0: after the first step", false, wtFullStop, 0, "5000", "timeout"},
        {"full stop, limit 200", true, wtFullStop, 200, "5000", "timeout"},
        {"background, limit 300", false, wtFullStop, 300, "5000", "timeout"},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        TRzLauncher launcher;
        configureChild(launcher, testCase.ChildSleepMs, "7");
        launcher.WaitUntilFinished = testCase.WaitUntilFinished;
        launcher.WaitType = testCase.WaitType;
        launcher.Timeout = testCase.Timeout;
        TLaunchRecorder recorder(launcher);
        // The launcher is busy until the closing handler has returned: this must do nothing.
        recorder.DuringEvent = [&launcher] { launcher.Launch(); };

        launcher.Launch();
        if (!testCase.WaitUntilFinished) {
            EXPECT_TRUE(launcher.Running());
            EXPECT_NE(launcher.HProcess(), 0u);
            ASSERT_TRUE(testsupport::waitFor([&] { return !launcher.Running(); }, 20000));
        }

        ASSERT_EQ(recorder.kinds(), QStringList{QString::fromLatin1(testCase.Expected)});
        const TLaunchEvent& event = recorder.events().front();
        EXPECT_TRUE(event.Running);
        EXPECT_NE(event.HProcess, 0u);
        EXPECT_EQ(event.HProcess, launcher.HInstance());
        EXPECT_EQ(event.Thread, QThread::currentThread());
        EXPECT_FALSE(launcher.Running());
        EXPECT_EQ(launcher.HProcess(), 0u);
        EXPECT_EQ(launcher.GetWindowHandle(), 0u);
        if (event.Kind == QLatin1String("finished")) {
            EXPECT_EQ(launcher.ExitCode(), 7u);
        } else {
            EXPECT_EQ(launcher.ExitCode(), 0u);
            EXPECT_TRUE(isAlive(static_cast<qint64>(event.HProcess))) << "a time-out must not stop the process";
        }
    }
}

TEST_F(TLauncherTest, MessageProcessingWaitKeepsTimersTickingAndItsLimitCountsFromTheStart)
{
    struct TCase {
        int Timeout;
        const char* ChildSleepMs;
        const char* Expected;
    };
    // A limit that restarted with every event would never run out while the timer ticks.
    const TCase cases[] = {{-1, "300", "finished"}, {300, "5000", "timeout"}};
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Timeout);
        TRzLauncher launcher;
        configureChild(launcher, testCase.ChildSleepMs);
        launcher.WaitUntilFinished = true;
        launcher.WaitType = wtProcessMessages;
        launcher.Timeout = testCase.Timeout;
        TLaunchRecorder recorder(launcher);
        int ticks = 0;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start();

        launcher.Launch();

        EXPECT_EQ(recorder.kinds(), QStringList{QString::fromLatin1(testCase.Expected)});
        EXPECT_GT(ticks, 0);
    }
}

// Closing the main window quits the application; the program it waits for still runs, so the
// wait goes on (Timeout -1 never times out) and the application ends after it.
TEST_F(TLauncherTest, MessageProcessingWaitOutlastsTheApplicationsQuit)
{
    TRzLauncher launcher;
    configureChild(launcher, "1000");
    launcher.WaitUntilFinished = true;
    launcher.WaitType = wtProcessMessages;
    TLaunchRecorder recorder(launcher);
    bool quitDuringTheWait = false;
    QTimer::singleShot(0, &launcher, [&launcher] { launcher.Launch(); });
    // Falls due while the program runs: it starts after this timer and runs far longer.
    QTimer::singleShot(50, &launcher, [&] {
        quitDuringTheWait = launcher.Running();
        QCoreApplication::quit();
    });

    QCoreApplication::exec();

    EXPECT_TRUE(quitDuringTheWait);
    EXPECT_EQ(recorder.kinds(), QStringList{QStringLiteral("finished")});
}

TEST_F(TLauncherTest, RefusedStartRaisesTheErrorWithTheShellValueAndNothingElse)
{
    makeFile(QStringLiteral("notes.txt"), "no program opens this here\n");
    struct TCase {
        const char* Name;
        const char* File;
        bool WaitUntilFinished;
        quint32 ErrorCode;
    };
    const TCase cases[] = {
        {"missing file", "missing.exe", true, 2},
        {"missing file, background", "missing.exe", false, 2},
        {"no program for the file type", "notes.txt", true, 31},
        {"no program for the file type, background", "notes.txt", false, 31},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        TRzLauncher launcher;
        launcher.FileName = workPath(QString::fromLatin1(testCase.File));
        launcher.WaitUntilFinished = testCase.WaitUntilFinished;
        TLaunchRecorder recorder(launcher);

        launcher.Launch();
        EXPECT_FALSE(launcher.Running());
        if (testCase.WaitUntilFinished)
            EXPECT_EQ(recorder.kinds(), QStringList{QStringLiteral("error")}) << "raised before Launch returns";
        else
            ASSERT_TRUE(testsupport::waitFor([&] { return !recorder.events().isEmpty(); }));
        QCoreApplication::processEvents();

        ASSERT_EQ(recorder.kinds(), QStringList{QStringLiteral("error")});
        const TLaunchEvent& event = recorder.events().front();
        EXPECT_EQ(event.ErrorCode, testCase.ErrorCode);
        EXPECT_FALSE(event.Running);
        EXPECT_EQ(event.HProcess, 0u);
        EXPECT_EQ(event.Thread, QThread::currentThread());
        EXPECT_EQ(launcher.HInstance(), 0u);
        EXPECT_FALSE(QFileInfo::exists(markPath()));
    }
}

TEST_F(TLauncherTest, BackToBackFailedBackgroundStartsReportInOrderAndALaunchInsideTheirEventsDoesNothing)
{
    TRzLauncher launcher;
    launcher.FileName = workPath(QStringLiteral("missing.exe"));
    TLaunchRecorder recorder(launcher);
    // The thread that delivers the event waits for this handler: a start here must not wait for it.
    recorder.DuringEvent = [&launcher] { launcher.Launch(); };
    launcher.Launch();
    // The first error is still queued; the second Launch must neither lose it nor hang on it.
    launcher.FileName = workPath(QStringLiteral("missing-dir/missing.exe"));
    launcher.Launch();
    ASSERT_TRUE(testsupport::waitFor([&] { return recorder.events().size() >= 2; }));
    QCoreApplication::processEvents();
    ASSERT_EQ(recorder.kinds(), (QStringList{QStringLiteral("error"), QStringLiteral("error")}));
    EXPECT_EQ(recorder.events().at(0).ErrorCode, 2u);
    EXPECT_EQ(recorder.events().at(1).ErrorCode, 3u);
}

TEST_F(TLauncherTest, EmptyFileNameDoesNothing)
{
    for (const bool waitUntilFinished : {true, false}) {
        SCOPED_TRACE(waitUntilFinished);
        TRzLauncher launcher;
        launcher.WaitUntilFinished = waitUntilFinished;
        TLaunchRecorder recorder(launcher);
        launcher.Launch();
        EXPECT_EQ(launcher.Execute(), 0u);
        QCoreApplication::processEvents();
        EXPECT_TRUE(recorder.events().isEmpty());
        EXPECT_FALSE(launcher.Running());
        EXPECT_EQ(launcher.HProcess(), 0u);
        EXPECT_FALSE(launcher.TakeProcess().isValid());
    }
}

TEST_F(TLauncherTest, DestroyingTheLauncherDuringABackgroundWaitStopsPromptlyWithoutEventsOrZombie)
{
    struct TCase {
        const char* Name;
        const char* ChildSleepMs;
        bool FinishedEventQueued;
    };
    const TCase cases[] = {
        {"while the process runs", "1500", false},
        {"with the finished event queued", "0", true},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        auto launcher = std::make_unique<TRzLauncher>();
        configureChild(*launcher, testCase.ChildSleepMs);
        TLaunchRecorder recorder(*launcher);
        launcher->Launch();
        ASSERT_TRUE(launcher->Running());
        const auto processId = static_cast<qint64>(launcher->HProcess());

        if (testCase.FinishedEventQueued) {
            // The wait reaps the process before it hands over the event; processing events
            // here would deliver it.
            const QDeadlineTimer deadline(10000);
            while (childState(processId) != 0 && !deadline.hasExpired())
                QThread::yieldCurrentThread();
            ASSERT_EQ(childState(processId), 0);
        }

        QElapsedTimer destruction;
        destruction.start();
        launcher.reset();
        EXPECT_LT(destruction.elapsed(), 1000);

        QCoreApplication::processEvents();
        EXPECT_TRUE(recorder.events().isEmpty());
        EXPECT_TRUE(testsupport::waitFor([&] { return childState(processId) == 0; }, 10000)) << "zombie left";
    }
}

TEST_F(TLauncherTest, ExecuteStartsWithoutWaitingAndHandsTheProcessOver)
{
    TRzLauncher launcher;
    configureChild(launcher, "200", "5");
    TLaunchRecorder recorder(launcher);

    ASSERT_EQ(launcher.Execute(), 0u);
    EXPECT_FALSE(launcher.Running());
    const quintptr processId = launcher.HProcess();
    EXPECT_NE(processId, 0u);
    EXPECT_EQ(launcher.HInstance(), processId);

    TProcessHandle process = launcher.TakeProcess();
    EXPECT_EQ(launcher.HProcess(), 0u);
    ASSERT_TRUE(process.isValid());
    EXPECT_EQ(static_cast<quintptr>(process.processId()), processId);
    EXPECT_EQ(process.waitForExit(10000), TWaitResult::Exited);
    EXPECT_EQ(process.exitCode(), 5u);
    QCoreApplication::processEvents();
    EXPECT_TRUE(recorder.events().isEmpty());

    makeFile(QStringLiteral("notes.txt"), "no program opens this here\n");
    const QList<std::pair<QString, quint32>> refused{{QStringLiteral("missing.exe"), 2u},
                                                      {QStringLiteral("notes.txt"), 31u}};
    for (const auto& [file, errorValue] : refused) {
        SCOPED_TRACE(file.toStdString());
        launcher.FileName = workPath(file);
        EXPECT_EQ(launcher.Execute(), errorValue);
        EXPECT_EQ(launcher.HProcess(), 0u);
    }
}

TEST_F(TLauncherTest, ExecuteAndLaunchDoNothingWhileABackgroundWaitRuns)
{
    TRzLauncher launcher;
    configureChild(launcher, "300");
    TLaunchRecorder recorder(launcher);
    launcher.Launch();
    ASSERT_TRUE(launcher.Running());
    const quintptr processId = launcher.HProcess();

    launcher.WaitUntilFinished = true;
    launcher.Launch();
    EXPECT_EQ(launcher.Execute(), 0u);
    EXPECT_EQ(launcher.HProcess(), processId);
    EXPECT_FALSE(launcher.TakeProcess().isValid());

    ASSERT_TRUE(testsupport::waitFor([&] { return !launcher.Running(); }, 10000));
    EXPECT_EQ(recorder.kinds(), QStringList{QStringLiteral("finished")});
}

// Execute's 0 means "started"; a start that failed for lack of resources must not look like one.
TEST_F(TLauncherTest, StartWithoutResourcesIsNeverReportedAsSuccess)
{
    TRzLauncher launcher;
    configureChild(launcher, "0");
    launcher.WaitUntilFinished = true;
    TLaunchRecorder recorder(launcher);
    {
        const TDescriptorExhaustion exhaustion;
        EXPECT_EQ(launcher.Execute(), 8u);
        EXPECT_EQ(launcher.HProcess(), 0u);
        launcher.Launch();
    }
    ASSERT_EQ(recorder.kinds(), QStringList{QStringLiteral("error")});
    EXPECT_EQ(recorder.events().front().ErrorCode, 0u); // the shell's own value; the event itself tells the failure
    EXPECT_EQ(launcher.GetErrorMsg(8), QStringLiteral("Insufficient memory to start application"));
}

TEST_F(TLauncherTest, SettingsHaveTheirDefaultsAndCanBeSetByName)
{
    TRzLauncher launcher;
    EXPECT_EQ(launcher.property("Action").toString(), QStringLiteral("Open"));
    EXPECT_EQ(launcher.property("Timeout").toInt(), -1);
    EXPECT_EQ(launcher.property("WaitUntilFinished").toBool(), false);
    EXPECT_EQ(launcher.ShowMode, smNormal);
    EXPECT_EQ(launcher.WaitType, wtFullStop);

    EXPECT_TRUE(launcher.setProperty("WaitType", QStringLiteral("wtProcessMessages")));
    EXPECT_TRUE(launcher.setProperty("ShowMode", QStringLiteral("smMinimized")));
    EXPECT_TRUE(launcher.setProperty("StartDir", QStringLiteral("/tmp")));
    EXPECT_EQ(launcher.WaitType, wtProcessMessages);
    EXPECT_EQ(launcher.ShowMode, smMinimized);
    EXPECT_EQ(launcher.StartDir, QStringLiteral("/tmp"));
}

TEST(TLauncherErrorMessageTest, EveryShellValueHasItsTextAndAnyOtherIsUnknown)
{
    const QList<std::pair<quint32, const char*>> texts{
        {0, "Out of memory or executable file is corrupt"},
        {2, "File was not found"},
        {3, "Path was not found"},
        {5, "Sharing violation or netword error"},
        {6, "A library required separate data segments for each task"},
        {8, "Insufficient memory to start application"},
        {10, "Incorrect version of Windows"},
        {11, "File is not a Windows application or there was an error in the .EXE image"},
        {12, "Application was designed for a different operating system"},
        {13, "Application was designed for MS-DOS 4.0"},
        {14, "Unknown executable file type"},
        {15, "Cannot load a real-mode application"},
        {16, "Cannot load a second instance of an executable file containing multiple, non-read-only data segments"},
        {19, "Cannot load a compressed executable file"},
        {20, "A dynamic-link library (DLL) file is invalid"},
        {21, "Application requires Windows 32-bit extensions"},
        {31, "No association for specified file type"},
        {1, "Unknown Error"},
        {32, "Unknown Error"},
        {0xffffffffu, "Unknown Error"},
    };
    const TRzLauncher launcher;
    for (const auto& [code, text] : texts)
        EXPECT_EQ(launcher.GetErrorMsg(code), QString::fromLatin1(text)) << code;
}

} // namespace
