#pragma once

#include "platform/FileWriter.h"
#include "platform/Sha256.h"
#include "webcopy/TransferResult.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class TCopyRun;
class TTargetFolder;

// The one loop that writes a transfer's blocks into its target: `next` moves one block into the
// writer (a count of 0 at the source's end, or the side that failed), the progress step follows
// every block, and only a complete copy is committed. A failure, a cancel or a source that ends
// short of `expected` (when `expectedIsExact`) discards the temporary file, so the target keeps
// its earlier content. `moved` counts the bytes written.
struct TBlockLoop {
    qint64 Expected = 0;
    bool ExpectedIsExact = false;
    bool EmptyIsComplete = false;
    // An HTTP answer without a body is no download: it fails and replaces nothing.
    bool EmptyIsFailure = false;
    QString CaptionWord;
    QString WriteFailedMessage;
    // A download whose target cannot be written ends the run; a file copy fails its item only.
    bool WriteFailureEndsRun = true;
    // Where the file goes, and whether that name may not be replaced at the commit (it was free
    // when the copy started, or it is a unique name): a file that took the name meanwhile goes
    // through the overwrite rule again (`ApplyRuleAgain`, false: refused).
    QString TargetPath;
    bool MustNotReplace = false;
    std::function<bool(QString& targetPath, bool& mustNotReplace)> ApplyRuleAgain;
    // The SHA-256 the written bytes must have (empty: none). `Next` adds every block it moves to
    // `Hash`, which WriteBlocks sets up when a checksum is expected.
    QString ExpectedSha256;
    TSha256* Hash = nullptr;
    // Bytes already in the file when the loop starts (a resumed download's kept part): they count
    // towards Expected and the checksum, not towards `moved` or the rate, and the finished file
    // must then be exactly Expected long.
    qint64 Kept = 0;
    // The target is written through its kept partial file, which a broken transfer leaves.
    bool Resumable = false;
    std::function<TCopiedBlock()> Next;
    std::function<TTransferResult()> ReadFailed;
};
TTransferResult WriteBlocks(TCopyRun& run, TFileWriter& writer, TBlockLoop& loop, qint64& moved);
// The target at loop.TargetPath under the overwrite rule (the path may move on to a unique
// name), its missing folders made and a writer open on it; the loop learns how to commit it.
// Null with `failure` set when the rule refused or the file cannot be made.
std::unique_ptr<TFileWriter> OpenTarget(TCopyRun& run, TTargetFolder& folder, TBlockLoop& loop,
                                        const QString& cannotCreateWords, TTransferResult& failure);
// One block through a buffer: read (> 0 bytes, 0 at the end, -1 failed), hashed when a hash is
// given, written.
TCopiedBlock MoveBlock(const std::function<qint64(char*, qint64)>& read, char* buffer, qint64 size,
                       TFileWriter& writer, TSha256* hash);

// With a writer open on the kept partial file, decides how a body goes in: appended to the kept
// bytes (their count), from the start (0, after the writer's Restart), or not at all (nullopt:
// the part stays as it was, and the caller asks again for the whole file).
using TResumeStart = std::function<std::optional<qint64>(TFileWriter& writer)>;

// The end of every download: fileName in targetDir under the overwrite rule, written through a
// temporary file that is renamed when complete, block by block from `read` (> 0 bytes, 0 at the
// end, -1 failed: then `readFailed` says how). `received` counts the bytes written.
TTransferResult ReceiveIntoTarget(TCopyRun& run, TTargetFolder& folder, const QString& targetDir,
                                  const QString& fileName, const QString& cannotCreateWords, qint64 expected,
                                  const std::function<qint64(char*, qint64)>& read,
                                  const std::function<TTransferResult()>& readFailed, qint64& received,
                                  bool emptyIsFailure = false, const QString& expectedSha256 = {},
                                  const TResumeStart& resume = {});
