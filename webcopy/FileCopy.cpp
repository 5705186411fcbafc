#include "webcopy/FileCopy.h"

#include "platform/LocalFileReader.h"
#include "platform/SmbShare.h"
#include "webcopy/CopyRun.h"
#include "webcopy/DateTime.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/TargetFolder.h"
#include "webcopy/TargetWrite.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WebCopy.h"

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

TTransferResult TFileCopy::Run(TCopyRun& run, TTransferJob& job)
{
    const TWebCopyItem& item = job.Item;
    const TWebCopy& owner = run.Owner();
    const QString& share = item.FTPHost;
    const QString& source = item.URL;
    const QString& targetDir = item.TargetDir;
    job.NoNewVersion = false;
    const bool fromShare = !share.isEmpty();
    // The copy always names where it copies from, whatever ShowServer says.
    run.Rules().ShowFileLine(ExtractURLFileName(source), owner.DlgFromServerLabel,
                             fromShare ? share : ParentDirectory(source), true);
    if (!TTransferRules::TargetNameStaysInside(item.TargetFilename))
        return TTransferRules::TargetNameRefused(item.TargetFilename);

    TSmbShare connection;
    connection.SetTimeoutMs(run.TimeoutMs());
    // Everything between connecting and disconnecting; the source is closed when it returns.
    const auto copy = [&](TTargetFolder& folder) -> TTransferResult {
        const QString sourcePath = fromShare ? SharedSourcePath(share, source) : WithoutFileScheme(source);
        const QString targetPath =
            CombinePath(targetDir, item.TargetFilename.isEmpty() ? ExtractURLFileName(source) : item.TargetFilename);
        run.SetLastFile(targetPath, targetDir);

        const auto identical = [&] {
            return TTransferResult::Error(TTransferCause::IdenticalFiles, WebCopyErrors::IdenticalFiles,
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
            return TTransferResult::Error(TTransferCause::SourceUnreadable, WebCopyErrors::CannotOpenSource,
                                          QStringLiteral("Cannot open source file ") + sourcePath, openFailure);
        TFileStatus status;
        if (!reader->Status(status))
            return TTransferResult::Error(TTransferCause::SourceUnreadable, WebCopyErrors::CannotReadSourceSize,
                                          QStringLiteral("Zero length source file ") + sourcePath);

        if (run.Rules().DatesMatter(item.CopyNewerOnly)) {
            const TDateTime sourceDate = LocalDateTimeFromUnixTime(status.LastWriteSecs, status.LastWriteNsec);
            const TTransferRules::TDateCheck check =
                run.Rules().CheckSourceDate(job.Index, sourceDate, item.CopyNewerOnly, false, job.FileDate,
                                            job.NoNewVersion, sourcePath, [&] { reader.reset(); });
            if (check != TTransferRules::TDateCheck::Copy)
                return TTransferRules::Skip(check, QStringLiteral("The source is not newer"));
        }

        TBlockLoop loop;
        loop.TargetPath = targetPath;
        TTransferResult failure;
        const std::unique_ptr<TFileWriter> writer =
            OpenTarget(run, folder, loop, QStringLiteral("Cannot create target file "), failure);
        if (!writer)
            return failure;

        // Room for what the source really holds: a sparse source stays sparse.
        writer->Reserve(status.ReservableSize());
        const auto buffer = std::make_unique_for_overwrite<char[]>(CopyBlockSize);
        loop.Expected = status.Size;
        // A source that ends short of the size it had at the start is no copy of it.
        loop.ExpectedIsExact = true;
        loop.EmptyIsComplete = true;
        loop.CaptionWord = owner.DlgCopying;
        loop.WriteFailedMessage = QStringLiteral("Error writing to destination file ") + loop.TargetPath;
        loop.WriteFailureEndsRun = false;
        loop.ExpectedSha256 = item.ExpectedSha256;
        loop.Next = [&]() -> TCopiedBlock {
            if (!loop.Hash)
                return writer->CopyBlockFrom(*reader, buffer.get(), CopyBlockSize);
            // The bytes pass through here to be hashed on their way.
            return MoveBlock([&](char* data, qint64 max) { return reader->Read(data, max); }, buffer.get(),
                             CopyBlockSize, *writer, loop.Hash);
        };
        loop.ReadFailed = [&] {
            return TTransferResult::Error(TTransferCause::SourceUnreadable, WebCopyErrors::ReadFailed,
                                          QStringLiteral("Error reading source file ") + sourcePath, reader->Reason());
        };
        qint64 copied = 0;
        return WriteBlocks(run, *writer, loop, copied);
    };

    TTransferResult result;
    if (fromShare && !connection.Connect(share, item.FTPUserID, item.FTPPassword))
        result = TCopyRun::ShareFailure(connection.Failure(), connection.ErrorString());
    else
        result = run.InTargetFolder(targetDir, item.FTPUserID, item.FTPPassword, copy);
    if (fromShare && !connection.Disconnect())
        result.LeftShareBadly(connection.ErrorString());
    return result;
}
