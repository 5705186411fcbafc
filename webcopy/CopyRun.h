#pragma once

#include "platform/SmbShare.h"
#include "platform/StaleTemporaries.h"
#include "webcopy/FtpSessions.h"
#include "webcopy/TransferLog.h"
#include "webcopy/TransferResult.h"
#include "webcopy/TransferRules.h"

#include <QString>

#include <functional>
#include <memory>

class THttpRequest;
class TInternetSession;
class TProgressReporter;
class TRunDialog;
class TTargetFolder;
class TWebCopy;
class TWebCopyItems;

// Everything one run of the component shares between its transfers: the component's settings
// and events, the Internet session, the cancel state, the progress, the rules, the kept FTP
// connection and the transfer log. Made when a run starts and gone when it ends.
class TCopyRun {
public:
    TCopyRun(TWebCopy& owner, TProgressReporter& progress, TRunDialog* dialog);
    ~TCopyRun();
    TCopyRun(const TCopyRun&) = delete;
    TCopyRun& operator=(const TCopyRun&) = delete;

    TWebCopy& Owner() const { return FOwner; }
    TWebCopyItems& Items() const;
    bool Cancelled() const;
    // The Internet session; null when the run has no network item.
    TInternetSession* Session() const { return FSession.get(); }
    TProgressReporter& Progress() const { return FProgress; }
    TTransferRules& Rules() { return FRules; }
    // The leftovers of dead writers in the run's target directories, each listed once.
    TStaleTemporaries& Leftovers() { return FLeftovers; }
    TFtpSessions& Ftp() { return FFtp; }
    // The component's Timeout in milliseconds (0 for none), for the calls that take it.
    int TimeoutMs() const { return FTimeoutMs; }
    TTransferLog& Log() { return FLog; }

    // The position of the current item among the active ones (1 for the first).
    int FileNum = 0;

    // The file and folder that the dialog's Open buttons open.
    void SetLastFile(const QString& path, const QString& dir);
    // An HTTP request on the run's session that keeps the window alive and stops on Cancel
    // while it waits; null without a session.
    std::unique_ptr<THttpRequest> NewHttpRequest();
    // Waits delayMs before retry `attempt` of `retries`, handling events and telling the
    // observers; false as soon as the run is cancelled.
    bool WaitBeforeRetry(int attempt, int retries, int delayMs, const QString& reason);
    // Handles pending window messages, unless that was done a moment ago (see
    // TProgressReporter::KeepResponsive).
    void ProcessEvents() const;
    // Asks for a user name and password in a prompt with the caption; false when the user
    // cancelled or when this program has no windows to ask in.
    bool AskForLogin(const QString& caption, QString& userName, QString& password) const;
    // After a request failed because its proxy wants a login: asks OnProxyLogin or the user
    // for one and keeps it in the session for that proxy. True when there is a new login to try
    // the request again with; a login the proxy has just refused is not tried again.
    bool LoginToProxy(const THttpRequest& request);
    // The step after every block.
    void ShowProgress(qint64 done, qint64 total, quint32 startTick, const QString& captionWord,
                      bool emptyIsComplete = false, qint64 kept = 0);

    // Runs a transfer whose target is in targetDir: a network share is connected with the
    // item's account first (a connect error when it cannot be) and left afterwards (one more
    // connect error when that fails).
    TTransferResult InTargetFolder(const QString& targetDir, const QString& userName, const QString& password,
                                   const std::function<TTransferResult(TTargetFolder&)>& transfer);

    // A network share that could not be used: a connect error with its cause and code.
    static TTransferResult ShareFailure(TSmbShare::TFailure failure, const QString& reason);

    // The one place where a result becomes the documented events. A local file that failed in
    // the middle of a transfer ends the run: that is thrown as TWebCopyIoError.
    void ReportResult(const TTransferResult& result);
    static void ReportError(TWebCopy& owner, int code, const QString& info);

private:
    TWebCopy& FOwner;
    TProgressReporter& FProgress;
    TRunDialog* FDialog;
    int FTimeoutMs = 0;
    std::unique_ptr<TInternetSession> FSession;
    TTransferRules FRules;
    TStaleTemporaries FLeftovers;
    TFtpSessions FFtp;
    TTransferLog FLog;
};
