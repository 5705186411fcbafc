// Where every download ends: the received blocks written into the target folder.
#include "webcopy/WebCopy.h"

#include "platform/TickCount.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/TargetFolder.h"

namespace {

constexpr qint64 BlockSize = 4096;

} // namespace

TTransferResult TWebCopy::ReceiveIntoTarget(TTargetFolder& folder, const QString& targetDir, const QString& fileName,
                                            const QString& cannotCreateWords, qint64 expected,
                                            const std::function<qint64(char*, qint64)>& read,
                                            const std::function<TTransferResult()>& readFailed, qint64& received)
{
    received = 0;
    QString targetPath = CombinePath(targetDir, fileName);
    FLastFile = targetPath;
    FLastDir = targetDir;
    const QString cannotCreate = cannotCreateWords + targetPath;
    if (fileName.isEmpty())
        return TTransferResult::Error(WebCopyErrors::CannotCreateTarget, cannotCreate,
                                      QStringLiteral("The server's file name is not a usable local name"));
    if (!ApplyOverwriteRule(targetPath, folder))
        return TTransferResult::Skipped(QStringLiteral("Overwriting the existing file was refused"));
    // The target file name may bring directories of its own.
    folder.MakeParentDirectories(targetPath);
    const std::unique_ptr<TFileWriter> writer = folder.CreateWriter(targetPath);
    if (!writer)
        return TTransferResult::Error(WebCopyErrors::CannotCreateTarget, cannotCreate, folder.Reason());

    const quint32 startTick = TickCount();
    SetMarquee(expected == 0);
    const QString writeFailed = QStringLiteral("Error writing to destination file ") + targetPath;
    char buffer[BlockSize];
    qint64 count = 0;
    do {
        count = read(buffer, BlockSize);
        if (count < 0) {
            // A transfer that breaks off is a failure, not a short success; nothing of it stays.
            writer->Discard();
            return FCancelled ? TTransferResult::Cancelled() : readFailed();
        }
        if (count > 0 && !writer->Write(buffer, count)) {
            writer->Discard();
            return TTransferResult::IoError(WebCopyErrors::WriteFailed, writeFailed, writer->Reason());
        }
        received += count;
        ShowProgress(received, expected, startTick, DlgDwnload);
    } while (count > 0 && !FCancelled);

    if (FCancelled) {
        writer->Discard();
        return TTransferResult::Cancelled();
    }
    if (!writer->Commit())
        return TTransferResult::IoError(WebCopyErrors::WriteFailed, writeFailed, writer->Reason());
    return TTransferResult::Done();
}
