#include "webcopy/MultiFtpUpload.h"

#include "webcopy/CopyRun.h"
#include "webcopy/FtpUpload.h"
#include "webcopy/MultiFileTally.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WebCopy.h"

#include <QDir>
#include <QFileInfo>

TTransferResult TMultiFtpUpload::Run(TCopyRun& run, TTransferJob& job)
{
    const TWebCopyItem& item = job.Item;
    TWebCopy& owner = run.Owner();
    job.NoNewVersion = false;
    if (TFtpSessions::HasLineBreak(item.TargetDir))
        return TFtpSessions::LineBreakRefused();
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection = run.Ftp().Start(ExtractURLFileName(item.URL), owner.DlgToServerLabel, item.FTPHost,
                                                 item.FTPPort, item.FTPUserID, item.FTPPassword, false, false, own);
    if (!connection)
        return run.Ftp().ConnectFailed(item.FTPHost);
    const TTransferResult entered = TFtpUpload::EnterOrCreate(run, *connection, item.TargetDir, false);
    if (!entered.Succeeded()) {
        run.Ftp().Leave(own, false);
        return entered;
    }
    run.ProcessEvents();
    const QFileInfo patternInfo(item.URL);
    const QDir folder = patternInfo.dir();
    const QStringList names = folder.entryList(
        {patternInfo.fileName()}, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    TMultiFileTally tally;
    for (const QString& name : names) {
        if (run.Cancelled())
            break;
        run.Log().Write(QStringLiteral("start ftp upload"));
        run.Rules().ShowFileLine(name, owner.DlgToServerLabel, item.FTPHost, true);
        // Every file is judged against the item's own date, not the previous file's.
        TTransferJob fileJob{job.Index, job.Item, item.FileDate, false};
        const TTransferResult result = TFtpUpload::Upload(run, fileJob, *connection, folder.filePath(name), name);
        run.Log().Write(QStringLiteral("done ftp upload"));
        job.NoNewVersion = job.NoNewVersion || fileJob.NoNewVersion;
        job.FileDate = fileJob.FileDate;
        tally.Add(result);
        // One file's failure is told and the others go on.
        run.ReportResult(result);
        if (result.Succeeded() && !run.Cancelled() && owner.OnMultiFTPFileDone)
            owner.OnMultiFTPFileDone(&owner, name);
    }
    run.Ftp().Leave(own, false);
    return tally.Result(run.Cancelled());
}
