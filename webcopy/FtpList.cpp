#include "webcopy/FtpList.h"

#include "webcopy/CopyRun.h"
#include "webcopy/DateTime.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WebCopy.h"

namespace {

// Attribute bits of a listed entry.
constexpr quint32 DirectoryAttribute = 0x10;
constexpr quint32 NormalAttribute = 0x80;

} // namespace

TTransferResult TFtpList::Run(TCopyRun& run, TTransferJob& job)
{
    TWebCopyItem& item = job.Item;
    job.NoNewVersion = false;
    // The item's lists are there after every run, empty when nothing could be listed.
    item.FFileList = std::make_unique<QStringList>();
    item.FFileDetails = std::make_unique<TFileDetailItems>();
    if (TFtpSessions::HasLineBreak(item.URL))
        return TFtpSessions::LineBreakRefused();
    const QString path = BackslashToSlash(item.URL);
    const QString pattern = ExtractURLFileName(path);
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection = run.Ftp().Start(pattern, run.Owner().DlgFromServerLabel, item.FTPHost, item.FTPPort,
                                                 item.FTPUserID, item.FTPPassword, false, false, own);
    if (!connection)
        return run.Ftp().ConnectFailed(item.FTPHost);
    const QString directory = TFtpSessions::DirectoryPart(path);
    std::vector<TFtpEntry> entries;
    if (!directory.isEmpty() && !connection->ChangeDirectory(directory)) {
        TTransferResult result = TFtpSessions::NotFound(*connection, item.URL, TTransferCause::DirectoryNotFound);
        run.Ftp().Leave(own, false);
        return result;
    }
    if (!connection->List(pattern, entries)) {
        TTransferResult result = TFtpSessions::NotFound(*connection, item.URL, TTransferCause::ServerRefused);
        run.Ftp().Leave(own, false);
        return result;
    }
    for (const TFtpEntry& entry : entries) {
        item.FFileList->append(entry.Name);
        TFileDetailItem& detail = item.FFileDetails->Add();
        detail.Filename = entry.Name;
        detail.FileAttributes = entry.IsDirectory ? DirectoryAttribute : NormalAttribute;
        // An unknown size is listed as 0.
        const quint64 size = entry.Size > 0 ? quint64(entry.Size) : 0;
        detail.FileSizeLow = quint32(size & 0xffffffffu);
        detail.FileSizeHigh = quint32(size >> 32);
        if (entry.Modified.isValid())
            detail.FileDate = UnixTimeToFileTime(entry.Modified.toSecsSinceEpoch(), 0);
    }
    run.Ftp().Leave(own, false);
    return TTransferResult::Done();
}
