#include "platform/ProcessHandle.h"
#include "platform/Shell.h"
#include "tests/platform/ShellFixture.h"
#include "tests/support/WaitFor.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>

namespace {

using TWaitResult = TProcessHandle::TWaitResult;

class TProcessHandleTest : public TShellFixture {
protected:
    TProcessHandle startChild(const QByteArray& sleepMs)
    {
        FEnvironment.set("ORVANTA_CHILD_SLEEP_MS", sleepMs);
        TShellStartRequest request;
        request.File = childProgram();
        TShellStartResult result = ShellStart(request);
        EXPECT_TRUE(result.Success) << result.ErrorValue;
        return std::move(result.Process);
    }
};

TEST_F(TProcessHandleTest, ExitStatusIsTheExitCodeOr128PlusTheSignal)
{
    struct TCase {
        const char* ExitCode;
        const char* Signal;
        quint32 Expected;
    };
    const TCase cases[] = {{"0", "", 0}, {"7", "", 7}, {"0", "15", 143}, {"0", "9", 137}};
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testing::Message() << "exit code " << testCase.ExitCode << ", signal " << testCase.Signal);
        FEnvironment.set("ORVANTA_CHILD_EXIT_CODE", testCase.ExitCode);
        FEnvironment.set("ORVANTA_CHILD_RAISE", testCase.Signal);
        TProcessHandle process = startChild("0");
        ASSERT_EQ(process.waitForExit(10000), TWaitResult::Exited);
        EXPECT_EQ(process.exitCode(), testCase.Expected);
    }
}

TEST_F(TProcessHandleTest, WaitTimesOutWhileTheProcessRunsThenSeesItsEnd)
{
    TProcessHandle started = startChild("1500");
    TProcessHandle process(std::move(started));
    EXPECT_FALSE(started.isValid());
    ASSERT_TRUE(process.isValid());

    EXPECT_EQ(process.waitForExit(0), TWaitResult::TimedOut);
    EXPECT_EQ(process.waitForExit(50), TWaitResult::TimedOut);
    EXPECT_FALSE(process.hasExited());
    EXPECT_EQ(process.waitForExit(10000), TWaitResult::Exited);
    EXPECT_TRUE(process.hasExited());
    EXPECT_EQ(process.exitCode(), 0u);
    EXPECT_EQ(process.waitForExit(0), TWaitResult::Exited); // asking again is harmless

    process.close();
    EXPECT_EQ(process.waitForExit(0), TWaitResult::Failed);
    EXPECT_EQ(process.lastError(), EBADF);
}

TEST_F(TProcessHandleTest, PollDescriptorBecomesReadableWhenTheProcessEnds)
{
    TProcessHandle process = startChild("200");
    QSocketNotifier notifier(static_cast<qintptr>(process.pollDescriptor()), QSocketNotifier::Read);
    bool signalled = false;
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        notifier.setEnabled(false);
        signalled = true;
    });
    EXPECT_FALSE(process.hasExited());
    ASSERT_TRUE(testsupport::waitFor([&] { return signalled; }, 10000));
    EXPECT_EQ(process.waitForExit(0), TWaitResult::Exited);
}

TEST_F(TProcessHandleTest, ClosingTheHandleAtOnceLeavesNoZombie)
{
    struct TCase {
        const char* Name;
        QByteArray SleepMs;
        bool EndedBeforeClose;
    };
    const TCase cases[] = {{"closed after the child ended", "0", true}, {"closed while the child runs", "1000", false}};
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        QFile::remove(markPath());
        TProcessHandle process = startChild(testCase.SleepMs);
        const qint64 processId = process.processId();
        ASSERT_GT(processId, 0);
        if (testCase.EndedBeforeClose)
            ASSERT_TRUE(testsupport::waitFor([&] { return childState(processId) == 'Z'; }, 10000));
        else
            EXPECT_NE(childState(processId), 'Z');
        process.close();
        EXPECT_FALSE(process.isValid());
        // It ran, ended and was collected although nobody waited for it.
        EXPECT_TRUE(testsupport::waitFor(
            [&] { return QFileInfo::exists(markPath()) && childState(processId) == 0; }, 10000));
    }
}

} // namespace
