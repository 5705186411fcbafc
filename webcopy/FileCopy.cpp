// The file copy: one wpFile item, from the local file system or from a network share.
#include "webcopy/WebCopy.h"

#include "platform/AtomicFileWriter.h"
#include "platform/LocalFileReader.h"
#include "platform/SmbShare.h"
#include "platform/TickCount.h"
#include "webcopy/DateTime.h"
#include "webcopy/PathHelpers.h"
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

// Where a local source comes from, for the file line: the text up to its last "/", or "/"
// itself for a file in the root.
QString SourceDirectory(const QString& source)
{
    const qsizetype slash = source.lastIndexOf(QLatin1Char('/'));
    return slash == 0 ? QStringLiteral("/") : source.left(std::max<qsizetype>(slash, 0));
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

bool TWebCopy::FileCopy(int idx, const QString& userName, const QString& password, const QString& share,
                        int /*port: the share names its own*/, const QString& source, const QString& targetDir,
                        const QString& targetFilename, bool copyNewerOnly, TDateTime& fileDate, bool& noNewVersion)
{
    noNewVersion = false;
    const bool fromShare = !share.isEmpty();
    // The copy always names where it copies from, whatever ShowServer says.
    SetFileLine(DlgFileLabel + QLatin1Char(' ') + FileLabelPrefix() + ExtractURLFileName(source) + QLatin1Char(' ')
                + DlgFromServerLabel + QLatin1Char(' ') + (fromShare ? share : SourceDirectory(source)));

    TSmbShare connection;
    // Everything between connecting and disconnecting; the source is closed when it returns.
    const auto copy = [&]() -> bool {
        const quint32 startTick = TickCount();
        const QString sourcePath = fromShare ? SharedSourcePath(share, source) : WithoutFileScheme(source);
        QString targetPath =
            CombinePath(targetDir, targetFilename.isEmpty() ? ExtractURLFileName(source) : targetFilename);
        FLastFile = targetPath;
        FLastDir = targetDir;

        const auto reportIdentical = [&] {
            ReportError(WebCopyErrors::IdenticalFiles, QStringLiteral("Cannot copy identical files ") + sourcePath);
        };
        if (sourcePath == targetPath) {
            reportIdentical();
            return false;
        }
        std::unique_ptr<TFileReader> reader;
        if (fromShare) {
            reader = connection.OpenFile(source);
        } else {
            std::unique_ptr<TLocalFileReader> localReader = TLocalFileReader::Open(sourcePath);
            // The same file under another name (a link, another spelling) would be replaced by itself.
            if (localReader && localReader->IsSameFileAs(targetPath)) {
                reportIdentical();
                return false;
            }
            reader = std::move(localReader);
        }
        if (!reader) {
            ReportError(WebCopyErrors::CannotOpenSource, QStringLiteral("Cannot open source file ") + sourcePath);
            return false;
        }
        TFileStatus status;
        if (!reader->Status(status)) {
            ReportError(WebCopyErrors::CannotReadSourceSize, QStringLiteral("Zero length source file ") + sourcePath);
            return false;
        }

        if (copyNewerOnly || OnFileDateCheck) {
            const TDateTime sourceDate = LocalDateTimeFromUnixTime(status.LastWriteSecs, status.LastWriteNsec);
            if (OnFileDateCheck) {
                bool allow = true;
                OnFileDateCheck(this, idx, sourceDate, allow);
                if (!allow)
                    return false;
                fileDate = sourceDate;
            } else {
                const bool newer = sourceDate > fileDate;
                fileDate = sourceDate;
                if (!newer) {
                    noNewVersion = true;
                    reader.reset();
                    if (OnNoNewFileFound)
                        OnNoNewFileFound(this, sourcePath, fileDate, sourceDate);
                    return false;
                }
            }
        }

        if (!ApplyOverwriteRule(targetPath))
            return false;
        MakeDirectories(targetPath.left(std::max<qsizetype>(targetPath.lastIndexOf(QLatin1Char('/')), 0)));

        // The target's name shows the old file until the new one is complete.
        TAtomicFileWriter writer;
        if (!writer.Open(targetPath)) {
            ReportError(WebCopyErrors::CannotCreateTarget, QStringLiteral("Cannot create target file ") + targetPath);
            return false;
        }

        FCancelled = false;
        const auto buffer = std::make_unique_for_overwrite<char[]>(CopyBlockSize);
        qint64 copied = 0;
        qint64 count = 0;
        do {
            count = reader->Read(buffer.get(), CopyBlockSize);
            if (count < 0) {
                writer.Discard();
                ReportError(WebCopyErrors::ReadFailed, QStringLiteral("Error reading source file ") + sourcePath);
                return false;
            }
            if (!writer.Write(buffer.get(), count)) {
                writer.Discard();
                ReportError(WebCopyErrors::WriteFailed,
                            QStringLiteral("Error writing to destination file ") + targetPath);
                return false;
            }
            copied += count;
            ShowProgress(copied, status.Size, startTick, DlgCopying, true);
        } while (count > 0 && !FCancelled);

        // A cancelled copy is a finished call all the same; only its file is not kept.
        if (FCancelled) {
            writer.Discard();
            return true;
        }
        if (!writer.Commit()) {
            ReportError(WebCopyErrors::WriteFailed, QStringLiteral("Error writing to destination file ") + targetPath);
            return false;
        }
        return true;
    };

    bool result = false;
    if (fromShare && !connection.Connect(share, userName, password)) {
        if (OnConnectError)
            OnConnectError(this);
    } else {
        result = copy();
    }
    if (fromShare && !connection.Disconnect()) {
        if (OnConnectError)
            OnConnectError(this);
        result = false;
    }
    return result;
}
