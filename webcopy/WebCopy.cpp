#include "webcopy/WebCopy.h"

#include "platform/InternetSession.h"
#include "platform/UrlParser.h"
#include "webcopy/CopyRun.h"
#include "webcopy/ProgressReporter.h"
#include "webcopy/RunDialog.h"
#include "webcopy/RetryPolicy.h"
#include "webcopy/StoredSettings.h"
#include "webcopy/Transfer.h"
#include "webcopy/TransferLog.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WebCopyIoError.h"
#include "webcopy/WebCopyThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaEnum>
#include <QThread>

#include <exception>

TWebCopy::TWebCopy(QObject* AOwner)
    : QObject(AOwner)
    , FItems(this)
    , FDialog(std::make_unique<TRunDialog>(*this))
    , FProgress(std::make_unique<TProgressReporter>(*this))
{
}

TWebCopy::~TWebCopy()
{
    // A helper thread may still be about to ask for its run; each request it posts is dropped,
    // which releases it, until it has ended.
    if (FCopyThread) {
        do
            QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
        while (!FCopyThread->wait(QDeadlineTimer(20)));
    }
}

bool TWebCopy::event(QEvent* event)
{
    if (event->type() == QEvent::DeferredDelete && FRunning) {
        FDeleteWhenEnded = true;
        return true;
    }
    return QObject::event(event);
}

QString TWebCopy::Version() const
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg((VersionNumber >> 24) & 0xff)
        .arg((VersionNumber >> 16) & 0xff)
        .arg((VersionNumber >> 8) & 0xff)
        .arg(VersionNumber & 0xff);
}

QVariantMap TWebCopy::StoredSettings() const
{
    const TWebCopy defaults;
    return NonDefaultProperties(*this, defaults, {QStringLiteral("FTPPassive"), QStringLiteral("Timeout")});
}

void TWebCopy::LoadSettings(const QVariantMap& Settings)
{
    LoadProperties(*this, Settings);
}

QDialog* TWebCopy::ProgressForm() const { return FDialog->Form(); }
QProgressBar* TWebCopy::ProgressBar() const { return FDialog->ProgressBar(); }
TWcProgressLine* TWebCopy::ProgressFileLabel() const { return FDialog->FileLine(); }
TWcProgressLine* TWebCopy::ProgressSizeLabel() const { return FDialog->SizeLine(); }
TWcProgressLine* TWebCopy::ProgressRateLabel() const { return FDialog->RateLine(); }
QString TWebCopy::RateStr() const { return FProgress->RateStr(); }
QString TWebCopy::TimeLeftStr() const { return FProgress->TimeLeftStr(); }
QString TWebCopy::ElapsedTimeStr() const { return FProgress->ElapsedTimeStr(); }

const TInternetSession* TWebCopy::Session() const
{
    return FRun ? FRun->Session() : nullptr;
}

QString TWebCopy::RequestServer(const QString& url)
{
    const TUrlParts parts = ParseUrl(url);
    if (!parts.Valid)
        return ExtractURLHost(url);
    const int defaultPort = parts.Scheme == QStringLiteral("https") ? 443 : 80;
    return parts.Port == defaultPort ? parts.Host : parts.Host + QLatin1Char(':') + QString::number(parts.Port);
}

QString TWebCopy::AddProxyCredentials(const QString& url) const
{
    return ::AddProxyCredentials(url, ProxyUserID, ProxyPassword);
}

QString TWebCopy::GetURLServer(const QString& url) const
{
    return ::GetURLServer(url);
}

QString TWebCopy::GetURLPath(const QString& url) const
{
    return ::GetURLPath(url);
}

void TWebCopy::ShowProgress(qint64 done, qint64 total, quint32 startTick, const QString& captionWord,
                            bool emptyIsComplete)
{
    FProgress->ShowProgress(FRun ? FRun->FileNum : 0, done, total, startTick, captionWord, emptyIsComplete);
}

void TWebCopy::KeepResponsive()
{
    FProgress->KeepResponsive();
}

void TWebCopy::WriteLog(const QString& message)
{
    if (FRun) {
        FRun->Log().Write(message);
        return;
    }
    TTransferLog(LogfileName).Write(message);
}

QString TWebCopy::FtpConnectionKey(const QString& host, int port, const QString& userName, const QString& password)
{
    return TFtpSessions::ConnectionKey(host, port, userName, password);
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
    return isFtpTransfer(item) && isFtpTransfer(next) && item->FTPHost == next->FTPHost
        && item->FTPUserID == next->FTPUserID && item->FTPPassword == next->FTPPassword;
}

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
            FCopyCompleted = true;
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
    // into the event loop, and nothing that breaks the run off goes untold.
    try {
        DoCopy();
    } catch (const TWebCopyIoError& error) {
        TCopyRun::ReportError(*this, error.Code, error.Info);
    } catch (const std::exception& error) {
        TCopyRun::ReportError(*this, WebCopyErrors::TransferNotAvailable,
                                QStringLiteral("The copy run failed: ") + QString::fromLocal8Bit(error.what()));
    } catch (...) {
        TCopyRun::ReportError(*this, WebCopyErrors::TransferNotAvailable, QStringLiteral("The copy run failed"));
    }
}

void TWebCopy::SetRunning(bool running)
{
    FRunning = running;
    FItems.SetLocked(running);
    if (!running && FDeleteWhenEnded) {
        FDeleteWhenEnded = false;
        deleteLater();
    }
}

void TWebCopy::ResetResults()
{
    for (int i = 0; i < FItems.Count(); ++i) {
        TWebCopyItem& item = *FItems.Items(i);
        item.FSuccess = false;
        item.FCancelled = false;
        item.FNoNewVersion = false;
        item.FErrorReason.clear();
        item.FErrorCode = 0;
        item.FHttpStatus = 0;
        item.FCause = item.Active ? TTransferCause::NotRun : TTransferCause::None;
        item.FAttempts = 0;
        item.FKeptBytes = 0;
    }
}

void TWebCopy::ReleaseRun()
{
    FRun.reset();
    FDialog->AllowClose();
    FProgress->RunEnded(FCancelled);
    FProgress->SetDialog(nullptr);
    FDialog->Dispose();
    SetRunning(false);
}

void TWebCopy::DoCopy()
{
    FCancelled = false;
    ResetResults();
    TWcProgressObserver* dialog = FDialog->Build();
    FProgress->SetDialog(dialog);
    FProgress->StartRun(DlgCaption + QStringLiteral(" ..."));
    // A cancel asked for in OnBeforeDialogShow still counts.
    FDialog->Show();
    try {
        FRun = std::make_unique<TCopyRun>(*this, *FProgress, FDialog.get());
        RunItems(*FRun);
    } catch (...) {
        ReleaseRun();
        throw;
    }
    FRun.reset();
    EndRun();
}

void TWebCopy::RunItems(TCopyRun& run)
{
    run.FileNum = 0;
    // The list is locked for the run (see TWebCopyItems), so these positions stay valid.
    const int count = FItems.Count();
    for (int i = 0; i < count; ++i) {
        TWebCopyItem& item = *FItems.Items(i);
        if (!item.Active)
            continue;
        ++run.FileNum;
        if (OnFileStart)
            OnFileStart(this, i);

        switch (item.Protocol) {
        case wpHttp:
        case wpFtp:
        case wpMultiFtp:
            FProgress->SetCaption(DlgDwnload + QStringLiteral(" ..."));
            break;
        case wpFile:
            FProgress->SetCaption(DlgCopying + QStringLiteral(" ..."));
            break;
        case wpFtpUpload:
        case wpHttpUpload:
        case wpMultiFtpUpload:
            FProgress->SetCaption(DlgUpload + QStringLiteral(" ..."));
            break;
        case wpFtpDelete:
        case wpFtpList:
        case wpFtpTest:
            break;
        }

        FProgress->StartItem();
        TTransferJob job{i, item, item.FileDate, false};
        TTransferResult result;
        if (FCancelled) {
            // Cancelled before the item started (in OnFileStart, or between items).
            result = TTransferResult::Cancelled();
        } else if (const std::unique_ptr<TTransfer> transfer = TTransfer::ForProtocol(item.Protocol)) {
            result = RunWithRetries(run, *transfer, job);
        } else {
            const char* name = QMetaEnum::fromType<TWebCopyProtocol>().valueToKey(item.Protocol);
            const QString message = QStringLiteral("This kind of transfer is not available in this version: ")
                + QString::fromLatin1(name ? name : "unknown");
            result = TTransferResult::Error(TTransferCause::NotAvailable, WebCopyErrors::TransferNotAvailable, message);
        }

        item.NewFileDate = job.FileDate;
        item.FSuccess = result.Succeeded() && !FCancelled;
        item.FCancelled = FCancelled;
        item.FNoNewVersion = job.NoNewVersion;
        item.FErrorReason = result.Succeeded() ? QString() : result.Reason;
        item.FErrorCode = result.ErrorCode;
        item.FHttpStatus = result.HttpStatus;
        item.FKeptBytes = result.KeptBytes;
        item.FCause = FCancelled ? TTransferCause::Cancelled : result.Succeeded() ? TTransferCause::None : result.Cause;
        run.ReportResult(result);
        if (FCancelled)
            break;
        if (OnFileDone)
            OnFileDone(this, i);
    }
}

TTransferResult TWebCopy::RunWithRetries(TCopyRun& run, TTransfer& transfer, TTransferJob& job)
{
    // A multi-file item has told its files one by one already; running it again would tell them twice.
    const bool multiFile = job.Item.Protocol == wpMultiFtp || job.Item.Protocol == wpMultiFtpUpload;
    const TRetryPolicy policy(multiFile ? 0 : Retries, RetryDelay, RetryDelayMax);
    const TTransferJob fresh = job;
    job.Item.FAttempts = 1;
    TTransferResult result = transfer.Run(run, job);
    for (int retry = 1; retry <= policy.Retries() && !FCancelled && TRetryPolicy::IsTransient(result); ++retry) {
        if (!run.WaitBeforeRetry(retry, policy.Retries(), policy.DelayMs(retry, result), TRetryPolicy::Reason(result))) {
            // What the broken attempt kept stays for a later run.
            TTransferResult cancelled = TTransferResult::Cancelled();
            cancelled.KeptBytes = result.KeptBytes;
            return cancelled;
        }
        job.FileDate = fresh.FileDate;
        job.NoNewVersion = fresh.NoNewVersion;
        ++job.Item.FAttempts;
        result = transfer.Run(run, job);
    }
    return result;
}

void TWebCopy::EndRun()
{
    FDialog->AllowClose();
    FProgress->RunEnded(FCancelled);
    if (ShowOpenFile || ShowOpenFolder) {
        // The dialog stays with its Open buttons; one the user closed meanwhile goes.
        FDialog->KeepIfVisible();
    } else {
        FDialog->Dispose();
        QCoreApplication::processEvents();
    }
    FProgress->SetDialog(nullptr);
    // The run has ended before OnCopyDone: a handler may start the next one.
    SetRunning(false);
    if (OnCopyDone)
        OnCopyDone(this);
}
