#include "webcopy/FtpDownload.h"

#include "platform/FtpConnection.h"
#include "platform/SmbShare.h"
#include "webcopy/CopyRun.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/ResumeIdentity.h"
#include "webcopy/TargetFolder.h"
#include "webcopy/TargetWrite.h"
#include "webcopy/TransferCause.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WebCopy.h"

#include <algorithm>

TTransferResult TFtpDownload::Run(TCopyRun& run, TTransferJob& job)
{
    const TWebCopyItem& item = job.Item;
    const QString& url = item.URL;
    job.NoNewVersion = false;
    if (TFtpSessions::HasLineBreak(url))
        return TFtpSessions::LineBreakRefused();
    if (!TTransferRules::TargetNameStaysInside(item.TargetFilename))
        return TTransferRules::TargetNameRefused(item.TargetFilename);
    const QString remoteName = ExtractURLFileName(url);
    const bool keepConnection = run.Owner().KeepConnection(job.Index);
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection = run.Ftp().Start(remoteName, run.Owner().DlgFromServerLabel, item.FTPHost,
                                                 item.FTPPort, item.FTPUserID, item.FTPPassword, keepConnection,
                                                 true, own);
    if (!connection)
        return run.Ftp().ConnectFailed(item.FTPHost);

    // The file comes from the directory its URL names or from none: a directory that cannot be
    // entered is never stood in for by the one the connection happens to be in.
    const QString directory = TFtpSessions::DirectoryPart(url);
    const QString savedDir = connection->CurrentDirectory();
    const auto leave = [&] {
        if (keepConnection && !directory.isEmpty())
            connection->ChangeDirectory(savedDir);
        run.Ftp().Leave(own, keepConnection);
    };
    if (!directory.isEmpty() && !connection->ChangeDirectory(directory)) {
        TTransferResult result = TFtpSessions::NotFound(*connection, url, TTransferCause::DirectoryNotFound);
        leave();
        return result;
    }

    // By its exact name: "setup[1].exe" is a name, not a pattern.
    TFtpEntry entry;
    if (!connection->Stat(remoteName, entry) || entry.IsDirectory) {
        TTransferResult result = entry.IsDirectory
            ? TTransferResult::URLNotFound(TTransferCause::NotFound, url, remoteName + QStringLiteral(" is a directory"))
            : TFtpSessions::NotFound(*connection, url, TTransferCause::NotFound);
        leave();
        return result;
    }
    const TTransferResult result =
        Fetch(run, job, *connection, entry, url, item.TargetFilename.isEmpty() ? remoteName : item.TargetFilename,
              false);
    leave();
    return result;
}

TTransferResult TFtpDownload::Fetch(TCopyRun& run, TTransferJob& job, TFtpConnection& connection,
                                    const TFtpEntry& entry, const QString& url, const QString& localName,
                                    bool fromListing)
{
    const TWebCopyItem& item = job.Item;
    if (run.Rules().DatesMatter(item.CopyNewerOnly)) {
        const TTransferRules::TDateCheck check =
            run.Rules().CheckSourceDate(job.Index, TFtpSessions::ListedDate(entry), item.CopyNewerOnly, true,
                                        job.FileDate, job.NoNewVersion, entry.Name);
        if (check != TTransferRules::TDateCheck::Copy)
            return TTransferRules::Skip(check, QStringLiteral("The server's copy is not newer"));
    }

    run.ProcessEvents();
    const bool ascii = run.Owner().FTPMode == fmASCII;
    // A part kept by an earlier attempt is continued (REST) when the server lists the same file:
    // same size and time. Text transfers and the files of a listing start afresh.
    TResumeIdentity identity;
    identity.Source = url;
    identity.LastModified = entry.Modified.isValid() ? entry.Modified.toString(Qt::ISODateWithMs) : QString();
    identity.Length = entry.Size;
    const bool resumable =
        run.Owner().Resume && !fromListing && !ascii && !TSmbShare::LooksLikeSharePath(item.TargetDir);
    TKeptPart kept = resumable ? TKeptPart::Find(CombinePath(item.TargetDir, localName)) : TKeptPart();
    if (!kept.Identity.SameFileAs(identity))
        kept = {};
    // The listed size saves asking for it again before every file.
    bool opened = connection.OpenRead(entry.Name, ascii, kept.Size, entry.Size);
    if (!opened && kept.Size > 0 && connection.ResumeRefused() && !run.Cancelled()) {
        // A server without REST sends the whole file.
        kept = {};
        opened = connection.OpenRead(entry.Name, ascii, 0, entry.Size);
    }
    if (!opened) {
        if (run.Cancelled())
            return TTransferResult::Cancelled();
        return TFtpSessions::NotFound(connection, url, TTransferCause::NotFound);
    }
    run.ProcessEvents();
    TResumeStart resume;
    if (resumable) {
        resume = [&](TFileWriter& writer) -> std::optional<qint64> {
            if (kept.Size == 0) {
                writer.Restart(identity.IsUsable() ? identity.ToText() : QByteArray());
                return 0;
            }
            // Another run changed the part since it was looked at.
            if (writer.KeptSize() != kept.Size || writer.KeptInfo() != kept.Info)
                return std::nullopt;
            run.Log().Write(QStringLiteral("resume ftp download of %1 at byte %2 of %3")
                                .arg(url)
                                .arg(kept.Size)
                                .arg(identity.Length));
            return kept.Size;
        };
    }
    const qint64 size = std::max<qint64>(entry.Size, 0) - kept.Size;
    const TTransferResult result = run.InTargetFolder(item.TargetDir, {}, {}, [&](TTargetFolder& folder) {
        qint64 received = 0;
        const QString fileName =
            fromListing ? NeutraliseFileName(localName, folder.MaxFileNameBytes(item.TargetDir)) : localName;
        return ReceiveIntoTarget(
            run, folder, item.TargetDir, fileName, QStringLiteral("Cannot create target file "), size,
            [&](char* buffer, qint64 max) { return connection.Read(buffer, max); },
            [&] {
                return TTransferResult::Error(TFtpSessions::CauseOf(connection, TTransferCause::ConnectionBroken),
                                              WebCopyErrors::ReadFailed, QStringLiteral("Error reading from ") + url,
                                              connection.Reason());
            },
            // A checksum names one file: it has no meaning for the files of a listing.
            received, false, fromListing ? QString() : item.ExpectedSha256, resume);
    });
    connection.CloseFile();
    return result;
}
