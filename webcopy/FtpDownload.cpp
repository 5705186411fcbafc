// The FTP download: one wpFtp item, or every listed match of a wpMultiFtp item.
#include "webcopy/WebCopy.h"

#include "webcopy/DateTime.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/TargetFolder.h"
#include "webcopy/UrlHelpers.h"

#include <QCoreApplication>

namespace {

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
    std::unique_ptr<TFtpConnection> own;
    // A listed name keeps the file line that the multi-file download wrote for it.
    TFtpConnection* connection =
        FtpStart(fromListing ? QString() : remoteName, DlgFromServerLabel, host, port, userName, password,
                 keepConnection, true, own);
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
        QString fileName = targetFilename.isEmpty() ? remoteName : targetFilename;
        // A name from the server's listing never leaves the target directory.
        if (fromListing)
            fileName = NeutraliseFileName(fileName, folder.MaxFileNameBytes(targetDir));
        qint64 received = 0;
        return ReceiveIntoTarget(
            folder, targetDir, fileName, QStringLiteral("Cannot create target file "), size,
            [&](char* buffer, qint64 max) { return connection->Read(buffer, max); },
            [&] {
                return TTransferResult::Error(WebCopyErrors::ReadFailed, QStringLiteral("Error reading from ") + url,
                                              connection->Reason());
            },
            received);
    });
    connection->CloseFile();
    leave();
    return result;
}

TTransferResult TWebCopy::MultiFtpDownload(const QString& userName, const QString& password, const QString& host,
                                           int port, const QString& url, const QString& targetDir,
                                           bool copyNewerOnly, TDateTime fileDate, bool& noNewVersion)
{
    noNewVersion = false;
    const QString path = BackslashToSlash(url);
    const QString pattern = ExtractURLFileName(path);
    // Always a login of its own, kept afterwards for the items that follow.
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection = FtpStart(pattern, DlgFromServerLabel, host, port, userName, password, true, false, own);
    if (!connection)
        return FtpConnectFailed(host);
    QString savedDir;
    if (path.contains(QLatin1Char('/'))) {
        savedDir = connection->CurrentDirectory();
        connection->ChangeDirectory(DirectoryPart(path));
    }
    std::vector<TFtpEntry> entries;
    connection->List(pattern, entries);

    for (int i = 0; i < int(entries.size()) && !FCancelled; ++i) {
        const QString& name = entries[size_t(i)].Name;
        ShowFileLine(name, DlgFromServerLabel, host);
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
