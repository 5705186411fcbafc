#include "webcopy/FtpDelete.h"

#include "webcopy/CopyRun.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WebCopy.h"

TTransferResult TFtpDelete::Run(TCopyRun& run, TTransferJob& job)
{
    const TWebCopyItem& item = job.Item;
    TWebCopy& owner = run.Owner();
    if (TFtpSessions::HasLineBreak(item.URL) || TFtpSessions::HasLineBreak(item.TargetDir)
        || TFtpSessions::HasLineBreak(item.TargetFilename))
        return TFtpSessions::LineBreakRefused();
    const QString path = BackslashToSlash(item.URL);
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection = run.Ftp().Start(ExtractURLFileName(path), owner.DlgToServerLabel, item.FTPHost,
                                                 item.FTPPort, item.FTPUserID, item.FTPPassword, false, true, own);
    if (!connection)
        return run.Ftp().ConnectFailed(item.FTPHost);
    const auto refused = [&](TTransferCause cause) {
        TTransferResult result = TTransferResult::Silent(connection->Reason(), TFtpSessions::CauseOf(*connection, cause));
        run.Ftp().Leave(own, false);
        if (owner.OnRemovedFileFailed)
            owner.OnRemovedFileFailed(&owner, job.Index);
        return result;
    };

    const QString directory = item.TargetDir.isEmpty() ? TFtpSessions::DirectoryPart(path) : item.TargetDir;
    if (!directory.isEmpty() && directory != run.Ftp().KeptDirectory) {
        run.Ftp().KeptDirectory.clear();
        if (!connection->ChangeDirectory(directory))
            return refused(TTransferCause::DirectoryNotFound);
    }
    run.ProcessEvents();
    const QString name = item.TargetFilename.isEmpty() ? ExtractURLFileName(path) : item.TargetFilename;
    if (!connection->Delete(name))
        return refused(TTransferCause::ServerRefused);
    if (owner.OnRemovedFile)
        owner.OnRemovedFile(&owner, job.Index);
    run.ProcessEvents();
    run.Ftp().Leave(own, false);
    return TTransferResult::Done();
}
