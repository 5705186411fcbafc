// The small FTP operations: listing a remote directory, deleting a remote file, testing a login.
#include "webcopy/WebCopy.h"

#include "webcopy/DateTime.h"
#include "webcopy/UrlHelpers.h"

#include <QCoreApplication>

namespace {

// Attribute bits of a listed entry.
constexpr quint32 DirectoryAttribute = 0x10;
constexpr quint32 NormalAttribute = 0x80;

} // namespace

TTransferResult TWebCopy::FtpList(int idx, const QString& userName, const QString& password, const QString& host,
                                  int port, const QString& url, bool& noNewVersion)
{
    noNewVersion = false;
    const QString path = BackslashToSlash(url);
    const QString pattern = ExtractURLFileName(path);
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection = FtpStart(pattern, DlgFromServerLabel, host, port, userName, password, false, false, own);
    if (!connection)
        return FtpConnectFailed(host);
    if (path.contains(QLatin1Char('/')))
        connection->ChangeDirectory(path.left(path.size() - pattern.size()));

    std::vector<TFtpEntry> entries;
    const bool listed = connection->List(pattern, entries);
    TWebCopyItem& item = *FItems.Items(idx);
    item.FFileList = std::make_unique<QStringList>();
    item.FFileDetails = std::make_unique<TFileDetailItems>();
    for (const TFtpEntry& entry : entries) {
        item.FFileList->append(entry.Name);
        TFileDetailItem& detail = item.FFileDetails->Add();
        detail.Filename = entry.Name;
        detail.FileAttributes = entry.IsDirectory ? DirectoryAttribute : NormalAttribute;
        detail.FileSizeLow = quint32(quint64(entry.Size) & 0xffffffffu);
        detail.FileSizeHigh = quint32(quint64(entry.Size) >> 32);
        if (entry.Modified.isValid())
            detail.FileDate = UnixTimeToFileTime(entry.Modified.toSecsSinceEpoch(), 0);
    }
    const QString reason = connection->Reason();
    FtpLeave(own, false);
    // The item's lists are there, empty when the listing failed; the reason stays on the item.
    if (!listed) {
        TTransferResult result = TTransferResult::Done();
        result.Reason = reason;
        return result;
    }
    return TTransferResult::Done();
}

TTransferResult TWebCopy::FtpDelete(int idx, const QString& userName, const QString& password, const QString& host,
                                    int port, const QString& url, const QString& remoteDir, const QString& remoteName,
                                    bool keepConnection)
{
    std::unique_ptr<TFtpConnection> own;
    TFtpConnection* connection = FtpStart(ExtractURLFileName(url), DlgToServerLabel, host, port, userName, password,
                                          keepConnection, true, own);
    if (!connection)
        return FtpConnectFailed(host);
    if (!remoteDir.isEmpty() && remoteDir != FPrevTarget) {
        FPrevTarget = keepConnection ? remoteDir : QString();
        if (!connection->ChangeDirectory(remoteDir)) {
            const QString reason = connection->Reason();
            FtpLeave(own, keepConnection);
            return TTransferResult::Silent(reason);
        }
    }
    QCoreApplication::processEvents();
    const QString name = remoteName.isEmpty() ? ExtractURLFileName(url) : remoteName;
    if (connection->Delete(name)) {
        if (OnRemovedFile)
            OnRemovedFile(this, idx);
    } else if (OnRemovedFileFailed) {
        OnRemovedFileFailed(this, idx);
    }
    QCoreApplication::processEvents();
    FtpLeave(own, keepConnection);
    return TTransferResult::Done();
}

TTransferResult TWebCopy::FtpTest(const QString& userName, const QString& password, const QString& host, int port)
{
    QCoreApplication::processEvents();
    std::unique_ptr<TFtpConnection> own;
    // A kept connection that matches is taken and ended: the next item logs in anew.
    if (!FtpConnect(host, port, userName, password, false, true, own))
        return FtpConnectFailed(host);
    FtpLeave(own, false);
    return TTransferResult::Done();
}
