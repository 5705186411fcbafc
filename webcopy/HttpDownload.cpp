// The HTTP download: one wpHttp item, an HTTP or HTTPS URL fetched into a local file.
#include "webcopy/WebCopy.h"

#include "platform/HttpRequest.h"
#include "platform/InternetSession.h"
#include "webcopy/DateTime.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/TargetFolder.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WcBase64.h"
#include "webcopy/WcLogin.h"

#include <QCoreApplication>

namespace {

// The server's Last-Modified as a date-time value; absent, or out of the calendar's range (not
// a year cut to 16 bits), it is unknown, and an unknown date is now.
TDateTime ServerDate(const THttpDate& date)
{
    return TryEncodeDateTime(date.Year, date.Month, date.Day, date.Hour, date.Minute, date.Second,
                             date.Milliseconds)
        .value_or(NowDateTime());
}

} // namespace

std::unique_ptr<THttpRequest> TWebCopy::NewHttpRequest()
{
    // A session exists whenever a network item runs; a request without one would have nowhere
    // to take its settings from.
    if (!FHinternet)
        return nullptr;
    auto request = std::make_unique<THttpRequest>(*FHinternet);
    request->OnWait = [this] {
        ShowWaiting();
        QCoreApplication::processEvents();
        return !FCancelled;
    };
    return request;
}

TTransferResult TWebCopy::HttpDownload(int idx, const QString& url, const QString& displayURL,
                                       const QString& targetDir, const QString& targetFilename, bool copyNewerOnly,
                                       TDateTime& fileDate, bool& noNewVersion,
                                       TWebCopyAuthentication authenticate, QString userName, QString password)
{
    noNewVersion = false;
    const QString provisionalName = ExtractURLFileName(url);
    // The proxy's credentials go to the proxy through the session; the URL that events report
    // carries them as before, the request itself never does (the origin server must not see them).
    const QString reportedUrl = AddProxyCredentials(url);

    ShowFileLine(displayURL.isEmpty() ? provisionalName : displayURL, DlgFromServerLabel, RequestServer(url));
    QCoreApplication::processEvents();

    ShowStatus(DlgConnecting + QLatin1Char(' ') + RequestServer(url) + QStringLiteral(" ..."));
    // The prompt names the host that the request, with the typed password, really goes to.
    const QString promptCaption = QStringLiteral("Connect to ") + RequestServer(url);
    const QString loginCancelled = QStringLiteral("The login prompt was cancelled");
    if (authenticate == waAlways && (userName.isEmpty() || password.isEmpty())) {
        if (!ShowLoginPrompt(promptCaption, userName, password))
            return TTransferResult::Skipped(loginCancelled);
    }

    std::unique_ptr<THttpRequest> request;
    for (;;) {
        if (FCancelled)
            return TTransferResult::Cancelled();
        request = NewHttpRequest();
        THttpRequestOptions options;
        options.Url = url;
        options.KeepAlive = HTTPKeepAliveAuthentication;
        if (!userName.isEmpty() || !password.isEmpty())
            options.Headers << QStringLiteral("Authorization: Basic ") + EncodeBase64(userName + QLatin1Char(':') + password);
        const bool opened = request && request->Open(options);
        QCoreApplication::processEvents();
        // A cancel while the request was being opened is a cancel, not a missing URL.
        if (FCancelled)
            return TTransferResult::Cancelled();
        if (!opened)
            return request ? TTransferResult::URLNotFound(reportedUrl, request->Reason(),
                                                          static_cast<int>(request->ErrorCode()))
                           : TTransferResult::URLNotFound(reportedUrl, QStringLiteral("No Internet session"));
        const int status = request->StatusCode();
        if (status == 401 && (authenticate == waAlways || authenticate == waAuto)) {
            request.reset();
            if (!ShowLoginPrompt(promptCaption, userName, password))
                return TTransferResult::Skipped(loginCancelled);
            continue;
        }
        if (status >= 300) {
            request.reset();
            const QString message = QStringLiteral("Returned http error code ") + QString::number(status);
            TTransferResult result = TTransferResult::Error(status, message);
            result.HttpStatus = status;
            return result;
        }
        break;
    }
    const int status = request->StatusCode();
    TTransferResult result =
        ReceiveDownload(idx, request, url, targetDir, targetFilename, copyNewerOnly, fileDate, noNewVersion);
    result.HttpStatus = status;
    return result;
}

TTransferResult TWebCopy::ReceiveDownload(int idx, std::unique_ptr<THttpRequest>& request, const QString& url,
                                          const QString& targetDir, const QString& targetFilename,
                                          bool copyNewerOnly, TDateTime& fileDate, bool& noNewVersion)
{
    const QString provisionalName = ExtractURLFileName(url);
    if (copyNewerOnly || OnFileDateCheck) {
        const TDateTime serverDate = ServerDate(request->LastModified());
        const TDateCheck check = CheckSourceDate(idx, serverDate, copyNewerOnly, true, fileDate, noNewVersion,
                                                 provisionalName, [&] { request.reset(); });
        if (check == TDateCheck::Refused)
            return TTransferResult::Skipped(QStringLiteral("The date check refused the copy"));
        if (check == TDateCheck::NotNewer)
            return TTransferResult::Skipped(QStringLiteral("The server's copy is not newer"));
    }
    const TWebCopyItem& item = *FItems.Items(idx);
    return InTargetFolder(targetDir, item.FTPUserID, item.FTPPassword, [&](TTargetFolder& folder) {
        return WriteDownload(idx, request, url, targetDir, targetFilename, folder);
    });
}

TTransferResult TWebCopy::WriteDownload(int idx, std::unique_ptr<THttpRequest>& request, const QString& url,
                                        const QString& targetDir, const QString& targetFilename,
                                        TTargetFolder& folder)
{
    QString fileName = targetFilename;
    if (fileName.isEmpty()) {
        const QString finalUrl = request->FinalUrl();
        fileName = ExtractURLFileName(!finalUrl.isEmpty() && finalUrl != url ? finalUrl : url);
        if (AutoURLDecode)
            fileName = URLDecode(fileName);
        // A name from the other side never leaves the target directory.
        fileName = NeutraliseFileName(fileName, folder.MaxFileNameBytes(targetDir));
    }
    qint64 expected = request->ContentLength();
    if (expected == 0)
        expected = FItems.Items(idx)->FileSize;
    qint64 received = 0;
    const TTransferResult result = ReceiveIntoTarget(
        folder, targetDir, fileName, QStringLiteral("Cannot create file "), expected,
        [&](char* buffer, qint64 max) { return request->Read(buffer, max); },
        [&] {
            return TTransferResult::Error(static_cast<int>(request->ErrorCode()), request->ErrorText(),
                                          request->Reason());
        },
        received);
    request.reset();
    // An empty answer leaves an empty file, but is no download.
    if (result.Succeeded() && received == 0)
        return TTransferResult::Silent(QStringLiteral("The server sent no data"));
    return result;
}
