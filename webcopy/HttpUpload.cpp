// The HTTP upload: one wpHttpUpload item, a local file sent by POST or PUT.
#include "webcopy/WebCopy.h"

#include "platform/BufferedFileReader.h"
#include "platform/HttpRequest.h"
#include "platform/LocalFileReader.h"
#include "platform/LocalFiles.h"
#include "platform/TickCount.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WcBase64.h"

#include <QCoreApplication>

namespace {
constexpr qint64 SendBlockSize = 4096;
}

TTransferResult TWebCopy::HttpUpload(const QString& url, const QString& localDir, const QString& localFilename,
                                     TWebCopyHTTPCommand command, const QString& userName, const QString& password)
{
    ShowFileLine(ExtractURLFileName(url), DlgFromServerLabel, RequestServer(url));
    ShowStatus(DlgConnecting + QLatin1Char(' ') + RequestServer(url) + QStringLiteral(" ..."));

    const QString localPath = CombinePath(localDir, localFilename.isEmpty() ? ExtractURLFileName(url) : localFilename);
    if (!FileExists(localPath) && !IsDirectory(localPath))
        return TTransferResult::Silent(QStringLiteral("The file to send does not exist: ") + localPath);
    // A directory, a pipe or a device is nothing to send (and opening a pipe could wait for good).
    if (!RegularFileExists(localPath))
        return TTransferResult::Error(WebCopyErrors::CannotOpenSource,
                                      QStringLiteral("Cannot open source file ") + localPath,
                                      QStringLiteral("Not a regular file"));
    QCoreApplication::processEvents();

    const QString readFailed = QStringLiteral("Error reading source file ") + localPath;
    QString openFailure;
    const std::unique_ptr<TLocalFileReader> file = TLocalFileReader::Open(localPath, &openFailure);
    TFileStatus status;
    if (!file || !file->Status(status))
        return TTransferResult::IoError(WebCopyErrors::ReadFailed, readFailed, file ? file->Reason() : openFailure);

    // The URL is honoured as written: its scheme (TLS for https), its port and its path.
    const std::unique_ptr<THttpRequest> request = NewHttpRequest();
    if (!request) {
        const QString message = QStringLiteral("Cannot connect to server ") + GetURLServer(url);
        return TTransferResult::Error(WebCopyErrors::CannotConnect, message);
    }
    if (FCancelled)
        return TTransferResult::Cancelled();
    THttpRequestOptions options;
    options.Url = url;
    options.Method = command == hcPut ? QByteArrayLiteral("PUT") : QByteArrayLiteral("POST");
    options.UploadLength = status.Size;
    if (!userName.isEmpty() || !password.isEmpty())
        options.Headers << QStringLiteral("Authorization: Basic ") + EncodeBase64(userName + QLatin1Char(':') + password);
    const auto clientFailure = [&] {
        TTransferResult result = TTransferResult::Error(static_cast<int>(request->ErrorCode()), request->ErrorText(),
                                                        request->Reason());
        result.HttpStatus = request->StatusCode();
        return result;
    };
    if (!request->Open(options))
        return FCancelled ? TTransferResult::Cancelled() : clientFailure();

    const quint32 startTick = TickCount();
    TBufferedFileReader blocks(*file);
    char buffer[SendBlockSize];
    qint64 sent = 0;
    qint64 count = SendBlockSize;
    bool sendFailed = false;
    while (count == SendBlockSize && !FCancelled) {
        count = blocks.Read(buffer, SendBlockSize);
        if (count < 0)
            return TTransferResult::IoError(WebCopyErrors::ReadFailed, readFailed, file->Reason());
        if (count > 0 && !request->Write(buffer, count)) {
            sendFailed = true;
            break;
        }
        sent += count;
        ShowProgress(sent, status.Size, startTick, DlgUpload);
    }
    // A cancelled upload is abandoned: the server never takes the short body for a whole one.
    if (FCancelled && sent < status.Size)
        return TTransferResult::Cancelled();
    if (!request->FinishUpload() && !sendFailed)
        return clientFailure();
    const int answer = request->StatusCode();
    if (answer >= 300) {
        TTransferResult result =
            TTransferResult::Error(answer, QStringLiteral("Returned http error code ") + QString::number(answer));
        result.HttpStatus = answer;
        return result;
    }
    if (sendFailed)
        return clientFailure();
    if (sent != status.Size)
        return TTransferResult::Silent(QStringLiteral("The file changed its size while it was sent"));
    TTransferResult result = TTransferResult::Done();
    result.HttpStatus = answer;
    return result;
}
