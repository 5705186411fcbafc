#pragma once

#include "platform/ProcessHandle.h"
#include "platform/Shell.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class TRzLaunchThread;

// The launcher's enumerations; names and order are part of its interface (saved settings
// store them by name).
namespace RzLauncherTypes {
Q_NAMESPACE

// How the started program's window is shown; handed to the shell as show commands 1, 3, 7, 0.
enum TShowMode { smNormal, smMaximized, smMinimized, smHide };
Q_ENUM_NS(TShowMode)

// How a wait in the caller's thread behaves.
enum TRzWaitType { wtFullStop, wtProcessMessages };
Q_ENUM_NS(TRzWaitType)

} // namespace RzLauncherTypes

using RzLauncherTypes::TRzWaitType;
using RzLauncherTypes::TShowMode;
using enum RzLauncherTypes::TShowMode;
using enum RzLauncherTypes::TRzWaitType;

using TRzLauncherEvent = std::function<void(QObject* Sender)>;
using TRzLaunchErrorEvent = std::function<void(QObject* Sender, quint32 ErrorCode)>;

// Starts a program, document or address through the desktop shell and reports by events when
// the process has ended (OnFinished), when the wait reached Timeout while it still runs
// (OnTimeout; the process goes on), or when the start or the wait failed (OnError with the
// shell's error value, or the system's error code for a failed wait).
//
// Launch waits as the settings say: in the caller's thread (WaitUntilFinished), either blocked
// (wtFullStop) or with the event loop running (wtProcessMessages), or in a TRzLaunchThread while
// the caller goes on; that thread delivers its events on the launcher's thread and waits until
// each handler has returned. Running is true from a successful start until the closing event's
// handler has returned; inside that handler HProcess is still open, and a further Launch or
// Execute does nothing. Destroying the launcher during a background wait stops and joins the
// thread; an event it had not delivered yet is dropped.
class TRzLauncher : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Action MEMBER Action)
    Q_PROPERTY(QString FileName MEMBER FileName)
    Q_PROPERTY(QString Parameters MEMBER Parameters)
    Q_PROPERTY(RzLauncherTypes::TShowMode ShowMode MEMBER ShowMode)
    Q_PROPERTY(QString StartDir MEMBER StartDir)
    Q_PROPERTY(int Timeout MEMBER Timeout)
    Q_PROPERTY(RzLauncherTypes::TRzWaitType WaitType MEMBER WaitType)
    Q_PROPERTY(bool WaitUntilFinished MEMBER WaitUntilFinished)

public:
    explicit TRzLauncher(QObject* AOwner = nullptr);
    ~TRzLauncher() override;

    // Settings, with the values of a new instance.
    QString Action = QStringLiteral("Open");
    QString FileName;
    QString Parameters;
    TShowMode ShowMode = smNormal;
    QString StartDir;
    int Timeout = -1; // milliseconds; negative: no limit
    TRzWaitType WaitType = wtFullStop;
    bool WaitUntilFinished = false;

    TRzLauncherEvent OnFinished;
    TRzLauncherEvent OnTimeout;
    TRzLaunchErrorEvent OnError;

    // The process id that the last successful start created (the program itself, or the
    // desktop's opener for a document or address); kept after its wait has ended.
    quintptr HInstance() const { return FHInstance; }
    // The process id of the started process while its handle is open; 0 when there is none.
    quintptr HProcess() const { return FHProcess; }
    // The exit code of a process that ended during a wait (128 + signal number when a signal
    // ended it); 0 otherwise.
    quint32 ExitCode() const { return FExitCode; }
    bool Running() const { return FRunning; }

    // Starts FileName and waits as the settings say. Does nothing while Running, when FileName
    // is empty, or from inside an event of a background wait. A background Launch returns
    // once the start has succeeded or failed.
    virtual void Launch();
    // Starts FileName without waiting and keeps its handle (HProcess, TakeProcess). Returns 0
    // on success, otherwise the shell's error value; a start that failed for lack of resources
    // (shell value 0) returns 8, so that 0 always means started. Does nothing and returns 0
    // while Running, when FileName is empty, or from inside an event of a background wait.
    virtual quint32 Execute();
    // Hands the process that Execute started over to the caller; HProcess becomes 0. An empty
    // handle while a Launch waits or when nothing was started. A handle nobody takes is dropped
    // at the next start or with the launcher (the process is not stopped).
    TProcessHandle TakeProcess();

    QString GetErrorMsg(quint32 ErrorCode) const;
    // A top-level window of the started process that no other window owns, or 0 (also when
    // HProcess is 0 or no window system is reachable).
    quintptr GetWindowHandle() const;

protected:
    virtual void WaitProcessingMessages();
    virtual void WaitFullStop();
    virtual void WaitInBackground();
    virtual void NotifyFinished();
    virtual void NotifyTimeout();
    virtual void NotifyError();

private:
    friend class TRzLaunchThread;

    bool ReadyToStart();
    TShellStartRequest ShellRequest() const;
    void StartAndWait();
    void EndWait(TProcessHandle::TWaitResult result);
    void Raise(void (TRzLauncher::*notify)());

    // Written by the thread that starts and waits, read by any: hence atomic.
    std::atomic<quintptr> FHInstance = 0;
    std::atomic<quintptr> FHProcess = 0;
    std::atomic<quint32> FExitCode = 0;
    std::atomic<bool> FRunning = false;
    std::atomic<quint32> FLastErrorCode = 0;

    TProcessHandle FProcess;
    int FWaitTimeout = -1; // Timeout as it was at the start of the current wait
    std::unique_ptr<TRzLaunchThread> FBackgroundThread;
};
