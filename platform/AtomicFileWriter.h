#pragma once

#include "platform/FileWriter.h"
#include "platform/WriteBuffer.h"

#include <QByteArray>
#include <QString>

class TStaleTemporaries;

// Writes a local file so that its target name only ever shows a complete file: the data goes to
// a temporary file created exclusively (never through a link) in the target's directory, and
// Commit renames it over the target. Until then an existing target stays as it was; Discard,
// a failed Commit or the destructor removes the temporary file. Small writes are gathered into
// larger write() calls. Not copyable: it owns a descriptor and a buffer.
//
// The writer holds an exclusive flock() on its temporary file while it is open. A process that
// dies mid-write leaves its temporary file behind unlocked; the next Open for the same target
// removes such leftovers, never a file that a live writer holds.
//
// OpenResumable writes into the target's kept partial file instead (".NAME.resume.part", mode
// 0600 until the commit, described by ".NAME.resume.info"): a download that broke off leaves it
// with Keep, and the next attempt, in this run or a later one, continues it. It is locked like a
// temporary while open, so two writers never share it; the ordinary cleanup leaves it alone
// unless it has not been written for KeptPartialLifetimeDays (a run that died and never came
// back), and a commit of the target by any writer removes it.
class TAtomicFileWriter : public TFileWriter {
public:
    // Gathers 4 KiB network blocks into 32 KiB writes. Larger writes save little more and were
    // often several times slower on the virtual machines measured (large page-cache folios).
    static constexpr qint64 BufferSize = 32 * 1024;

    TAtomicFileWriter();
    ~TAtomicFileWriter() override;
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    // Creates the temporary file for `targetPath`, after removing the target's stale temporary
    // files (regular files of this user, unlocked, named as this writer names them). Fails when
    // the directory cannot take a new file or the target is a directory. An existing regular
    // target lends its permission bits to the new file; otherwise the umask decides, as for any
    // new file. A target name as long as the file system allows works: the temporary name
    // then carries a shortened form of it. A run that writes many files passes its `leftovers`,
    // which lists each directory once; without, the directory is listed for this file.
    bool Open(const QString& targetPath, TStaleTemporaries* leftovers = nullptr);
    // Like Open, on the target's kept partial file (created when there is none). When a live
    // writer holds that file, this one writes a fresh temporary file and keeps nothing.
    bool OpenResumable(const QString& targetPath, TStaleTemporaries* leftovers = nullptr);
    // What a resumable Open would find, without taking it: the kept file's size and its
    // description; false when there is none.
    static bool PeekKept(const QString& targetPath, qint64& size, QByteArray& info);
    static constexpr int KeptPartialLifetimeDays = 7;
    bool Write(const char* data, qint64 size) override;
    // From a local file, the block is copied inside the kernel (no trip through this process)
    // where the two file systems allow it, and a hole in a sparse file stays a hole: it is
    // skipped, not written (one block ends where a hole starts or ends).
    TCopiedBlock CopyBlockFrom(TFileReader& reader, char* buffer, qint64 maxSize) override;
    void Reserve(qint64 size) override;
    bool Commit() override;
    // Renames with RENAME_NOREPLACE; where the file system cannot, see RenameNoReplace.
    bool CommitNoReplace(const QString& otherTargetPath = {}) override;
    void Discard() override;
    qint64 KeptSize() const override { return FKeptSize; }
    QByteArray KeptInfo() const override { return FKeptInfo; }
    void Restart(const QByteArray& info) override;
    qint64 Keep() override;

    bool IsOpen() const override { return FDescriptor >= 0; }
    QString TargetPath() const { return FTargetPath; }
    QString TemporaryPath() const override;
    int Error() const override { return FError; }
    QString ErrorString() const override { return FErrorString; }
    QString Reason() const override { return FReason; }

private:
    bool OpenFor(const QString& targetPath, bool resumable, TStaleTemporaries* leftovers);
    int OpenKeptPartial();
    bool WriteKeptInfo(const QByteArray& info);
    // The writer no longer stands for a kept partial file.
    void ForgetKept();
    int CreateLockedTemporary(const QByteArray& directory, const QByteArray& stem);
    bool WriteAll(const char* data, qint64 size);
    // The bytes of a hole at the source's position (up to maxSize) passed over on both sides;
    // 0 at data, and then maxSize is cut to end at the next hole; -1 on failure.
    qint64 SkipHole(int source, qint64& maxSize);
    // Flushes and closes the temporary file (keeping its lock), once.
    bool Finish();
    bool RenameTemporary(bool replace);
    bool Fail(int error, const QString& what);

    QString FTargetPath;
    QByteArray FTarget;     // encoded target path
    QByteArray FTemporary;  // encoded temporary path while open
    // The target's kept partial file and its description (encoded paths).
    QByteArray FKeptPath;
    QByteArray FKeptInfoPath;
    // Open on the kept partial file; its mode becomes FCommitMode at the commit.
    bool FResumable = false;
    unsigned FCommitMode = 0;
    qint64 FKeptSize = 0;
    QByteArray FKeptInfo;
    int FDescriptor = -1;
    TWriteBuffer FBuffer{BufferSize};
    // Until the kernel has refused to copy between the files (no such call, other file systems).
    bool FKernelCopy = true;
    qint64 FWritten = 0;
    // The temporary file is complete and closed; only its rename is left.
    bool FFinished = false;
    int FError = 0;
    QString FErrorString;
    QString FReason;
};
