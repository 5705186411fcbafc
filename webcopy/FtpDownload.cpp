// The FTP download: one wpFtp item, or every listed match of a wpMultiFtp item.
#include "webcopy/WebCopy.h"

#include "platform/TickCount.h"
#include "webcopy/DateTime.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/TargetFolder.h"
#include "webcopy/UrlHelpers.h"

#include <QCoreApplication>

namespace {

constexpr qint64 BlockSize = 4096;

// The directory part of a remote path, up to and including its last "/".
QString DirectoryPart(const QString& path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

TTransferResult TWebCopy::FtpDownload(int idx, const QString& userName, const QString& password, const QString& host,
                                      int port, const QString& url, const QString& targetDir,
                                      const QString& targetFilename, bool copyNewerOnly, TDateTime& fileDate,
                                      bool& noNewVersion, bool keepConnection, bool fromListing)
{
    FCancelled = false;
    noNewVersion = false;
    const QString remoteName = fromListing ? url : ExtractURLFileName(url);
    if (!fromListing)
        ShowFileLine(remoteName, DlgFromServerLabel, host);

    QCoreApplication::processEvents();
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection = FtpConnect(host, port, userName, password, keepConnection, true, own);
    QCoreApplication::processEvents();
    if (!connection)
        return FtpConnectFailed(host);

    // A listed name is fetched from the directory the listing was made in, whatever it holds.
    QString savedDir;
    if (!fromListing && url.contains(QLatin1Char('/'))) {
        savedDir = connection->CurrentDirectory();
        connection->ChangeDirectory(DirectoryPart(url));
    }
    bool left = false;
    const auto leave = [&] {
        if (left)
            return;
        left = true;
        if (keepConnection && !savedDir.isEmpty())
            connection->ChangeDirectory(savedDir);
        FtpLeave(own, keepConnection);
    };

    std::vector<TFtpEntry> entries;
    const bool listed = connection->List(remoteName, entries);
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const TFtpEntry& entry) { return entry.Name == remoteName; });
    if (!listed || found == entries.end() || found->IsDirectory) {
        const QString reason = !listed ? connection->Reason()
            : found == entries.end()   ? QStringLiteral("The server does not list ") + remoteName
                                       : remoteName + QStringLiteral(" is a directory");
        leave();
        return TTransferResult::URLNotFound(url, reason);
    }
    if (copyNewerOnly || OnFileDateCheck) {
        const TDateCheck check = CheckSourceDate(idx, FtpListedDate(*found), copyNewerOnly, true, fileDate, noNewVersion,
                                                 remoteName, leave);
        if (check != TDateCheck::Copy) {
            leave();
            return TTransferResult::Skipped(check == TDateCheck::Refused
                                                ? QStringLiteral("The date check refused the copy")
                                                : QStringLiteral("The server's copy is not newer"));
        }
    }

    QCoreApplication::processEvents();
    if (!connection->OpenRead(remoteName, FTPMode == fmASCII)) {
        const QString reason = connection->Reason();
        leave();
        if (FCancelled)
            return TTransferResult::Cancelled();
        return TTransferResult::URLNotFound(url, reason);
    }
    QCoreApplication::processEvents();
    const qint64 size = found->Size;
    const TTransferResult result = InTargetFolder(targetDir, {}, {}, [&](TTargetFolder& folder) {
        return ReceiveFtpFile(*connection, url, remoteName, size, targetDir, targetFilename, fromListing, folder);
    });
    connection->CloseFile();
    leave();
    return result;
}

TTransferResult TWebCopy::ReceiveFtpFile(TFtpConnection& connection, const QString& url, const QString& remoteName,
                                         qint64 size, const QString& targetDir, const QString& targetFilename,
                                         bool fromListing, TTargetFolder& folder)
{
    QString fileName = targetFilename.isEmpty() ? remoteName : targetFilename;
    // A name from the server's listing never leaves the target directory.
    if (fromListing)
        fileName = NeutraliseFileName(fileName, folder.MaxFileNameBytes(targetDir));
    QString targetPath = CombinePath(targetDir, fileName);
    FLastFile = targetPath;
    FLastDir = targetDir;
    const QString cannotCreate = QStringLiteral("Cannot create target file ") + targetPath;
    if (fileName.isEmpty())
        return TTransferResult::Error(WebCopyErrors::CannotCreateTarget, cannotCreate,
                                      QStringLiteral("The server's file name is not a usable local name: ") + remoteName);
    if (!ApplyOverwriteRule(targetPath, folder))
        return TTransferResult::Skipped(QStringLiteral("Overwriting the existing file was refused"));
    folder.MakeParentDirectories(targetPath);
    const std::unique_ptr<TFileWriter> writer = folder.CreateWriter(targetPath);
    if (!writer)
        return TTransferResult::Error(WebCopyErrors::CannotCreateTarget, cannotCreate, folder.Reason());

    const quint32 startTick = TickCount();
    SetMarquee(size == 0);
    const QString writeFailed = QStringLiteral("Error writing to destination file ") + targetPath;
    char buffer[BlockSize];
    qint64 received = 0;
    qint64 count = 0;
    do {
        QCoreApplication::processEvents();
        count = connection.Read(buffer, BlockSize);
        if (count < 0) {
            writer->Discard();
            if (FCancelled)
                return TTransferResult::Cancelled();
            // A transfer that breaks off is a failure, and leaves no partial file.
            return TTransferResult::Error(WebCopyErrors::ReadFailed, QStringLiteral("Error reading from ") + url,
                                          connection.Reason());
        }
        if (count > 0 && !writer->Write(buffer, count)) {
            writer->Discard();
            return TTransferResult::IoError(WebCopyErrors::WriteFailed, writeFailed, writer->Reason());
        }
        received += count;
        ShowProgress(received, size, startTick, DlgDwnload);
    } while (count > 0 && !FCancelled);

    if (FCancelled) {
        writer->Discard();
        return TTransferResult::Cancelled();
    }
    if (!writer->Commit())
        return TTransferResult::IoError(WebCopyErrors::WriteFailed, writeFailed, writer->Reason());
    return TTransferResult::Done();
}

TTransferResult TWebCopy::MultiFtpDownload(const QString& userName, const QString& password, const QString& host,
                                           int port, const QString& url, const QString& targetDir,
                                           bool copyNewerOnly, TDateTime fileDate, bool& noNewVersion)
{
    noNewVersion = false;
    const QString path = BackslashToSlash(url);
    const QString pattern = ExtractURLFileName(path);
    ShowFileLine(pattern, DlgFromServerLabel, host);

    QCoreApplication::processEvents();
    // Always a login of its own, kept afterwards for the items that follow.
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection = FtpConnect(host, port, userName, password, true, false, own);
    if (!connection)
        return FtpConnectFailed(host);
    QCoreApplication::processEvents();
    QString savedDir;
    if (path.contains(QLatin1Char('/'))) {
        savedDir = connection->CurrentDirectory();
        connection->ChangeDirectory(DirectoryPart(path));
    }
    std::vector<TFtpEntry> entries;
    connection->List(pattern, entries);

    const int total = int(entries.size());
    for (int i = 0; i < total && !FCancelled; ++i) {
        const QString& name = entries[size_t(i)].Name;
        ShowFileLine(QStringLiteral("%1 %2 %3 : %4").arg(i + 1).arg(DlgFileOfLabel).arg(total).arg(name),
                     DlgFromServerLabel, host);
        TDateTime date = fileDate;
        const TTransferResult result = FtpDownload(i, userName, password, host, port, name, targetDir, name,
                                                   copyNewerOnly, date, noNewVersion, true, true);
        // One name's failure is told and the others go on.
        ReportResult(result);
        if (OnMultiFTPFileDone)
            OnMultiFTPFileDone(this, name);
        connection = FFTPconnect.get();
    }
    if (connection && !savedDir.isEmpty())
        connection->ChangeDirectory(savedDir);
    return TTransferResult::Done();
}
