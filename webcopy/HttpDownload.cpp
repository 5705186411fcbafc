// The HTTP download: one wpHttp item, an HTTP or HTTPS URL fetched into a local file.
#include "webcopy/WebCopy.h"

#include "platform/AtomicFileWriter.h"
#include "platform/HttpRequest.h"
#include "platform/InternetSession.h"
#include "platform/TickCount.h"
#include "webcopy/DateTime.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WcBase64.h"
#include "webcopy/WcLogin.h"
#include "webcopy/WebCopyIoError.h"

#include <QCoreApplication>

namespace {

constexpr qint64 ReadBlockSize = 4096;

TSystemTime SystemTimeOf(const THttpDate& date)
{
    TSystemTime time;
    time.wYear = static_cast<quint16>(date.Year);
    time.wMonth = static_cast<quint16>(date.Month);
    time.wDayOfWeek = static_cast<quint16>(date.DayOfWeek);
    time.wDay = static_cast<quint16>(date.Day);
    time.wHour = static_cast<quint16>(date.Hour);
    time.wMinute = static_cast<quint16>(date.Minute);
    time.wSecond = static_cast<quint16>(date.Second);
    time.wMilliseconds = static_cast<quint16>(date.Milliseconds);
    return time;
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
        QCoreApplication::processEvents();
        return !FCancelled;
    };
    return request;
}

bool TWebCopy::HttpDownload(int idx, const QString& url, const QString& displayURL, const QString& targetDir,
                            const QString& targetFilename, bool copyNewerOnly, TDateTime& fileDate, bool& noNewVersion,
                            TWebCopyAuthentication authenticate, QString userName, QString password)
{
    noNewVersion = false;
    const QString provisionalName = ExtractURLFileName(url);
    // The proxy's credentials go to the proxy through the session; the URL that events report
    // carries them as before, the request itself never does (the origin server must not see them).
    const QString reportedUrl = AddProxyCredentials(url);

    const QString shownName = displayURL.isEmpty() ? provisionalName : displayURL;
    QString fileLine = DlgFileLabel + QLatin1Char(' ') + FileLabelPrefix() + shownName;
    if (ShowServer)
        fileLine += QLatin1Char(' ') + DlgFromServerLabel + QLatin1Char(' ') + GetURLServer(url);
    SetFileLine(fileLine);
    QCoreApplication::processEvents();

    const QString promptCaption = QStringLiteral("Connect to ") + ExtractURLHost(url);
    if (authenticate == waAlways && (userName.isEmpty() || password.isEmpty())) {
        if (!ShowLoginPrompt(promptCaption, userName, password))
            return false;
    }

    std::unique_ptr<THttpRequest> request;
    for (;;) {
        request = NewHttpRequest();
        THttpRequestOptions options;
        options.Url = url;
        options.KeepAlive = HTTPKeepAliveAuthentication;
        if (!userName.isEmpty() || !password.isEmpty())
            options.Headers << QStringLiteral("Authorization: Basic ") + EncodeBase64(userName + QLatin1Char(':') + password);
        const bool opened = request && request->Open(options);
        QCoreApplication::processEvents();
        if (!opened) {
            if (OnURLNotFound)
                OnURLNotFound(this, reportedUrl);
            return false;
        }
        const int status = request->StatusCode();
        if (status == 401 && (authenticate == waAlways || authenticate == waAuto)) {
            request.reset();
            if (!ShowLoginPrompt(promptCaption, userName, password))
                return false;
            continue;
        }
        if (status >= 300) {
            request.reset();
            ReportError(status, QStringLiteral("Returned http error code ") + QString::number(status));
            return false;
        }
        break;
    }

    if (copyNewerOnly || OnFileDateCheck) {
        const TDateTime serverDate = SystemTimeToDateTimeOrNow(SystemTimeOf(request->LastModified()));
        if (OnFileDateCheck) {
            fileDate = serverDate;
            bool allow = true;
            OnFileDateCheck(this, idx, serverDate, allow);
            if (!allow)
                return false;
        } else {
            const bool newer = serverDate > fileDate;
            fileDate = serverDate;
            if (!newer) {
                noNewVersion = true;
                request.reset();
                if (OnNoNewFileFound)
                    OnNoNewFileFound(this, provisionalName, fileDate, serverDate);
                return false;
            }
        }
    }

    QString fileName = targetFilename;
    if (fileName.isEmpty()) {
        const QString finalUrl = request->FinalUrl();
        fileName = ExtractURLFileName(!finalUrl.isEmpty() && finalUrl != url ? finalUrl : url);
        if (AutoURLDecode)
            fileName = URLDecode(fileName);
        // A name from the other side never leaves the target directory.
        fileName = NeutraliseFileName(fileName);
    }
    QString targetPath = CombinePath(targetDir, fileName);
    FLastFile = targetPath;
    FLastDir = targetDir;
    if (fileName.isEmpty()) {
        ReportError(WebCopyErrors::CannotCreateTarget, QStringLiteral("Cannot create file ") + targetPath);
        return false;
    }
    if (!ApplyOverwriteRule(targetPath))
        return false;
    MakeDirectories(targetDir);
    TAtomicFileWriter writer;
    if (!writer.Open(targetPath)) {
        ReportError(WebCopyErrors::CannotCreateTarget, QStringLiteral("Cannot create file ") + targetPath);
        return false;
    }

    qint64 expected = request->ContentLength();
    if (expected == 0)
        expected = FItems.Items(idx)->FileSize;
    const quint32 startTick = TickCount();
    if (FForm)
        FForm->SetMarquee(expected == 0);

    bool result = false;
    char buffer[ReadBlockSize];
    qint64 received = 0;
    qint64 count = 0;
    do {
        count = request->Read(buffer, ReadBlockSize);
        if (count < 0) {
            if (FCancelled)
                break;
            // A body that breaks off is a failed download, not a short success.
            writer.Discard();
            ReportError(static_cast<int>(request->ErrorCode()), request->ErrorText());
            return false;
        }
        if (count > 0 && !writer.Write(buffer, count)) {
            writer.Discard();
            throw TWebCopyIoError(WebCopyErrors::WriteFailed, QStringLiteral("Error writing to destination file ") + targetPath);
        }
        received += count;
        ShowProgress(received, expected, startTick, DlgDwnload);
        if (count > 0)
            result = true;
    } while (count > 0 && !FCancelled);
    request.reset();

    if (FCancelled) {
        writer.Discard();
        return result;
    }
    if (!writer.Commit())
        throw TWebCopyIoError(WebCopyErrors::WriteFailed, QStringLiteral("Error writing to destination file ") + targetPath);
    return result;
}
