#include "webcopy/FtpUpload.h"

#include "platform/BufferedFileReader.h"
#include "platform/LocalFileReader.h"
#include "platform/TickCount.h"
#include "webcopy/CopyRun.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/TransferCause.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WebCopy.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>

namespace {

constexpr qint64 BlockSize = 4096;
// How long the removal of a broken upload's temporary file may take after a cancel.
constexpr qint64 CleanupLimitMs = 5000;

// The temporary name of one upload: unique, so two clients sending the same name never write
// into each other's file.
QString TemporaryRemoteName(const QString& remoteName)
{
    return QStringLiteral(".%1.%2.part")
        .arg(remoteName)
        .arg(QRandomGenerator::global()->generate64() & 0xffffffffffffULL, 12, 16, QLatin1Char('0'));
}

} // namespace

TTransferResult TFtpUpload::Run(TCopyRun& run, TTransferJob& job)
{
    const TWebCopyItem& item = job.Item;
    job.NoNewVersion = false;
    run.Log().Write(QStringLiteral("start ftp upload"));
    if (TFtpSessions::HasLineBreak(item.TargetDir) || TFtpSessions::HasLineBreak(item.TargetFilename))
        return TFtpSessions::LineBreakRefused();
    const QString name = item.TargetFilename.isEmpty() ? ExtractURLFileName(item.URL) : item.TargetFilename;
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection =
        run.Ftp().Start(ExtractURLFileName(item.URL), run.Owner().DlgToServerLabel, item.FTPHost, item.FTPPort,
                        item.FTPUserID, item.FTPPassword, false, true, own);
    if (!connection)
        return run.Ftp().ConnectFailed(item.FTPHost);
    run.Log().Write(QStringLiteral("connected to server:") + item.FTPHost);

    // A kept connection left in this directory stays there.
    if (!item.TargetDir.isEmpty() && item.TargetDir != run.Ftp().KeptDirectory) {
        const TTransferResult entered = EnterOrCreate(run, *connection, item.TargetDir, false);
        if (!entered.Succeeded()) {
            run.Ftp().Leave(own, false);
            return entered;
        }
    }
    run.ProcessEvents();
    const TTransferResult result = Upload(run, job, *connection, item.URL, name);
    run.Ftp().Leave(own, false);
    run.Log().Write(QStringLiteral("done ftp upload"));
    return result;
}

TTransferResult TFtpUpload::EnterOrCreate(TCopyRun& run, TFtpConnection& connection, const QString& remoteDir,
                                          bool keepConnection)
{
    run.Ftp().KeptDirectory = keepConnection ? remoteDir : QString();
    if (connection.ChangeDirectory(remoteDir))
        return TTransferResult::Done();
    run.Ftp().KeptDirectory.clear();
    // Every part is entered from where the connection is, also after a leading "/".
    for (const QString& part : BackslashToSlash(remoteDir).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (connection.ChangeDirectory(part))
            continue;
        if (!connection.MakeDirectory(part) || !connection.ChangeDirectory(part))
            return TTransferResult::Error(TFtpSessions::CauseOf(connection, TTransferCause::ServerRefused),
                                          WebCopyErrors::WriteFailed,
                                          QStringLiteral("Cannot create the remote directory ") + remoteDir,
                                          connection.Reason());
    }
    return TTransferResult::Done();
}

TTransferResult TFtpUpload::Upload(TCopyRun& run, TTransferJob& job, TFtpConnection& connection,
                                   const QString& source, const QString& remoteName)
{
    const TWebCopyItem& item = job.Item;
    TFtpEntry existing;
    if (connection.Stat(remoteName, existing)) {
        // A file the server would not let us write is not replaced by a rename either.
        if (existing.Writable == false)
            return TTransferResult::Error(TTransferCause::ServerRefused, WebCopyErrors::WriteFailed,
                                          QStringLiteral("Error writing to FTP server ") + connection.Login().Host,
                                          QStringLiteral("The remote file %1 may not be written (it is read-only)")
                                              .arg(remoteName));
        if (run.Rules().DatesMatter(item.CopyNewerOnly)) {
            if (!run.Rules().AllowOverwrite(remoteName))
                return TTransferResult::Skipped(QStringLiteral("Overwriting the existing file was refused"));
            const TTransferRules::TDateCheck check = run.Rules().CheckServerCopyDate(
                job.Index, TFtpSessions::ListedDate(existing), job.FileDate, job.NoNewVersion, remoteName);
            if (check != TTransferRules::TDateCheck::Copy)
                return TTransferRules::Skip(check, QStringLiteral("The server's copy is newer"));
        }
    }
    return Send(run, connection, source, remoteName);
}

TTransferResult TFtpUpload::Send(TCopyRun& run, TFtpConnection& connection, const QString& source,
                                 const QString& remoteName)
{
    QString openFailure;
    const std::unique_ptr<TLocalFileReader> reader = TLocalFileReader::Open(source, &openFailure);
    TFileStatus status;
    if (!reader || !reader->Status(status)) {
        TTransferResult result = TTransferResult::URLNotFound(TTransferCause::SourceUnreadable, source,
                                                              reader ? reader->Reason() : openFailure);
        result.ErrorCode = WebCopyErrors::CannotOpenSource;
        return result;
    }
    // The file goes to a temporary name first, so a broken upload never replaces a good file.
    const QString partName = TemporaryRemoteName(remoteName);
    const bool ascii = run.Owner().FTPMode == fmASCII;
    if (!connection.OpenWrite(partName, ascii))
        return TFtpSessions::NotFound(connection, source, TTransferCause::ServerRefused);
    run.ProcessEvents();
    run.SetLastFile(source, connection.CurrentDirectory());

    const qint64 size = status.Size;
    const quint32 startTick = TickCount();
    TTransferLog& log = run.Log();
    log.Write(QStringLiteral("start to upload file:") + source);
    log.Write(QStringLiteral("filesize:") + QString::number(size));
    const auto giveUp = [&](const TTransferResult& failure) {
        // The temporary file goes also after a cancel: its removal is not cancelled with the
        // upload, only bounded in time.
        QElapsedTimer cleanup;
        cleanup.start();
        const std::function<bool()> wait = connection.OnWait;
        connection.OnWait = [&] {
            run.ProcessEvents();
            return cleanup.elapsed() < CleanupLimitMs;
        };
        connection.CloseFile();
        connection.Delete(partName);
        connection.OnWait = wait;
        return failure;
    };
    const QString writeFailed = QStringLiteral("Error writing to FTP server ") + connection.Login().Host;
    const auto sendFailure = [&] {
        return TTransferResult::Error(TFtpSessions::CauseOf(connection, TTransferCause::ConnectionBroken),
                                      WebCopyErrors::WriteFailed, writeFailed, connection.Reason());
    };
    TBufferedFileReader blocks(*reader);
    const char* block = nullptr;
    qint64 sent = 0;
    qint64 count = 0;
    do {
        count = blocks.Next(block, BlockSize);
        if (count < 0)
            return giveUp(TTransferResult::IoError(TTransferCause::SourceUnreadable, WebCopyErrors::ReadFailed,
                                                   QStringLiteral("Error reading source file ") + source,
                                                   reader->Reason()));
        if (count > 0 && !connection.Write(block, count))
            return giveUp(run.Cancelled() ? TTransferResult::Cancelled() : sendFailure());
        sent += count;
        if (log.Enabled()) // no text to make per block when there is no log
            log.Write(QStringLiteral("uploaded:") + QString::number(sent));
        run.ShowProgress(sent, size, startTick, run.Owner().DlgUpload, size == 0);
    } while (count > 0 && !run.Cancelled());

    if (run.Cancelled())
        return giveUp(TTransferResult::Cancelled());
    // A source that ended short of the size it had at the start is no copy of it.
    if (sent < size)
        return giveUp(TTransferResult::Error(
            TTransferCause::SourceChanged, WebCopyErrors::ReadFailed,
            QStringLiteral("Error reading source file ") + source,
            QStringLiteral("The source file changed during the upload: it ended after %1 of %2 bytes")
                .arg(sent)
                .arg(size)));
    if (!connection.FinishWrite())
        return giveUp(sendFailure());
    log.Write(QStringLiteral("done upload:") + QString::number(sent));
    if (!connection.Rename(partName, remoteName)) {
        const QString reason = connection.Reason();
        connection.Delete(partName);
        return TTransferResult::Error(TTransferCause::ServerRefused, WebCopyErrors::WriteFailed, writeFailed,
                                      QStringLiteral("The server refused to rename the upload to %1: %2")
                                          .arg(remoteName, reason));
    }
    return TTransferResult::Done();
}
