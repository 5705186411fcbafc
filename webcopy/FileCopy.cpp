// The file copy: one wpFile item, from the local file system or from a network share.
#include "webcopy/WebCopy.h"

#include "platform/LocalFileReader.h"
#include "platform/SmbShare.h"
#include "platform/TickCount.h"
#include "webcopy/DateTime.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/TargetFolder.h"
#include "webcopy/UrlHelpers.h"

#include <algorithm>
#include <memory>

namespace {

constexpr qint64 CopyBlockSize = 32768;

// A local source may be given as a file URL; the prefix is taken off in any letter case.
QString WithoutFileScheme(const QString& source)
{
    static const QLatin1String FileScheme("FILE://");
    return source.startsWith(FileScheme, Qt::CaseInsensitive) ? source.mid(FileScheme.size()) : source;
}

// The source on a share as the user names it, for messages: the share, then the relative
// path, joined with the kind of separator the share is written with.
QString SharedSourcePath(const QString& share, const QString& source)
{
    const QChar separator = share.contains(QLatin1Char('\\')) ? QLatin1Char('\\') : QLatin1Char('/');
    QString path = share;
    while (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    qsizetype start = 0;
    while (start < source.size() && (source.at(start) == QLatin1Char('/') || source.at(start) == QLatin1Char('\\')))
        ++start;
    return path + separator + source.mid(start);
}

} // namespace

TTransferResult TWebCopy::FileCopy(int idx, const QString& userName, const QString& password,
                                   const QString& share, int /*port: the share names its own*/,
                                   const QString& source, const QString& targetDir, const QString& targetFilename,
                                   bool copyNewerOnly, TDateTime& fileDate, bool& noNewVersion)
{
    noNewVersion = false;
    const bool fromShare = !share.isEmpty();
    // The copy always names where it copies from, whatever ShowServer says.
    ShowFileLine(ExtractURLFileName(source), DlgFromServerLabel, fromShare ? share : ParentDirectory(source), true);

    TSmbShare connection;
    // Everything between connecting and disconnecting; the source is closed when it returns.
    const auto copy = [&](TTargetFolder& folder) -> TTransferResult {
        const quint32 startTick = TickCount();
        const QString sourcePath = fromShare ? SharedSourcePath(share, source) : WithoutFileScheme(source);
        QString targetPath =
            CombinePath(targetDir, targetFilename.isEmpty() ? ExtractURLFileName(source) : targetFilename);
        FLastFile = targetPath;
        FLastDir = targetDir;

        const auto identical = [&] {
            return TTransferResult::Error(WebCopyErrors::IdenticalFiles,
                                          QStringLiteral("Cannot copy identical files ") + sourcePath);
        };
        if (sourcePath == targetPath)
            return identical();
        std::unique_ptr<TFileReader> reader;
        QString openFailure;
        if (fromShare) {
            reader = connection.OpenFile(source);
            openFailure = connection.Reason();
        } else {
            std::unique_ptr<TLocalFileReader> localReader = TLocalFileReader::Open(sourcePath, &openFailure);
            // The same file under another name (a link, another spelling) would be replaced by itself.
            if (localReader && localReader->IsSameFileAs(targetPath))
                return identical();
            reader = std::move(localReader);
        }
        if (!reader)
            return TTransferResult::Error(WebCopyErrors::CannotOpenSource,
                                          QStringLiteral("Cannot open source file ") + sourcePath, openFailure);
        TFileStatus status;
        if (!reader->Status(status))
            return TTransferResult::Error(WebCopyErrors::CannotReadSourceSize,
                                          QStringLiteral("Zero length source file ") + sourcePath);

        if (copyNewerOnly || OnFileDateCheck) {
            const TDateTime sourceDate = LocalDateTimeFromUnixTime(status.LastWriteSecs, status.LastWriteNsec);
            const TDateCheck check = CheckSourceDate(idx, sourceDate, copyNewerOnly, false, fileDate, noNewVersion,
                                                     sourcePath, [&] { reader.reset(); });
            if (check == TDateCheck::Refused)
                return TTransferResult::Skipped(QStringLiteral("The date check refused the copy"));
            if (check == TDateCheck::NotNewer)
                return TTransferResult::Skipped(QStringLiteral("The source is not newer"));
        }

        if (!ApplyOverwriteRule(targetPath, folder))
            return TTransferResult::Skipped(QStringLiteral("Overwriting the existing file was refused"));
        folder.MakeParentDirectories(targetPath);

        // The target's name shows the old file until the new one is complete.
        const std::unique_ptr<TFileWriter> writer = folder.CreateWriter(targetPath);
        if (!writer)
            return TTransferResult::Error(WebCopyErrors::CannotCreateTarget,
                                          QStringLiteral("Cannot create target file ") + targetPath, folder.Reason());

        writer->Reserve(status.Size);
        FCancelled = false;
        const QString writeFailed = QStringLiteral("Error writing to destination file ") + targetPath;
        const auto buffer = std::make_unique_for_overwrite<char[]>(CopyBlockSize);
        qint64 copied = 0;
        qint64 count = 0;
        do {
            const TCopiedBlock block = writer->CopyBlockFrom(*reader, buffer.get(), CopyBlockSize);
            if (block.Failure == TCopiedBlock::ReadFailed) {
                writer->Discard();
                return TTransferResult::Error(WebCopyErrors::ReadFailed,
                                              QStringLiteral("Error reading source file ") + sourcePath,
                                              reader->Reason());
            }
            if (block.Failure == TCopiedBlock::WriteFailed) {
                writer->Discard();
                return TTransferResult::Error(WebCopyErrors::WriteFailed, writeFailed, writer->Reason());
            }
            count = block.Count;
            copied += count;
            ShowProgress(copied, status.Size, startTick, DlgCopying, true);
        } while (count > 0 && !FCancelled);

        if (FCancelled) {
            writer->Discard();
            return TTransferResult::Cancelled();
        }
        if (!writer->Commit())
            return TTransferResult::Error(WebCopyErrors::WriteFailed, writeFailed, writer->Reason());
        return TTransferResult::Done();
    };

    TTransferResult result;
    if (fromShare && !connection.Connect(share, userName, password))
        result = TTransferResult::ConnectError(connection.ErrorString());
    else
        result = InTargetFolder(targetDir, userName, password, copy);
    if (fromShare && !connection.Disconnect())
        result.LeftShareBadly(connection.ErrorString());
    return result;
}
