// The FTP upload: one wpFtpUpload item, or every local match of a wpMultiFtpUpload item.
#include "webcopy/WebCopy.h"

#include "platform/BufferedFileReader.h"
#include "platform/LocalFileReader.h"
#include "platform/TickCount.h"
#include "webcopy/DateTime.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/UrlHelpers.h"

#include <QCoreApplication>
#include <QDir>

namespace {

constexpr qint64 BlockSize = 4096;

} // namespace

TTransferResult TWebCopy::FtpUpload(int idx, const QString& userName, const QString& password, const QString& host,
                                    int port, const QString& source, const QString& remoteDir,
                                    const QString& remoteName, bool copyNewerOnly, TDateTime& fileDate,
                                    bool& noNewVersion, bool keepConnection)
{
    WriteLog(QStringLiteral("start ftp upload"));
    noNewVersion = false;
    FCancelled = false;
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection = FtpStart(ExtractURLFileName(source), DlgToServerLabel, host, port, userName, password,
                                          keepConnection, true, own);
    if (!connection)
        return FtpConnectFailed(host);
    WriteLog(QStringLiteral("connected to server:") + host);

    // A kept connection left in this directory stays there.
    const bool entered =
        remoteDir.isEmpty() || remoteDir == FPrevTarget || FtpEnterOrCreate(*connection, remoteDir, keepConnection);
    if (!entered) {
        const QString reason = connection->Reason();
        FtpLeave(own, keepConnection);
        return TTransferResult::Silent(reason);
    }
    QCoreApplication::processEvents();
    const QString name = remoteName.isEmpty() ? ExtractURLFileName(source) : remoteName;

    TTransferResult result = TTransferResult::Done();
    if (copyNewerOnly || OnFileDateCheck) {
        std::vector<TFtpEntry> entries;
        connection->List(name, entries);
        const auto found =
            std::find_if(entries.begin(), entries.end(), [&](const TFtpEntry& entry) { return entry.Name == name; });
        bool allow = true;
        if (found != entries.end() && OnCopyOverWrite)
            OnCopyOverWrite(this, name, allow);
        if (!allow) {
            result = TTransferResult::Skipped(QStringLiteral("Overwriting the existing file was refused"));
        } else if (found != entries.end()) {
            const TDateTime remoteDate = FtpListedDate(*found);
            if (OnFileDateCheck) {
                if (CheckSourceDate(idx, remoteDate, false, true, fileDate, noNewVersion, name, {}) != TDateCheck::Copy)
                    result = TTransferResult::Skipped(QStringLiteral("The date check refused the copy"));
            } else {
                // Here the server's copy is the one that may be newer: a later one is kept.
                const bool later = remoteDate > fileDate;
                fileDate = remoteDate;
                if (later) {
                    noNewVersion = true;
                    if (OnNoNewFileFound)
                        OnNoNewFileFound(this, name, fileDate, remoteDate);
                    result = TTransferResult::Skipped(QStringLiteral("The server's copy is newer"));
                }
            }
        }
    }
    if (result.Succeeded()) {
        result = SendFtpFile(*connection, source, name);
        // Neither a missing source nor a refused remote file gets to the end of the upload.
        if (result.Report == TFailureReport::URLNotFound || result.ErrorCode == WebCopyErrors::CannotOpenSource) {
            FtpLeave(own, keepConnection);
            return result;
        }
    }
    FtpLeave(own, keepConnection && !FCancelled);
    WriteLog(QStringLiteral("done ftp upload"));
    return result;
}

TTransferResult TWebCopy::SendFtpFile(TFtpConnection& connection, const QString& source, const QString& remoteName)
{
    QString openFailure;
    const std::unique_ptr<TLocalFileReader> reader = TLocalFileReader::Open(source, &openFailure);
    if (!reader) {
        if (OnURLNotFound && !FCancelled)
            OnURLNotFound(this, source);
        return TTransferResult::Error(WebCopyErrors::CannotOpenSource, QStringLiteral("Cannot open source file ") + source,
                                      openFailure);
    }
    // The file goes to a temporary name first, so a broken upload never replaces a good file.
    const QString partName = QLatin1Char('.') + remoteName + QStringLiteral(".part");
    if (!connection.OpenWrite(partName, FTPMode == fmASCII))
        return TTransferResult::URLNotFound(source, connection.Reason());
    QCoreApplication::processEvents();
    FLastFile = source;
    FLastDir = connection.CurrentDirectory();

    const qint64 size = GetFileSize64(source);
    const quint32 startTick = TickCount();
    WriteLog(QStringLiteral("start to upload file:") + source);
    WriteLog(QStringLiteral("filesize:") + QString::number(size));
    const auto giveUp = [&](const TTransferResult& failure) {
        connection.CloseFile();
        connection.Delete(partName);
        return failure;
    };
    const QString writeFailed = QStringLiteral("Error writing to FTP server ") + connection.Login().Host;
    TBufferedFileReader blocks(*reader);
    char buffer[BlockSize];
    qint64 sent = 0;
    qint64 count = 0;
    do {
        count = blocks.Read(buffer, BlockSize);
        if (count < 0)
            return giveUp(TTransferResult::IoError(WebCopyErrors::ReadFailed,
                                                   QStringLiteral("Error reading source file ") + source,
                                                   reader->Reason()));
        if (count > 0 && !connection.Write(buffer, count)) {
            if (FCancelled)
                return giveUp(TTransferResult::Cancelled());
            return giveUp(TTransferResult::Error(WebCopyErrors::WriteFailed, writeFailed, connection.Reason()));
        }
        sent += count;
        if (!LogfileName.isEmpty()) // no text to make per block when there is no log
            WriteLog(QStringLiteral("uploaded:") + QString::number(sent));
        ShowProgress(sent, size, startTick, DlgUpload, size == 0);
    } while (count > 0 && !FCancelled);

    if (FCancelled)
        return giveUp(TTransferResult::Cancelled());
    if (!connection.FinishWrite())
        return giveUp(TTransferResult::Error(WebCopyErrors::WriteFailed, writeFailed, connection.Reason()));
    WriteLog(QStringLiteral("done upload:") + QString::number(sent));
    if (!connection.Rename(partName, remoteName)) {
        const QString reason = connection.Reason();
        connection.Delete(partName);
        return TTransferResult::Error(WebCopyErrors::WriteFailed, writeFailed,
                                      QStringLiteral("The server refused to rename the upload to %1: %2")
                                          .arg(remoteName, reason));
    }
    return TTransferResult::Done();
}

bool TWebCopy::FtpEnterOrCreate(TFtpConnection& connection, const QString& remoteDir, bool keepConnection)
{
    FPrevTarget = keepConnection ? remoteDir : QString();
    if (connection.ChangeDirectory(remoteDir))
        return true;
    FPrevTarget.clear();
    // Every part is entered from where the connection is, also after a leading "/".
    for (const QString& part : BackslashToSlash(remoteDir).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (connection.ChangeDirectory(part))
            continue;
        if (!connection.MakeDirectory(part))
            return false;
        connection.ChangeDirectory(part);
    }
    return true;
}

TTransferResult TWebCopy::MultiFtpUpload(int idx, const QString& userName, const QString& password,
                                         const QString& host, int port, const QString& pattern,
                                         const QString& remoteDir, bool copyNewerOnly, TDateTime& fileDate,
                                         bool& noNewVersion, bool keepConnection)
{
    noNewVersion = false;
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection = FtpStart(ExtractURLFileName(pattern), DlgToServerLabel, host, port, userName, password,
                                          keepConnection, false, own);
    if (!connection)
        return FtpConnectFailed(host);
    if (!FtpEnterOrCreate(*connection, remoteDir, keepConnection)) {
        FtpLeave(own, keepConnection);
        return TTransferResult::Silent(QStringLiteral("The remote directory can be neither entered nor created: ")
                                       + remoteDir);
    }
    QCoreApplication::processEvents();
    const QFileInfo patternInfo(pattern);
    const QDir folder = patternInfo.dir();
    const QStringList names =
        folder.entryList({patternInfo.fileName()}, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDir::Unsorted);
    for (const QString& name : names) {
        if (FCancelled)
            break;
        const TTransferResult result = FtpUpload(idx, userName, password, host, port, folder.filePath(name), remoteDir,
                                                 name, copyNewerOnly, fileDate, noNewVersion, true);
        // One file's failure is told and the others go on.
        ReportResult(result);
        if (OnMultiFTPFileDone)
            OnMultiFTPFileDone(this, name);
    }
    FtpLeave(own, false);
    return TTransferResult::Done();
}
