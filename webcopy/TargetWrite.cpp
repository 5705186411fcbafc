#include "webcopy/TargetWrite.h"

#include "platform/LocalFileReader.h"
#include "platform/TickCount.h"
#include "webcopy/CopyRun.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/ProgressReporter.h"
#include "webcopy/TargetFolder.h"
#include "webcopy/TransferCause.h"
#include "webcopy/WebCopy.h"

#include <QRegularExpression>

#include <optional>
#include <system_error>

namespace {

constexpr qint64 ReceiveBlockSize = 4096;

TTransferResult WriteFailure(const TFileWriter& writer, const TBlockLoop& loop)
{
    TTransferResult result = TTransferResult::Error(CauseOfWriteError(writer.Error()), WebCopyErrors::WriteFailed,
                                                    loop.WriteFailedMessage, writer.Reason());
    result.EndsRun = loop.WriteFailureEndsRun;
    return result;
}

enum class TCommit { Done, Failed, Refused };

TCommit CommitTarget(TFileWriter& writer, const TBlockLoop& loop)
{
    if (!loop.MustNotReplace)
        return writer.Commit() ? TCommit::Done : TCommit::Failed;
    QString path = loop.TargetPath;
    // Bounded: each round takes a name that was free a moment ago.
    for (int round = 0; round < 100; ++round) {
        if (writer.CommitNoReplace(path == loop.TargetPath ? QString() : path))
            return TCommit::Done;
        if (writer.Error() != static_cast<int>(std::errc::file_exists))
            return TCommit::Failed;
        bool mustNotReplace = false;
        if (!loop.ApplyRuleAgain || !loop.ApplyRuleAgain(path, mustNotReplace)) {
            writer.Discard();
            return TCommit::Refused;
        }
        if (!mustNotReplace)
            return writer.Commit() ? TCommit::Done : TCommit::Failed;
    }
    writer.Discard();
    return TCommit::Refused;
}

// The kept part of a resumed file goes into the checksum once, before the new bytes.
bool HashKeptPart(const TFileWriter& writer, qint64 kept, TSha256& hash, QString& reason)
{
    const std::unique_ptr<TLocalFileReader> reader = TLocalFileReader::Open(writer.TemporaryPath(), &reason);
    char buffer[64 * 1024];
    while (reader && kept > 0) {
        const qint64 count = reader->Read(buffer, std::min<qint64>(kept, sizeof buffer));
        if (count <= 0) {
            reason = count < 0 ? reader->Reason() : QStringLiteral("The kept part ended early");
            return false;
        }
        hash.Add(buffer, count);
        kept -= count;
    }
    return reader != nullptr;
}

} // namespace

TTransferResult WriteBlocks(TCopyRun& run, TFileWriter& writer, TBlockLoop& loop, qint64& moved)
{
    moved = 0;
    const QString expected = loop.ExpectedSha256.trimmed().toLower();
    std::optional<TSha256> hash;
    if (!expected.isEmpty()) {
        static const QRegularExpression sha256(QStringLiteral("^[0-9a-f]{64}$"));
        if (!sha256.match(expected).hasMatch()) {
            writer.Discard();
            return TTransferResult::Error(TTransferCause::InvalidUrl, WebCopyErrors::ChecksumMismatch,
                                          QStringLiteral("Not a SHA-256 checksum: ") + loop.ExpectedSha256,
                                          QStringLiteral("The expected checksum is not 64 hexadecimal digits"));
        }
        hash.emplace();
        loop.Hash = &*hash;
        QString reason;
        if (loop.Kept > 0 && !HashKeptPart(writer, loop.Kept, *hash, reason)) {
            writer.Discard();
            return TTransferResult::Error(TTransferCause::TargetUnwritable, WebCopyErrors::ReadFailed,
                                          QStringLiteral("Cannot read the kept part of ") + loop.TargetPath, reason);
        }
    }
    const quint32 startTick = TickCount();
    TCopiedBlock block;
    do {
        block = loop.Next();
        if (block.Failure == TCopiedBlock::ReadFailed) {
            // A transfer that breaks off is a failure, not a short success; nothing of it stays
            // under the target's name. What arrived stays only as a kept part to resume.
            if (run.Cancelled()) {
                writer.Discard();
                return TTransferResult::Cancelled();
            }
            const qint64 kept = writer.Keep();
            TTransferResult failure = loop.ReadFailed();
            failure.KeptBytes = kept;
            return failure;
        }
        if (block.Failure == TCopiedBlock::WriteFailed) {
            writer.Discard();
            return WriteFailure(writer, loop);
        }
        moved += block.Count;
        run.ShowProgress(loop.Kept + moved, loop.Expected, startTick, loop.CaptionWord, loop.EmptyIsComplete,
                         loop.Kept);
    } while (block.Count > 0 && !run.Cancelled());

    if (run.Cancelled()) {
        writer.Discard();
        return TTransferResult::Cancelled();
    }
    // A resumed file is exactly as long as the file it continues: never shorter, longer or mixed.
    if (loop.Kept > 0 && loop.Kept + moved != loop.Expected) {
        writer.Discard();
        return TTransferResult::Error(TTransferCause::SourceChanged, WebCopyErrors::ReadFailed,
                                      QStringLiteral("The source file changed during the copy"),
                                      QStringLiteral("The resumed file has %1 bytes, not the %2 of the whole file")
                                          .arg(loop.Kept + moved)
                                          .arg(loop.Expected));
    }
    if (loop.EmptyIsFailure && loop.Kept + moved == 0) {
        writer.Discard();
        return TTransferResult::Silent(QStringLiteral("The server sent no data"), TTransferCause::NoData);
    }
    if (loop.ExpectedIsExact && moved < loop.Expected) {
        writer.Discard();
        return TTransferResult::Error(TTransferCause::SourceChanged, WebCopyErrors::ReadFailed,
                                      QStringLiteral("The source file changed during the copy"),
                                      QStringLiteral("The source file changed during the copy: it ended after %1 of "
                                                     "%2 bytes")
                                          .arg(moved)
                                          .arg(loop.Expected));
    }
    if (hash) {
        const QString actual = QString::fromLatin1(hash->HexDigest());
        if (actual != expected) {
            writer.Discard();
            return TTransferResult::Error(TTransferCause::ChecksumMismatch, WebCopyErrors::ChecksumMismatch,
                                          QStringLiteral("Checksum mismatch for ") + loop.TargetPath,
                                          QStringLiteral("The file's SHA-256 is %1, not the expected %2")
                                              .arg(actual, expected));
        }
    }
    switch (CommitTarget(writer, loop)) {
    case TCommit::Done:
        return TTransferResult::Done();
    case TCommit::Refused:
        return TTransferResult::Skipped(QStringLiteral("Overwriting the file that appeared meanwhile was refused"));
    case TCommit::Failed:
        break;
    }
    return WriteFailure(writer, loop);
}

std::unique_ptr<TFileWriter> OpenTarget(TCopyRun& run, TTargetFolder& folder, TBlockLoop& loop,
                                        const QString& cannotCreateWords, TTransferResult& failure)
{
    if (!run.Rules().ApplyOverwriteRule(loop.TargetPath, folder, loop.MustNotReplace)) {
        failure = TTransferResult::Skipped(QStringLiteral("Overwriting the existing file was refused"));
        return nullptr;
    }
    loop.ApplyRuleAgain = [&run, &folder](QString& path, bool& mustNotReplace) {
        return run.Rules().ApplyOverwriteRule(path, folder, mustNotReplace);
    };
    // The target file name may bring directories of its own.
    folder.MakeParentDirectories(loop.TargetPath);
    // The target's name shows the old file until the new one is complete.
    std::unique_ptr<TFileWriter> writer = folder.CreateWriter(loop.TargetPath, loop.Resumable, run.Leftovers());
    if (!writer)
        failure = TTransferResult::Error(TTransferCause::TargetUnwritable, WebCopyErrors::CannotCreateTarget,
                                         cannotCreateWords + loop.TargetPath, folder.Reason());
    return writer;
}

TCopiedBlock MoveBlock(const std::function<qint64(char*, qint64)>& read, char* buffer, qint64 size,
                       TFileWriter& writer, TSha256* hash)
{
    const qint64 count = read(buffer, size);
    if (count < 0)
        return {0, TCopiedBlock::ReadFailed};
    if (hash)
        hash->Add(buffer, count);
    if (count > 0 && !writer.Write(buffer, count))
        return {0, TCopiedBlock::WriteFailed};
    return {count};
}

TTransferResult ReceiveIntoTarget(TCopyRun& run, TTargetFolder& folder, const QString& targetDir,
                                  const QString& fileName, const QString& cannotCreateWords, qint64 expected,
                                  const std::function<qint64(char*, qint64)>& read,
                                  const std::function<TTransferResult()>& readFailed, qint64& received,
                                  bool emptyIsFailure, const QString& expectedSha256, const TResumeStart& resume)
{
    received = 0;
    const QString targetPath = CombinePath(targetDir, fileName);
    run.SetLastFile(targetPath, targetDir);
    if (fileName.isEmpty())
        return TTransferResult::Error(TTransferCause::InvalidUrl, WebCopyErrors::CannotCreateTarget,
                                      cannotCreateWords + targetPath,
                                      QStringLiteral("The server's file name is not a usable local name"));
    TBlockLoop loop;
    loop.TargetPath = targetPath;
    loop.Resumable = bool(resume);
    TTransferResult failure;
    const std::unique_ptr<TFileWriter> writer = OpenTarget(run, folder, loop, cannotCreateWords, failure);
    if (!writer)
        return failure;
    if (resume) {
        const std::optional<qint64> kept = resume(*writer);
        if (!kept) {
            writer->Keep();
            return TTransferResult::Error(TTransferCause::SourceChanged, WebCopyErrors::ReadFailed,
                                          QStringLiteral("Error reading from ") + targetPath,
                                          QStringLiteral("The server's part does not continue the kept file"));
        }
        loop.Kept = *kept;
        expected += loop.Kept;
    }

    run.Progress().SetMarquee(expected == 0);
    char buffer[ReceiveBlockSize];
    loop.Expected = expected;
    loop.CaptionWord = run.Owner().DlgDwnload;
    loop.WriteFailedMessage = QStringLiteral("Error writing to destination file ") + loop.TargetPath;
    loop.Next = [&] { return MoveBlock(read, buffer, ReceiveBlockSize, *writer, loop.Hash); };
    loop.ReadFailed = readFailed;
    loop.EmptyIsFailure = emptyIsFailure;
    loop.ExpectedSha256 = expectedSha256;
    return WriteBlocks(run, *writer, loop, received);
}
