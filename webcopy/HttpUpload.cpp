#include "webcopy/HttpUpload.h"

#include "platform/BufferedFileReader.h"
#include "platform/HttpRequest.h"
#include "platform/InternetErrors.h"
#include "platform/LocalFileReader.h"
#include "platform/LocalFiles.h"
#include "platform/TickCount.h"
#include "webcopy/CopyRun.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/ProgressReporter.h"
#include "webcopy/TransferCause.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/HttpDownload.h"
#include "webcopy/WebCopy.h"

#include <optional>

namespace {
constexpr qint64 SendBlockSize = 4096;
}

TTransferResult THttpUpload::Run(TCopyRun& run, TTransferJob& job)
{
    const TWebCopyItem& item = job.Item;
    const QString& url = item.URL;
    const TWebCopy& owner = run.Owner();
    run.Rules().ShowFileLine(ExtractURLFileName(url), owner.DlgToServerLabel, TWebCopy::RequestServer(url));
    run.Progress().ShowStatus(owner.DlgConnecting + QLatin1Char(' ') + TWebCopy::RequestServer(url)
                              + QStringLiteral(" ..."));

    const QString localPath =
        CombinePath(item.TargetDir, item.TargetFilename.isEmpty() ? ExtractURLFileName(url) : item.TargetFilename);
    if (!FileExists(localPath) && !IsDirectory(localPath))
        return TTransferResult::Silent(QStringLiteral("The file to send does not exist: ") + localPath,
                                       TTransferCause::NotFound);
    // A directory, a pipe or a device is nothing to send (and opening a pipe could wait for good).
    if (!RegularFileExists(localPath))
        return TTransferResult::Error(TTransferCause::NotRegularFile, WebCopyErrors::CannotOpenSource,
                                      QStringLiteral("Cannot open source file ") + localPath,
                                      QStringLiteral("Not a regular file"));
    run.ProcessEvents();
    // A proxy that wants a login gets one from the host or the user, and the file goes again
    // from its start.
    for (;;) {
        if (std::optional<TTransferResult> result = Attempt(run, item, localPath))
            return *result;
    }
}

std::optional<TTransferResult> THttpUpload::Attempt(TCopyRun& run, const TWebCopyItem& item, const QString& localPath)
{
    const QString& url = item.URL;
    const TWebCopy& owner = run.Owner();
    const QString readFailed = QStringLiteral("Error reading source file ") + localPath;
    QString openFailure;
    const std::unique_ptr<TLocalFileReader> file = TLocalFileReader::Open(localPath, &openFailure);
    TFileStatus status;
    if (!file || !file->Status(status))
        return TTransferResult::IoError(TTransferCause::SourceUnreadable, WebCopyErrors::ReadFailed, readFailed,
                                        file ? file->Reason() : openFailure);

    // The URL is honoured as written: its scheme (TLS for https), its port and its path.
    const std::unique_ptr<THttpRequest> request = run.NewHttpRequest();
    if (!request) {
        const QString message = QStringLiteral("Cannot connect to server ") + GetURLServer(url);
        return TTransferResult::Error(TTransferCause::InternalError, WebCopyErrors::CannotConnect, message);
    }
    if (run.Cancelled())
        return TTransferResult::Cancelled();
    THttpRequestOptions options;
    options.Url = url;
    options.Method = item.HTTPCommand == hcPut ? QByteArrayLiteral("PUT") : QByteArrayLiteral("POST");
    options.UploadLength = status.Size;
    options.UserName = item.HTTPUserID;
    options.Password = item.HTTPPassword;
    const auto clientFailure = [&] {
        TTransferResult result =
            TTransferResult::Error(CauseOfRequestFailure(*request),
                                   static_cast<int>(request->ErrorCode()), request->ErrorText(), request->Reason());
        result.HttpStatus = request->StatusCode();
        return result;
    };
    if (!request->Open(options)) {
        if (run.Cancelled())
            return TTransferResult::Cancelled();
        return run.LoginToProxy(*request) ? std::nullopt : std::optional(clientFailure());
    }

    const quint32 startTick = TickCount();
    TBufferedFileReader blocks(*file);
    const char* block = nullptr;
    qint64 sent = 0;
    qint64 count = SendBlockSize;
    bool sendFailed = false;
    while (count == SendBlockSize && !run.Cancelled()) {
        count = blocks.Next(block, SendBlockSize);
        if (count < 0)
            return TTransferResult::IoError(TTransferCause::SourceUnreadable, WebCopyErrors::ReadFailed, readFailed,
                                            file->Reason());
        if (count > 0 && !request->Write(block, count)) {
            sendFailed = true;
            break;
        }
        sent += count;
        run.ShowProgress(sent, status.Size, startTick, owner.DlgUpload);
    }
    // A cancelled upload is abandoned: the server never takes the short body for a whole one.
    if (run.Cancelled() && sent < status.Size)
        return TTransferResult::Cancelled();
    // A proxy that stopped the upload is told as the proxy's failure, not as the server's status.
    if (!request->FinishUpload() && (!sendFailed || request->ErrorCode() == ieProxyFailure))
        return run.LoginToProxy(*request) ? std::nullopt : std::optional(clientFailure());
    const int answer = request->StatusCode();
    if (answer >= 300)
        return THttpDownload::StatusFailure(*request);
    if (sendFailed)
        return clientFailure();
    if (sent != status.Size)
        return TTransferResult::Silent(QStringLiteral("The file changed its size while it was sent"),
                                       TTransferCause::SourceChanged);
    TTransferResult result = TTransferResult::Done();
    result.HttpStatus = answer;
    return result;
}
