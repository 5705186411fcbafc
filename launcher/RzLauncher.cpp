#include "launcher/RzLauncher.h"

#include "launcher/RzLaunchThread.h"
#include "platform/X11Windows.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTimer>

namespace {

// The background wait looks at the process, and at a request to stop, this often.
constexpr int BackgroundStepMs = 100;

// Execute's result for a start that the shell refused for lack of resources (its value 0).
constexpr quint32 InsufficientMemory = 8;

int ShowCommand(TShowMode mode)
{
    switch (mode) {
    case smNormal:
        return 1;
    case smMaximized:
        return 3;
    case smMinimized:
        return 7;
    case smHide:
        return 0;
    }
    return 1;
}

} // namespace

TRzLauncher::TRzLauncher(QObject* AOwner)
    : QObject(AOwner)
{
}

TRzLauncher::~TRzLauncher()
{
    if (FBackgroundThread)
        FBackgroundThread->Stop();
}

bool TRzLauncher::ReadyToStart()
{
    if (Running() || FileName.isEmpty())
        return false;
    if (FBackgroundThread) {
        // Its thread waits for this very handler to return, so it cannot be joined now.
        if (FBackgroundThread->InsideEvent())
            return false;
        // A failed background start may still have its error event to deliver.
        FBackgroundThread->Finish();
        FBackgroundThread.reset();
    }
    return true;
}

void TRzLauncher::Launch()
{
    if (!ReadyToStart())
        return;
    if (WaitUntilFinished) {
        StartAndWait();
        return;
    }
    FBackgroundThread = std::make_unique<TRzLaunchThread>(this);
    FBackgroundThread->start();
    FBackgroundThread->WaitUntilStarted();
}

quint32 TRzLauncher::Execute()
{
    if (!ReadyToStart())
        return 0;
    FHInstance = 0;
    FHProcess = 0;
    FExitCode = 0;
    TShellStartResult started = ShellStart(ShellRequest());
    FProcess = std::move(started.Process);
    if (!started.Success)
        return started.ErrorValue == seOutOfResources ? InsufficientMemory : started.ErrorValue;
    FHInstance = static_cast<quintptr>(FProcess.processId());
    FHProcess = static_cast<quintptr>(FProcess.processId());
    return 0;
}

TProcessHandle TRzLauncher::TakeProcess()
{
    if (Running())
        return {};
    FHProcess = 0;
    return std::move(FProcess);
}

TShellStartRequest TRzLauncher::ShellRequest() const
{
    TShellStartRequest request;
    request.Verb = Action;
    request.File = FileName;
    request.Parameters = Parameters;
    request.Directory = StartDir;
    request.ShowCommand = ShowCommand(ShowMode);
    return request;
}

// Runs in the caller's thread or in the background thread. Until the start has been reported
// the caller's thread is held in Launch, so the settings can be read safely up to there.
void TRzLauncher::StartAndWait()
{
    FLastErrorCode = 0;
    FHInstance = 0;
    FHProcess = 0;
    FExitCode = 0;
    const bool inBackground = !WaitUntilFinished;
    const TRzWaitType waitType = WaitType;
    FWaitTimeout = Timeout;

    TShellStartResult started = ShellStart(ShellRequest());
    FProcess = std::move(started.Process); // also drops a handle that Execute left
    if (started.Success) {
        FHInstance = static_cast<quintptr>(FProcess.processId());
        FHProcess = static_cast<quintptr>(FProcess.processId());
        FRunning = true;
    } else {
        FLastErrorCode = started.ErrorValue;
    }
    if (inBackground)
        FBackgroundThread->ReportStarted();
    if (!started.Success) {
        Raise(&TRzLauncher::NotifyError);
        return;
    }

    // Also when an event handler throws.
    const auto endRun = qScopeGuard([this] {
        FProcess.close();
        FHProcess = 0;
        FRunning = false;
    });
    if (inBackground)
        WaitInBackground();
    else if (waitType == wtFullStop)
        WaitFullStop();
    else
        WaitProcessingMessages();
}

void TRzLauncher::WaitFullStop()
{
    EndWait(FProcess.waitForExit(FWaitTimeout));
}

// The time limit counts from the start of the wait, not from the last event: a window that
// keeps receiving events (a ticking timer, a moving mouse) must not put the time-out off for ever.
// Not a nested QEventLoop: the application's quit ends every such loop at once (and a new one
// returns at once), while the wait must go on until the program has ended.
void TRzLauncher::WaitProcessingMessages()
{
    TProcessHandle::TWaitResult result = FProcess.waitForExit(0);
    if (result == TProcessHandle::TWaitResult::TimedOut && FWaitTimeout != 0) {
        bool ended = false;
        bool timedOut = false;
        QSocketNotifier processEnd(static_cast<qintptr>(FProcess.pollDescriptor()), QSocketNotifier::Read);
        connect(&processEnd, &QSocketNotifier::activated, [&ended] { ended = true; });
        QTimer limit;
        limit.setSingleShot(true);
        connect(&limit, &QTimer::timeout, [&timedOut] { timedOut = true; });
        if (FWaitTimeout > 0)
            limit.start(FWaitTimeout);
        while (!ended && !timedOut)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        processEnd.setEnabled(false);
        result = FProcess.waitForExit(0);
    }
    EndWait(result);
}

void TRzLauncher::WaitInBackground()
{
    qint64 waitedMs = 0;
    while (!FBackgroundThread->StopRequested()) {
        const TProcessHandle::TWaitResult result = FProcess.waitForExit(BackgroundStepMs);
        if (result == TProcessHandle::TWaitResult::TimedOut) {
            // Only the steps count, not the time that the event handlers take.
            waitedMs += BackgroundStepMs;
            if (FWaitTimeout < 0 || waitedMs < FWaitTimeout)
                continue;
        }
        EndWait(result);
        return;
    }
}

void TRzLauncher::EndWait(TProcessHandle::TWaitResult result)
{
    switch (result) {
    case TProcessHandle::TWaitResult::Exited:
        FExitCode = FProcess.exitCode();
        Raise(&TRzLauncher::NotifyFinished);
        break;
    case TProcessHandle::TWaitResult::TimedOut:
        Raise(&TRzLauncher::NotifyTimeout);
        break;
    case TProcessHandle::TWaitResult::Failed:
        FLastErrorCode = static_cast<quint32>(FProcess.lastError());
        Raise(&TRzLauncher::NotifyError);
        break;
    }
}

// Events of a background wait are raised on the launcher's thread.
void TRzLauncher::Raise(void (TRzLauncher::*notify)())
{
    if (FBackgroundThread && QThread::currentThread() == FBackgroundThread.get())
        FBackgroundThread->Synchronize([this, notify] { (this->*notify)(); });
    else
        (this->*notify)();
}

void TRzLauncher::NotifyFinished()
{
    if (OnFinished)
        OnFinished(this);
}

void TRzLauncher::NotifyTimeout()
{
    if (OnTimeout)
        OnTimeout(this);
}

void TRzLauncher::NotifyError()
{
    if (OnError)
        OnError(this, FLastErrorCode);
}

QString TRzLauncher::GetErrorMsg(quint32 ErrorCode) const
{
    switch (ErrorCode) {
    case 0:
        return tr("Out of memory or executable file is corrupt");
    case 2:
        return tr("File was not found");
    case 3:
        return tr("Path was not found");
    case 5:
        return tr("Sharing violation or netword error");
    case 6:
        return tr("A library required separate data segments for each task");
    case 8:
        return tr("Insufficient memory to start application");
    case 10:
        return tr("Incorrect version of Windows");
    case 11:
        return tr("File is not a Windows application or there was an error in the .EXE image");
    case 12:
        return tr("Application was designed for a different operating system");
    case 13:
        return tr("Application was designed for MS-DOS 4.0");
    case 14:
        return tr("Unknown executable file type");
    case 15:
        return tr("Cannot load a real-mode application");
    case 16:
        return tr("Cannot load a second instance of an executable file containing multiple, non-read-only data "
                  "segments");
    case 19:
        return tr("Cannot load a compressed executable file");
    case 20:
        return tr("A dynamic-link library (DLL) file is invalid");
    case 21:
        return tr("Application requires Windows 32-bit extensions");
    case 31:
        return tr("No association for specified file type");
    default:
        return QStringLiteral("Unknown Error");
    }
}

quintptr TRzLauncher::GetWindowHandle() const
{
    const quintptr processId = HProcess();
    return processId == 0 ? 0 : TopLevelWindowOfProcess(static_cast<qint64>(processId));
}
