#include "launcher/RzLauncher.h"
#include "tests/launcher/LaunchRecorder.h"
#include "tests/platform/ShellFixture.h"
#include "tests/support/VirtualDesktop.h"
#include "tests/support/WaitFor.h"

#include <QTimer>

#include <csignal>

namespace {

using TLauncherWindowTest = TShellFixture;

TEST_F(TLauncherWindowTest, WithoutAnX11DisplayThereIsNoWindow)
{
    FEnvironment.unset("DISPLAY");
    FEnvironment.set("ORVANTA_CHILD_SLEEP_MS", "200");
    TRzLauncher launcher;
    launcher.FileName = childProgram();
    ASSERT_EQ(launcher.Execute(), 0u);
    ASSERT_NE(launcher.HProcess(), 0u);
    EXPECT_EQ(launcher.GetWindowHandle(), 0u);
    EXPECT_EQ(launcher.TakeProcess().waitForExit(10000), TProcessHandle::TWaitResult::Exited);
}

TEST_F(TLauncherWindowTest, FindsTheWindowOfTheStartedProgramAndOfNoOther)
{
    TVirtualDesktop desktop;
    if (!desktop.Start({.WindowManager = false}))
        GTEST_SKIP() << desktop.Message().toStdString();
    FEnvironment.set("DISPLAY", desktop.Environment().value(QStringLiteral("DISPLAY")).toLocal8Bit());
    FEnvironment.set("QT_QPA_PLATFORM", "xcb");
    FEnvironment.set("ORVANTA_CHILD_SLEEP_MS", "60000");

    TRzLauncher withWindow;
    withWindow.FileName = childProgram();
    TLaunchRecorder recorder(withWindow);
    FEnvironment.set("ORVANTA_CHILD_WINDOW", "1");
    withWindow.Launch();
    ASSERT_TRUE(withWindow.Running());
    const auto windowOwner = static_cast<pid_t>(withWindow.HProcess());

    TRzLauncher windowless;
    windowless.FileName = childProgram();
    FEnvironment.set("ORVANTA_CHILD_WINDOW", "0");
    ASSERT_EQ(windowless.Execute(), 0u);

    // Every look opens a connection to the server; looking in a tight loop would crowd out the
    // program's own connection.
    quintptr window = 0;
    QTimer look;
    look.setInterval(50);
    QObject::connect(&look, &QTimer::timeout, [&] { window = withWindow.GetWindowHandle(); });
    look.start();
    EXPECT_TRUE(testsupport::waitFor([&] { return window != 0; }, 20000));
    look.stop();
    EXPECT_EQ(windowless.GetWindowHandle(), 0u);
    FEnvironment.unset("DISPLAY");
    EXPECT_EQ(withWindow.GetWindowHandle(), 0u);

    ::kill(windowOwner, SIGTERM);
    ASSERT_TRUE(testsupport::waitFor([&] { return !withWindow.Running(); }, 10000));
    EXPECT_EQ(recorder.kinds(), QStringList{QStringLiteral("finished")});
    EXPECT_EQ(withWindow.GetWindowHandle(), 0u);

    TProcessHandle windowlessProcess = windowless.TakeProcess();
    ::kill(static_cast<pid_t>(windowlessProcess.processId()), SIGTERM);
    EXPECT_EQ(windowlessProcess.waitForExit(10000), TProcessHandle::TWaitResult::Exited);
}

} // namespace
