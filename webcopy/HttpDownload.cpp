#include "webcopy/HttpDownload.h"

#include "platform/HttpRequest.h"
#include "platform/SmbShare.h"
#include "webcopy/ContentDisposition.h"
#include "webcopy/CopyRun.h"
#include "webcopy/DateTime.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/ProgressReporter.h"
#include "webcopy/TargetFolder.h"
#include "webcopy/TargetWrite.h"
#include "webcopy/TransferCause.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WebCopy.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {

// The server's Last-Modified (UTC) in the local time base of every other date of the component;
// absent, or out of the calendar's range, it is unknown, and an unknown date is now.
TDateTime ServerDate(const THttpDate& date)
{
    const QDateTime utc(QDate(date.Year, date.Month, date.Day),
                        QTime(date.Hour, date.Minute, date.Second, date.Milliseconds), Qt::UTC);
    if (!utc.isValid() || !TryEncodeDateTime(date.Year, date.Month, date.Day, date.Hour, date.Minute, date.Second,
                                             date.Milliseconds))
        return NowDateTime();
    return LocalDateTimeFromUnixTime(utc.toSecsSinceEpoch(), date.Milliseconds * 1000000);
}

// The name a URL gives its file: the last segment of its path, without query or fragment
// ("download?id=5" is "download").
QString UrlFileName(const QString& url)
{
    static const QRegularExpression queryOrFragment(QStringLiteral("[?#]"));
    QString path = url;
    const qsizetype end = path.indexOf(queryOrFragment);
    if (end >= 0)
        path.truncate(end);
    return ExtractURLFileName(path);
}

// The local name of the server's file, from the URL it came from.
QString FileNameOfUrl(const TCopyRun& run, const QString& url, int maxBytes)
{
    QString fileName = UrlFileName(url);
    if (run.Owner().AutoURLDecode)
        fileName = URLDecode(fileName);
    // A name from the other side never leaves the target directory.
    return NeutraliseFileName(fileName, maxBytes);
}

} // namespace

TTransferResult THttpDownload::StatusFailure(const THttpRequest& request)
{
    const int status = request.StatusCode();
    TTransferResult result = TTransferResult::Error(TTransferCause::ServerStatus, status,
                                                    QStringLiteral("Returned http error code ") + QString::number(status));
    result.HttpStatus = status;
    result.RetryAfterMs = request.RetryAfterMs();
    if (request.AnswerFromProxy()) {
        // The proxy's own error page is not the server's answer.
        result.Cause = TTransferCause::ProxyRefused;
        result.Reason = QStringLiteral("The proxy %1 refused the request (%2).").arg(request.ProxyName()).arg(status);
    } else {
        result.Cause = status == 401 ? TTransferCause::LoginRefused : TTransferCause::ServerStatus;
        result.Reason = QStringLiteral("The server answered %1.").arg(status);
    }
    return result;
}

TTransferResult THttpDownload::Run(TCopyRun& run, TTransferJob& job)
{
    const TWebCopyItem& item = job.Item;
    job.NoNewVersion = false;
    if (!TTransferRules::TargetNameStaysInside(item.TargetFilename))
        return TTransferRules::TargetNameRefused(item.TargetFilename);
    const QString provisionalName = ExtractURLFileName(item.URL);
    run.Rules().ShowFileLine(item.DisplayURL.isEmpty() ? provisionalName : item.DisplayURL,
                             run.Owner().DlgFromServerLabel, TWebCopy::RequestServer(item.URL));
    run.ProcessEvents();
    run.Progress().ShowStatus(run.Owner().DlgConnecting + QLatin1Char(' ') + TWebCopy::RequestServer(item.URL)
                              + QStringLiteral(" ..."));

    FKept = FindKeptPart(run, item);
    // At most twice: the second request asks for the whole file.
    for (;;) {
        TTransferResult failure;
        std::unique_ptr<THttpRequest> request = Request(run, job, failure);
        if (!request)
            return failure;
        const int status = request->StatusCode();
        FWholeNeeded = false;
        TTransferResult result = Receive(run, job, request);
        if (FWholeNeeded && FKept.Size > 0 && !run.Cancelled()) {
            FKept = {};
            continue;
        }
        result.HttpStatus = status;
        return result;
    }
}

TKeptPart THttpDownload::FindKeptPart(const TCopyRun& run, const TWebCopyItem& item)
{
    // A share target keeps no parts.
    if (!run.Owner().Resume || TSmbShare::LooksLikeSharePath(item.TargetDir))
        return {};
    const QString fileName = item.TargetFilename.isEmpty()
        ? FileNameOfUrl(run, item.URL, TTargetFolder().MaxFileNameBytes(item.TargetDir))
        : item.TargetFilename;
    return fileName.isEmpty() ? TKeptPart() : TKeptPart::Find(CombinePath(item.TargetDir, fileName));
}

TResumeIdentity THttpDownload::AnswerIdentity(const THttpRequest& request, const QString& itemUrl)
{
    TResumeIdentity identity;
    const QString finalUrl = request.FinalUrl();
    identity.Source = finalUrl.isEmpty() ? itemUrl : finalUrl;
    identity.ETag = TResumeIdentity::StrongETag(request.ETag());
    identity.LastModified = request.LastModifiedText();
    if (request.StatusCode() == 206)
        identity.Length = request.ContentRange().Valid ? request.ContentRange().Total : -1;
    else
        identity.Length = request.ContentLength();
    return identity;
}

bool THttpDownload::ContinuesKeptPart(const THttpRequest& request, const TFileWriter& writer) const
{
    // The part starts where the kept one ends and runs to the end of the same file, and the
    // writer holds the very part the request was made for (no other run changed it meanwhile).
    const THttpContentRange range = request.ContentRange();
    return range.Valid && range.First == FKept.Size && range.Last == range.Total - 1
        && writer.KeptSize() == FKept.Size && writer.KeptInfo() == FKept.Info
        && AnswerIdentity(request, QString()).SameFileAs(FKept.Identity);
}

std::unique_ptr<THttpRequest> THttpDownload::Request(TCopyRun& run, const TTransferJob& job, TTransferResult& failure)
{
    const TWebCopyItem& item = job.Item;
    // The proxy's credentials go to the proxy through the session; the URL that events report
    // carries them as before, the request itself never does (the origin server must not see them).
    const QString reportedUrl = run.Owner().AddProxyCredentials(item.URL);
    QString url = item.URL;
    QString userName = item.HTTPUserID;
    QString password = item.HTTPPassword;
    const QString loginCancelled = QStringLiteral("The login prompt was cancelled");
    // The prompt names the host that the request, with the typed password, really goes to.
    const auto askForLogin = [&] {
        const bool given =
            run.AskForLogin(QStringLiteral("Connect to ") + TWebCopy::RequestServer(url), userName, password);
        if (!given)
            failure = TTransferResult::Skipped(loginCancelled).WithCause(TTransferCause::LoginCancelled);
        return given;
    };
    if (item.Authenticate == waAlways && (userName.isEmpty() || password.isEmpty()) && !askForLogin())
        return nullptr;

    for (;;) {
        if (run.Cancelled()) {
            failure = TTransferResult::Cancelled();
            return nullptr;
        }
        std::unique_ptr<THttpRequest> request = run.NewHttpRequest();
        if (!request) {
            failure = TTransferResult::URLNotFound(TTransferCause::InternalError, reportedUrl,
                                                   QStringLiteral("No Internet session"));
            return nullptr;
        }
        THttpRequestOptions options;
        options.Url = url;
        options.KeepAlive = run.Owner().HTTPKeepAliveAuthentication;
        // Basic or Digest, as the server asks; libcurl sends them to this URL's host only.
        options.UserName = userName;
        options.Password = password;
        if (FKept.Size > 0) {
            options.RangeFrom = FKept.Size;
            options.IfRange = FKept.Identity.IfRangeValidator();
        }
        const bool opened = request->Open(options);
        run.ProcessEvents();
        // A cancel while the request was being opened is a cancel, not a missing URL.
        if (run.Cancelled()) {
            failure = TTransferResult::Cancelled();
            return nullptr;
        }
        // A proxy that wants a login gets one from the host or the user, and the request goes again.
        if (!opened && run.LoginToProxy(*request))
            continue;
        if (!opened) {
            failure = TTransferResult::URLNotFound(CauseOfRequestFailure(*request), reportedUrl, request->Reason(),
                                                   static_cast<int>(request->ErrorCode()));
            return nullptr;
        }
        const int status = request->StatusCode();
        if (status == 401 && (item.Authenticate == waAlways || item.Authenticate == waAuto)) {
            // After a redirect the host that asked is the one the login is for, and the only
            // one that gets it.
            const QString asking = request->FinalUrl();
            if (!asking.isEmpty() && TWebCopy::RequestServer(asking) != TWebCopy::RequestServer(url)) {
                url = asking;
                userName.clear();
                password.clear();
            }
            request.reset();
            if (!askForLogin())
                return nullptr;
            continue;
        }
        // The kept part is not the start of the server's file (it shrank): all of it is needed.
        if (status == 416 && FKept.Size > 0) {
            FKept = {};
            continue;
        }
        if (status >= 300) {
            failure = StatusFailure(*request);
            return nullptr;
        }
        // Part of the file where the whole was asked for is never saved as the file.
        if (status == 206 && FKept.Size == 0) {
            failure = TTransferResult::Error(TTransferCause::PartialAnswer, WebCopyErrors::ReadFailed,
                                             QStringLiteral("Error reading from ") + url,
                                             QStringLiteral("The server sent part of the file (206 Partial Content) "
                                                            "where the whole file was asked for"));
            failure.HttpStatus = status;
            return nullptr;
        }
        return request;
    }
}

TTransferResult THttpDownload::Receive(TCopyRun& run, TTransferJob& job, std::unique_ptr<THttpRequest>& request)
{
    const TWebCopyItem& item = job.Item;
    if (run.Rules().DatesMatter(item.CopyNewerOnly)) {
        const TDateTime serverDate = ServerDate(request->LastModified());
        const TTransferRules::TDateCheck check =
            run.Rules().CheckSourceDate(job.Index, serverDate, item.CopyNewerOnly, true, job.FileDate,
                                        job.NoNewVersion, ExtractURLFileName(item.URL), [&] { request.reset(); });
        if (check != TTransferRules::TDateCheck::Copy)
            return TTransferRules::Skip(check, QStringLiteral("The server's copy is not newer"));
    }
    return run.InTargetFolder(item.TargetDir, item.FTPUserID, item.FTPPassword,
                              [&](TTargetFolder& folder) { return Write(run, job, *request, folder); });
}

TTransferResult THttpDownload::Write(TCopyRun& run, const TTransferJob& job, THttpRequest& request,
                                     TTargetFolder& folder)
{
    const TWebCopyItem& item = job.Item;
    QString fileName = item.TargetFilename;
    if (fileName.isEmpty()) {
        // The name the server suggests comes first; it is not URL-encoded. A name from the other
        // side never leaves the target directory.
        const int maxBytes = folder.MaxFileNameBytes(item.TargetDir);
        fileName = NeutraliseFileName(ContentDispositionFileName(request.ContentDisposition()), maxBytes);
        if (fileName.isEmpty()) {
            const QString finalUrl = request.FinalUrl();
            fileName = FileNameOfUrl(run, !finalUrl.isEmpty() && finalUrl != item.URL ? finalUrl : item.URL, maxBytes);
        }
    }
    const bool partial = request.StatusCode() == 206;
    qint64 expected = partial ? request.ContentRange().Total - request.ContentRange().First : request.ContentLength();
    if (expected == 0)
        expected = item.FileSize;
    TResumeStart resume;
    if (run.Owner().Resume && !folder.OnShare()) {
        resume = [&](TFileWriter& writer) -> std::optional<qint64> {
            if (partial) {
                if (!ContinuesKeptPart(request, writer)) {
                    FWholeNeeded = true;
                    return std::nullopt;
                }
                run.Log().Write(QStringLiteral("resume http download of %1 at byte %2 of %3")
                                    .arg(item.URL)
                                    .arg(FKept.Size)
                                    .arg(FKept.Identity.Length));
                return FKept.Size;
            }
            const TResumeIdentity answer = AnswerIdentity(request, item.URL);
            writer.Restart(answer.IsUsable() ? answer.ToText() : QByteArray());
            return 0;
        };
    }
    qint64 received = 0;
    return ReceiveIntoTarget(
        run, folder, item.TargetDir, fileName, QStringLiteral("Cannot create file "), expected,
        [&](char* buffer, qint64 max) { return request.Read(buffer, max); },
        [&] {
            return TTransferResult::Error(CauseOfRequestFailure(request),
                                          static_cast<int>(request.ErrorCode()), request.ErrorText(),
                                          request.Reason());
        },
        received, true, item.ExpectedSha256, resume);
}
