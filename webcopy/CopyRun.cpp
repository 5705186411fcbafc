// The copy run: how a run is started, works through the items and ends.
#include "webcopy/WebCopy.h"

#include "platform/InternetSession.h"
#include "platform/TickCount.h"
#include "webcopy/WebCopyIoError.h"
#include "webcopy/WebCopyThread.h"

#include <QCoreApplication>
#include <QMetaEnum>
#include <QPushButton>

// Releases what a run holds when it is broken off (an input/output error, or anything else
// thrown out of a transfer).
class TWebCopyRunGuard {
public:
    explicit TWebCopyRunGuard(TWebCopy& webCopy)
        : FWebCopy(webCopy)
    {
    }
    ~TWebCopyRunGuard()
    {
        if (!FEnded)
            FWebCopy.ReleaseRun();
    }
    void RunEnded() { FEnded = true; }

private:
    TWebCopy& FWebCopy;
    bool FEnded = false;
};

bool TWebCopy::Execute()
{
    if (FRunning)
        return false;
    SetRunning(true);
    DoCopy();
    return true;
}

bool TWebCopy::ThreadExecute()
{
    if (FRunning)
        return false;
    SetRunning(true);
    auto* thread = new TWCopyThread(this);
    FCopyThread = thread;
    // Only the helper of the latest request ends a wait; an earlier one may finish late. (The
    // helper may already be deleted when its end is handled, so requests are told apart by number.)
    const quint64 request = ++FCopyRequests;
    connect(thread, &QThread::finished, this, [this, request] {
        if (request == FCopyRequests)
            CopyThreadTerminate();
    });
    thread->start();
    return true;
}

bool TWebCopy::ThreadExecAndWait()
{
    FCopyCompleted = false;
    if (!ThreadExecute())
        return false;
    while (!FCopyCompleted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return true;
}

void TWebCopy::RunFromThread()
{
    // Runs on the user-interface thread at the helper thread's request; nothing may escape
    // into the event loop.
    try {
        DoCopy();
    } catch (const TWebCopyIoError& error) {
        ReportError(error.Code, error.Info);
    } catch (...) {
        // Already released by the run; an unknown failure has nothing to report.
    }
}

void TWebCopy::CopyThreadTerminate()
{
    FCopyCompleted = true;
}

void TWebCopy::SetRunning(bool running)
{
    FRunning = running;
    FItems.SetLocked(running);
}

void TWebCopy::ReleaseRun()
{
    FFTPconnect.reset();
    FHinternet.reset();
    FPrevConnect.clear();
    FPrevTarget.clear();
    FCancelIsClose = true;
    DisposeForm();
    SetRunning(false);
}

int TWebCopy::NetworkItemCount() const
{
    int count = 0;
    for (int i = 0; i < FItems.Count(); ++i) {
        const TWebCopyItem* item = FItems.Items(i);
        if (item->Active && item->Protocol != wpFile)
            ++count;
    }
    return count;
}

bool TWebCopy::KeepConnection(int idx) const
{
    const auto isFtpTransfer = [](const TWebCopyItem* item) {
        return item->Protocol == wpFtp || item->Protocol == wpFtpUpload;
    };
    if (idx + 1 >= FItems.Count())
        return false;
    const TWebCopyItem* item = FItems.Items(idx);
    const TWebCopyItem* next = FItems.Items(idx + 1);
    return isFtpTransfer(item) && isFtpTransfer(next)
        && item->FTPHost == next->FTPHost && item->FTPUserID == next->FTPUserID
        && item->FTPPassword == next->FTPPassword;
}

void TWebCopy::DoCopy()
{
    TWebCopyRunGuard guard(*this);
    BuildProgressForm();

    FHinternet.reset();
    if (NetworkItemCount() > 0) {
        FHinternet = std::make_unique<TInternetSession>(Agent, Proxy);
        if (Timeout > 0)
            FHinternet->SetTimeouts(Timeout * 1000, Timeout * 1000, Timeout * 1000);
        FHinternet->SetCaFile(CaFile);
        FHinternet->SetProxyCredentials(ProxyUserID, ProxyPassword);
    }

    FFileNum = 0;
    FPrevTarget.clear();
    // The list is locked for the run (see TWebCopyItems), so these positions stay valid.
    const int count = FItems.Count();
    for (int i = 0; i < count; ++i) {
        TWebCopyItem& item = *FItems.Items(i);
        if (!item.Active)
            continue;
        ++FFileNum;
        if (OnFileStart)
            OnFileStart(this, i);

        switch (item.Protocol) {
        case wpHttp:
        case wpFtp:
        case wpMultiFtp:
            SetCaption(DlgDwnload + QStringLiteral(" ..."));
            break;
        case wpFile:
            SetCaption(DlgCopying + QStringLiteral(" ..."));
            break;
        case wpFtpUpload:
        case wpHttpUpload:
        case wpMultiFtpUpload:
            SetCaption(DlgUpload + QStringLiteral(" ..."));
            break;
        case wpFtpDelete:
        case wpFtpList:
        case wpFtpTest:
            break;
        }

        FItemStartTick = TickCount();
        TDateTime date = item.FileDate;
        bool noNewVersion = false;
        const TTransferResult result = CallOperation(i, item, date, noNewVersion);

        item.NewFileDate = date;
        item.FSuccess = result.Succeeded() && !FCancelled;
        item.FCancelled = FCancelled;
        item.FNoNewVersion = noNewVersion;
        item.FErrorReason = result.Succeeded() ? QString() : result.Reason;
        item.FErrorCode = result.ErrorCode;
        item.FHttpStatus = result.HttpStatus;
        ReportResult(result);
        if (FCancelled)
            break;
        if (OnFileDone)
            OnFileDone(this, i);
    }

    // A connection kept for a next item that never came is not handed to a later run.
    FFTPconnect.reset();
    FPrevConnect.clear();
    FHinternet.reset();
    guard.RunEnded();
    EndRun();
}

TTransferResult TWebCopy::CallOperation(int idx, const TWebCopyItem& item, TDateTime& date, bool& noNewVersion)
{
    switch (item.Protocol) {
    case wpHttp:
        return HttpDownload(idx, item.URL, item.DisplayURL, item.TargetDir, item.TargetFilename, item.CopyNewerOnly,
                            date, noNewVersion, item.Authenticate, item.HTTPUserID, item.HTTPPassword);
    case wpHttpUpload:
        return HttpUpload(item.URL, item.TargetDir, item.TargetFilename, item.HTTPCommand, item.HTTPUserID,
                          item.HTTPPassword);
    case wpFile:
        return FileCopy(idx, item.FTPUserID, item.FTPPassword, item.FTPHost, item.FTPPort, item.URL, item.TargetDir,
                        item.TargetFilename, item.CopyNewerOnly, date, noNewVersion);
    case wpFtp:
        return FtpDownload(idx, item.FTPUserID, item.FTPPassword, item.FTPHost, item.FTPPort, item.URL,
                           item.TargetDir, item.TargetFilename, item.CopyNewerOnly, date, noNewVersion,
                           KeepConnection(idx), false);
    case wpMultiFtp:
        return MultiFtpDownload(item.FTPUserID, item.FTPPassword, item.FTPHost, item.FTPPort, item.URL, item.TargetDir,
                                item.CopyNewerOnly, date, noNewVersion);
    case wpFtpUpload:
        return FtpUpload(idx, item.FTPUserID, item.FTPPassword, item.FTPHost, item.FTPPort, item.URL, item.TargetDir,
                         item.TargetFilename, item.CopyNewerOnly, date, noNewVersion, false);
    case wpMultiFtpUpload:
        return MultiFtpUpload(idx, item.FTPUserID, item.FTPPassword, item.FTPHost, item.FTPPort, item.URL,
                              item.TargetDir, item.CopyNewerOnly, date, noNewVersion, false);
    case wpFtpList:
        return FtpList(idx, item.FTPUserID, item.FTPPassword, item.FTPHost, item.FTPPort, item.URL, noNewVersion);
    case wpFtpDelete:
        return FtpDelete(idx, item.FTPUserID, item.FTPPassword, item.FTPHost, item.FTPPort, item.URL, item.TargetDir,
                         item.TargetFilename, false);
    case wpFtpTest:
        return FtpTest(item.FTPUserID, item.FTPPassword, item.FTPHost, item.FTPPort);
    default: {
        const char* name = QMetaEnum::fromType<TWebCopyProtocol>().valueToKey(item.Protocol);
        const QString message = QStringLiteral("This kind of transfer is not available in this version: ")
            + QString::fromLatin1(name ? name : "unknown");
        return TTransferResult::Error(WebCopyErrors::TransferNotAvailable, message);
    }
    }
}

void TWebCopy::ReportResult(const TTransferResult& result)
{
    // A cancel raises no error events, whatever the transfer saw on its way out.
    if (result.Outcome == TTransferOutcome::Failed && !FCancelled) {
        switch (result.Report) {
        case TFailureReport::Silent:
            break;
        case TFailureReport::Error:
            if (!result.EndsRun)
                ReportError(result.ErrorCode, result.Message);
            break;
        case TFailureReport::URLNotFound:
            if (OnURLNotFound)
                OnURLNotFound(this, result.Url);
            break;
        case TFailureReport::ConnectError:
            if (OnConnectError)
                OnConnectError(this);
            break;
        }
    }
    if (result.DisconnectFailed && OnConnectError)
        OnConnectError(this);
    // A local file that failed in the middle of a transfer ends the run here: no OnFileDone,
    // no OnCopyDone (the run guard releases the session and the dialog).
    if (result.EndsRun)
        throw TWebCopyIoError(result.ErrorCode, result.Message);
}

void TWebCopy::EndRun()
{
    const auto notifyEnd = [this] {
        NotifyObservers([&](TWcProgressObserver& observer) { observer.RunEnded(FCancelled); });
    };
    if (ShowOpenFile || ShowOpenFolder) {
        if (OnCopyDone)
            OnCopyDone(this);
        FCancelIsClose = true;
        notifyEnd();
        // Closed by the user during the run: nothing left to offer.
        if (FForm && ShowDialog && FForm->isHidden())
            DisposeForm();
        SetRunning(false);
        return;
    }
    notifyEnd();
    FCancelIsClose = true;
    DisposeForm();
    QCoreApplication::processEvents();
    SetRunning(false);
    if (OnCopyDone)
        OnCopyDone(this);
}
