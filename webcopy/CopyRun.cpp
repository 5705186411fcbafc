#include "webcopy/CopyRun.h"

#include "platform/HttpRequest.h"
#include "platform/InternetSession.h"
#include "webcopy/ProgressReporter.h"
#include "webcopy/RunDialog.h"
#include "webcopy/TargetFolder.h"
#include "webcopy/TransferCause.h"
#include "webcopy/WcLogin.h"
#include "webcopy/WebCopy.h"
#include "webcopy/WebCopyIoError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

bool HasNetworkItem(const TWebCopyItems& items)
{
    for (int i = 0; i < items.Count(); ++i) {
        const TWebCopyItem* item = items.Items(i);
        if (item->Active && item->Protocol != wpFile)
            return true;
    }
    return false;
}

} // namespace

TCopyRun::TCopyRun(TWebCopy& owner, TProgressReporter& progress, TRunDialog* dialog)
    : FOwner(owner)
    , FProgress(progress)
    , FDialog(dialog)
    , FRules(owner, *this)
    , FFtp(*this)
    , FLog(owner.LogfileName)
{
    // Seconds to milliseconds without overflow: a huge time-out is as good as none.
    if (owner.Timeout > 0)
        FTimeoutMs = owner.Timeout > std::numeric_limits<int>::max() / 1000 ? std::numeric_limits<int>::max()
                                                                              : owner.Timeout * 1000;
    if (HasNetworkItem(owner.Items())) {
        FSession = std::make_unique<TInternetSession>(owner.Agent, owner.Proxy);
        if (FTimeoutMs > 0)
            FSession->SetTimeouts(FTimeoutMs, FTimeoutMs, FTimeoutMs);
        FSession->SetCaFile(owner.CaFile);
        FSession->SetProxyCredentials(owner.ProxyUserID, owner.ProxyPassword);
    }
}

TCopyRun::~TCopyRun()
{
    // The kept FTP connection goes before the session it was made on.
    FFtp.CloseKept();
}

TWebCopyItems& TCopyRun::Items() const
{
    return FOwner.Items();
}

bool TCopyRun::Cancelled() const
{
    return FOwner.CancelRequested();
}

void TCopyRun::SetLastFile(const QString& path, const QString& dir)
{
    if (FDialog)
        FDialog->SetLastFile(path, dir);
}

std::unique_ptr<THttpRequest> TCopyRun::NewHttpRequest()
{
    if (!FSession)
        return nullptr;
    auto request = std::make_unique<THttpRequest>(*FSession);
    request->OnWait = [this] {
        FProgress.ShowWaiting();
        ProcessEvents();
        return !Cancelled();
    };
    return request;
}

bool TCopyRun::WaitBeforeRetry(int attempt, int retries, int delayMs, const QString& reason)
{
    QElapsedTimer clock;
    clock.start();
    // Wakes the wait often enough to see the deadline and to count the seconds down.
    QTimer tick;
    tick.start(std::clamp(delayMs, 1, 50));
    int shownSeconds = -1;
    while (!Cancelled()) {
        const qint64 left = delayMs - clock.elapsed();
        if (left <= 0)
            return true;
        const int seconds = int((left + 999) / 1000);
        if (seconds != shownSeconds) {
            shownSeconds = seconds;
            FProgress.ShowRetryWait(attempt, retries, seconds, reason);
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return false;
}

void TCopyRun::ProcessEvents() const
{
    FProgress.KeepResponsive();
}

bool TCopyRun::AskForLogin(const QString& caption, QString& userName, QString& password) const
{
    return ShowLoginPrompt(caption, userName, password);
}

bool TCopyRun::LoginToProxy(const THttpRequest& request)
{
    const QString proxy = request.ProxyName();
    if (!FSession || !request.ProxyLoginWanted() || proxy.isEmpty())
        return false;
    const TProxyLogin refused = FSession->ProxyLoginFor(proxy);
    const bool wasRefused = request.ProxyLoginSent();
    TProxyLogin login;
    bool given = false;
    if (FOwner.OnProxyLogin)
        FOwner.OnProxyLogin(&FOwner, proxy, wasRefused, login.UserName, login.Password, given);
    else
        given = ShowProxyLoginPrompt(proxy, wasRefused, login.UserName, login.Password);
    // A handler that only knows the refused login (or none) would otherwise be asked for ever.
    const bool sameAgain = wasRefused && login.UserName == refused.UserName && login.Password == refused.Password;
    if (!given || login.UserName.isEmpty() || sameAgain)
        return false;
    FSession->SetProxyLogin(proxy, login.UserName, login.Password);
    return true;
}

void TCopyRun::ShowProgress(qint64 done, qint64 total, quint32 startTick, const QString& captionWord,
                            bool emptyIsComplete, qint64 kept)
{
    FProgress.ShowProgress(FileNum, done, total, startTick, captionWord, emptyIsComplete, kept);
}

TTransferResult TCopyRun::InTargetFolder(const QString& targetDir, const QString& userName, const QString& password,
                                         const std::function<TTransferResult(TTargetFolder&)>& transfer)
{
    TTargetFolder folder;
    TTransferResult result = folder.Open(targetDir, userName, password, FTimeoutMs)
        ? transfer(folder)
        : ShareFailure(folder.Failure(), folder.Reason());
    if (!folder.Close())
        result.LeftShareBadly(folder.Reason());
    return result;
}

TTransferResult TCopyRun::ShareFailure(TSmbShare::TFailure failure, const QString& reason)
{
    TTransferResult result = TTransferResult::ConnectError(CauseOfShareFailure(failure), reason);
    result.ErrorCode = WebCopyErrors::CannotConnect;
    return result;
}

void TCopyRun::ReportError(TWebCopy& owner, int code, const QString& info)
{
    if (owner.OnError)
        owner.OnError(&owner, code);
    if (owner.OnErrorInfo)
        owner.OnErrorInfo(&owner, code, info);
}

void TCopyRun::ReportResult(const TTransferResult& result)
{
    // A cancel raises no error events, whatever the transfer saw on its way out.
    if (result.Outcome == TTransferOutcome::Failed && !Cancelled()) {
        switch (result.Report) {
        case TFailureReport::Silent:
            break;
        case TFailureReport::Error:
            if (!result.EndsRun)
                ReportError(FOwner, result.ErrorCode, result.Message);
            break;
        case TFailureReport::URLNotFound:
            if (FOwner.OnURLNotFound)
                FOwner.OnURLNotFound(&FOwner, result.Url);
            break;
        case TFailureReport::ConnectError:
            if (FOwner.OnConnectError)
                FOwner.OnConnectError(&FOwner);
            break;
        }
    }
    if (result.DisconnectFailed && FOwner.OnConnectError)
        FOwner.OnConnectError(&FOwner);
    // A local file that failed in the middle of a transfer ends the run here: no OnFileDone,
    // no OnCopyDone.
    if (result.EndsRun)
        throw TWebCopyIoError(result.ErrorCode, result.Message);
}
