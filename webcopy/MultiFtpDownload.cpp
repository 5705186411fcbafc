#include "webcopy/MultiFtpDownload.h"

#include "webcopy/CopyRun.h"
#include "webcopy/FtpDownload.h"
#include "webcopy/MultiFileTally.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/TransferLogLine.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WebCopy.h"

TTransferResult TMultiFtpDownload::Run(TCopyRun& run, TTransferJob& job)
{
    const TWebCopyItem& item = job.Item;
    TWebCopy& owner = run.Owner();
    job.NoNewVersion = false;
    if (TFtpSessions::HasLineBreak(item.URL))
        return TFtpSessions::LineBreakRefused();
    const QString path = BackslashToSlash(item.URL);
    const QString pattern = ExtractURLFileName(path);
    // Always a login of its own, kept afterwards for the items that follow.
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection = run.Ftp().Start(pattern, owner.DlgFromServerLabel, item.FTPHost, item.FTPPort,
                                                 item.FTPUserID, item.FTPPassword, true, false, own);
    if (!connection)
        return run.Ftp().ConnectFailed(item.FTPHost);
    const QString directory = TFtpSessions::DirectoryPart(path);
    const QString savedDir = connection->CurrentDirectory();
    if (!directory.isEmpty() && !connection->ChangeDirectory(directory))
        return TFtpSessions::NotFound(*connection, item.URL, TTransferCause::DirectoryNotFound);

    // One listing for the whole item: each file is fetched from what it said.
    std::vector<TFtpEntry> entries;
    if (!connection->List(pattern, entries))
        return TFtpSessions::NotFound(*connection, item.URL, TTransferCause::ServerRefused);

    TMultiFileTally tally;
    // A listed name that the server cannot be asked for is never shortened into another one.
    for (const QString& name : connection->SkippedNames()) {
        const TTransferResult skipped =
            TTransferResult::URLNotFound(TTransferCause::InvalidUrl, directory + TransferLogText(name),
                                         QStringLiteral("The server lists a name that cannot be asked for: ")
                                             + TransferLogText(name));
        tally.Add(skipped);
        run.ReportResult(skipped);
    }
    for (const TFtpEntry& entry : entries) {
        if (run.Cancelled())
            break;
        if (entry.IsDirectory)
            continue;
        run.Rules().ShowFileLine(entry.Name, owner.DlgFromServerLabel, item.FTPHost);
        // Every file is judged against the item's own date, not the previous file's.
        TTransferJob fileJob{job.Index, job.Item, item.FileDate, false};
        TTransferResult result =
            TFtpDownload::Fetch(run, fileJob, *connection, entry, directory + entry.Name, entry.Name, true);
        job.NoNewVersion = job.NoNewVersion || fileJob.NoNewVersion;
        job.FileDate = fileJob.FileDate;
        tally.Add(result);
        // One name's failure is told and the others go on.
        run.ReportResult(result);
        if (result.Succeeded() && !run.Cancelled() && owner.OnMultiFTPFileDone)
            owner.OnMultiFTPFileDone(&owner, entry.Name);
    }
    if (!directory.isEmpty())
        connection->ChangeDirectory(savedDir);
    return tally.Result(run.Cancelled());
}
