// The HTTP upload: one wpHttpUpload item, a local file sent by POST or PUT.
#include "webcopy/WebCopy.h"

#include "platform/HttpRequest.h"
#include "platform/LocalFileReader.h"
#include "platform/TickCount.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WebCopyIoError.h"

#include <QCoreApplication>

namespace {
constexpr qint64 SendBlockSize = 4096;
}

bool TWebCopy::HttpUpload(const QString& url, const QString& localDir, const QString& localFilename,
                          TWebCopyHTTPCommand command)
{
    const QString shownName = ExtractURLFileName(url);
    QString fileLine = DlgFileLabel + QLatin1Char(' ') + FileLabelPrefix() + shownName;
    if (ShowServer)
        fileLine += QLatin1Char(' ') + DlgFromServerLabel + QLatin1Char(' ') + GetURLServer(url);
    SetFileLine(fileLine);

    const QString localPath = CombinePath(localDir, localFilename.isEmpty() ? ExtractURLFileName(url) : localFilename);
    if (!FileExists(localPath))
        return false;
    QCoreApplication::processEvents();

    const std::unique_ptr<TLocalFileReader> file = TLocalFileReader::Open(localPath);
    TFileStatus status;
    if (!file || !file->Status(status))
        throw TWebCopyIoError(WebCopyErrors::ReadFailed, QStringLiteral("Error reading source file ") + localPath);

    // The URL is honoured as written: its scheme (TLS for https), its port and its path.
    const std::unique_ptr<THttpRequest> request = NewHttpRequest();
    if (!request) {
        ReportError(WebCopyErrors::CannotConnect, QStringLiteral("Cannot connect to server ") + GetURLServer(url));
        return false;
    }
    THttpRequestOptions options;
    options.Url = url;
    options.Method = command == hcPut ? QByteArrayLiteral("PUT") : QByteArrayLiteral("POST");
    options.UploadLength = status.Size;
    if (!request->Open(options)) {
        ReportError(static_cast<int>(request->ErrorCode()), request->ErrorText());
        return false;
    }

    const quint32 startTick = TickCount();
    char buffer[SendBlockSize];
    qint64 sent = 0;
    qint64 count = SendBlockSize;
    bool sendFailed = false;
    while (count == SendBlockSize && !FCancelled) {
        count = file->Read(buffer, SendBlockSize);
        if (count < 0)
            throw TWebCopyIoError(WebCopyErrors::ReadFailed, QStringLiteral("Error reading source file ") + localPath);
        if (count > 0 && !request->Write(buffer, count)) {
            sendFailed = true;
            break;
        }
        sent += count;
        ShowProgress(sent, status.Size, startTick, DlgUpload);
    }
    // A cancelled upload is abandoned: the server never takes the short body for a whole one.
    if (FCancelled && sent < status.Size)
        return false;
    if (!request->FinishUpload() && !sendFailed) {
        ReportError(static_cast<int>(request->ErrorCode()), request->ErrorText());
        return false;
    }
    const int answer = request->StatusCode();
    if (answer >= 300) {
        ReportError(answer, QStringLiteral("Returned http error code ") + QString::number(answer));
        return false;
    }
    if (sendFailed) {
        ReportError(static_cast<int>(request->ErrorCode()), request->ErrorText());
        return false;
    }
    return sent == status.Size;
}
