#include "platform/AtomicFileWriter.h"

#include "platform/LocalFiles.h"
#include "platform/StaleTemporaries.h"
#include "platform/TemporaryNames.h"

#include <QFile>

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int CreateAttempts = 100;

bool SameFile(const struct stat& one, const struct stat& other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// The stem of the target's temporary names, its directory (with its slash, or empty) and name.
struct TTargetNames {
    QByteArray Directory;
    QByteArray Name;
    QByteArray Stem;
    int MaxNameBytes = 0;
};

TTargetNames NamesOf(const QByteArray& target)
{
    const qsizetype slash = target.lastIndexOf('/');
    TTargetNames names{target.left(slash + 1), target.mid(slash + 1), {}};
    names.MaxNameBytes =
        MaxFileNameBytes(names.Directory.isEmpty() ? QStringLiteral(".") : QFile::decodeName(names.Directory));
    names.Stem = TemporaryNameStem(names.Name, names.MaxNameBytes);
    return names;
}

// The mode a new file gets from the umask, read without changing it (umask() cannot).
unsigned NewFileMode()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (line.startsWith("Umask:"))
                return 0666 & ~line.mid(6).trimmed().toUInt(nullptr, 8);
        }
    }
    return 0644;
}

constexpr qint64 KeptInfoMaxBytes = 64 * 1024;

QByteArray ReadKeptInfo(const QByteArray& path)
{
    const int descriptor = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return {};
    QByteArray info(KeptInfoMaxBytes, '\0');
    struct stat status {};
    const ssize_t count = ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid()
        ? ::read(descriptor, info.data(), size_t(info.size()))
        : -1;
    ::close(descriptor);
    info.truncate(count < 0 || count == KeptInfoMaxBytes ? 0 : qsizetype(count));
    return info;
}

// rename() that fails with EEXIST instead of replacing. Where the file system cannot do that in
// one step, a hard link claims the name just as surely; without hard links (FAT) only a look
// before the rename is left, which a file created in between can still slip past.
int RenameNoReplace(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    if (::link(from, to) == 0)
        return ::unlink(from) == 0 || errno == ENOENT ? 0 : -1;
    if (errno != EPERM && errno != EOPNOTSUPP)
        return -1;
    struct stat existing {};
    if (::lstat(to, &existing) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from, to);
}

} // namespace

TAtomicFileWriter::TAtomicFileWriter() = default;

TAtomicFileWriter::~TAtomicFileWriter()
{
    Discard();
}

QString TAtomicFileWriter::TemporaryPath() const
{
    return FTemporary.isEmpty() ? QString() : QFile::decodeName(FTemporary);
}

bool TAtomicFileWriter::Open(const QString& targetPath, TStaleTemporaries* leftovers)
{
    return OpenFor(targetPath, false, leftovers);
}

bool TAtomicFileWriter::OpenResumable(const QString& targetPath, TStaleTemporaries* leftovers)
{
    return OpenFor(targetPath, true, leftovers);
}

bool TAtomicFileWriter::PeekKept(const QString& targetPath, qint64& size, QByteArray& info)
{
    const TTargetNames names = NamesOf(QFile::encodeName(targetPath));
    struct stat kept {};
    if (names.Name.isEmpty() || ::lstat((names.Directory + KeptPartialName(names.Stem)).constData(), &kept) != 0
        || !S_ISREG(kept.st_mode) || kept.st_uid != ::geteuid())
        return false;
    size = kept.st_size;
    info = ReadKeptInfo(names.Directory + KeptInfoName(names.Stem));
    return true;
}

bool TAtomicFileWriter::OpenFor(const QString& targetPath, bool resumable, TStaleTemporaries* leftovers)
{
    Discard();
    FTargetPath = targetPath;
    FTarget = QFile::encodeName(targetPath);
    FError = 0;
    FErrorString.clear();
    FReason.clear();

    const TTargetNames names = NamesOf(FTarget);
    const QByteArray& directory = names.Directory;
    const QByteArray& name = names.Name;
    struct stat existing {};
    const bool targetExists = ::lstat(FTarget.constData(), &existing) == 0;
    if (name.isEmpty() || (targetExists && S_ISDIR(existing.st_mode)))
        return Fail(EISDIR, QStringLiteral("Cannot write a file over the directory"));

    // Known now rather than at the rename, after the whole download.
    if (name.size() > names.MaxNameBytes)
        return Fail(ENAMETOOLONG, QStringLiteral("Cannot create"));
    TStaleTemporaries oneOff;
    (leftovers ? *leftovers : oneOff).RemoveFor(directory, names.Stem);
    FKeptPath = directory + KeptPartialName(names.Stem);
    FKeptInfoPath = directory + KeptInfoName(names.Stem);
    FBuffer.Clear();
    FWritten = 0;
    // A replaced file keeps its permissions, as it did when it was overwritten in place.
    const bool replacesFile = targetExists && S_ISREG(existing.st_mode);
    if (resumable) {
        FDescriptor = OpenKeptPartial();
        if (FDescriptor >= 0) {
            FResumable = true;
            FCommitMode = replacesFile ? unsigned(existing.st_mode & 0777) : NewFileMode();
            FTemporary = FKeptPath;
            FKeptInfo = ReadKeptInfo(FKeptInfoPath);
            const off_t end = ::lseek(FDescriptor, 0, SEEK_END);
            // Kept bytes without a description cannot be trusted to continue anything.
            if (end < 0 || FKeptInfo.isEmpty())
                Restart({});
            else
                FKeptSize = FWritten = end;
            return FError == 0;
        }
    }
    const int descriptor = CreateLockedTemporary(directory, names.Stem);
    if (descriptor < 0)
        return false;
    FDescriptor = descriptor;
    if (replacesFile)
        ::fchmod(FDescriptor, existing.st_mode & 0777);
    return true;
}

int TAtomicFileWriter::OpenKeptPartial()
{
    // Private until it is complete: a part of a download is nobody else's business.
    const int descriptor = ::open(FKeptPath.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return -1;
    struct stat opened {};
    struct stat named {};
    // Another live writer continues it: this one starts a temporary file of its own.
    if (::fstat(descriptor, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid()
        && ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 && ::lstat(FKeptPath.constData(), &named) == 0
        && SameFile(opened, named) && ::fchmod(descriptor, 0600) == 0)
        return descriptor;
    ::close(descriptor);
    return -1;
}

void TAtomicFileWriter::Restart(const QByteArray& info)
{
    if (!FResumable || FDescriptor < 0 || FFinished)
        return;
    FBuffer.Clear();
    FKeptSize = FWritten = 0;
    FKeptInfo.clear();
    // The description goes first: a file that is emptied and then described anew is never
    // described by what it held before.
    ::unlink(FKeptInfoPath.constData());
    if (::ftruncate(FDescriptor, 0) != 0 || ::lseek(FDescriptor, 0, SEEK_SET) != 0) {
        Fail(errno, QStringLiteral("Cannot write"));
        return;
    }
    if (!info.isEmpty() && WriteKeptInfo(info))
        FKeptInfo = info;
}

bool TAtomicFileWriter::WriteKeptInfo(const QByteArray& info)
{
    const int descriptor =
        ::open(FKeptInfoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return false;
    const bool written = ::write(descriptor, info.constData(), size_t(info.size())) == info.size();
    if (::close(descriptor) != 0 || !written) {
        // Without its description the part is of no use later; the download itself goes on.
        ::unlink(FKeptInfoPath.constData());
        return false;
    }
    return true;
}

qint64 TAtomicFileWriter::Keep()
{
    if (!FResumable || FKeptInfo.isEmpty() || FDescriptor < 0 || FFinished) {
        Discard();
        return 0;
    }
    // The file holds a leading part of the remote file: whatever reached it, never the room a
    // reservation added.
    FBuffer.Flush([this](const char* block, qint64 count) { return WriteAll(block, count); });
    if (FWritten == 0 || ::ftruncate(FDescriptor, FWritten) != 0) {
        Discard();
        return 0;
    }
    ::close(std::exchange(FDescriptor, -1));
    FTemporary.clear();
    FBuffer.Clear();
    ForgetKept();
    return FWritten;
}

void TAtomicFileWriter::ForgetKept()
{
    FResumable = false;
    FKeptSize = 0;
    FKeptInfo.clear();
}

int TAtomicFileWriter::CreateLockedTemporary(const QByteArray& directory, const QByteArray& stem)
{
    for (int attempt = 0; attempt < CreateAttempts; ++attempt) {
        const QByteArray candidate = directory + NewTemporaryName(stem);
        // O_EXCL with O_CREAT never follows a link, O_NOFOLLOW says so once more.
        const int descriptor =
            ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            if (errno != EEXIST) {
                Fail(errno, QStringLiteral("Cannot create a temporary file in the directory of"));
                return -1;
            }
            continue;
        }
        // Until the lock is taken, another writer's Open may take the new file for a leftover and
        // remove it: then the name no longer names this file, and it starts over. A file system
        // without flock() gets no locks; its leftovers then stay, as they always did.
        const int locked = ::flock(descriptor, LOCK_EX | LOCK_NB);
        struct stat opened {};
        struct stat named {};
        if ((locked == 0 || errno != EWOULDBLOCK) && ::fstat(descriptor, &opened) == 0
            && ::lstat(candidate.constData(), &named) == 0 && SameFile(opened, named)) {
            FTemporary = candidate;
            return descriptor;
        }
        ::close(descriptor);
    }
    Fail(EEXIST, QStringLiteral("Cannot create a temporary file in the directory of"));
    return -1;
}

bool TAtomicFileWriter::Write(const char* data, qint64 size)
{
    if (FDescriptor < 0 || FError != 0)
        return false;
    return FBuffer.Write(data, size, [this](const char* block, qint64 count) { return WriteAll(block, count); });
}

void TAtomicFileWriter::Reserve(qint64 size)
{
    // Allocated ahead, the blocks need no reservation one by one as they come: a copy in 32 KiB
    // blocks then runs as fast as one in a single piece. A full disk still shows at the block
    // that no longer fits, as without it.
    if (FDescriptor >= 0 && FWritten == 0 && size > 0)
        ::fallocate(FDescriptor, FResumable ? FALLOC_FL_KEEP_SIZE : 0, 0, size);
}

TCopiedBlock TAtomicFileWriter::CopyBlockFrom(TFileReader& reader, char* buffer, qint64 maxSize)
{
    const int source = reader.LocalDescriptor();
    if (source >= 0 && FDescriptor >= 0 && FError == 0) {
        const qint64 hole = SkipHole(source, maxSize);
        if (hole > 0)
            return {hole};
        if (hole < 0)
            return {0, TCopiedBlock::WriteFailed};
    }
    if (FKernelCopy && source >= 0 && FDescriptor >= 0 && FError == 0
        && FBuffer.Flush([this](const char* block, qint64 count) { return WriteAll(block, count); })) {
        const ssize_t copied = ::copy_file_range(source, nullptr, FDescriptor, nullptr, size_t(maxSize), 0);
        if (copied > 0) {
            FWritten += copied;
            return {copied};
        }
        // 0 is the end of a real file, but also what some files of the kernel's own file systems
        // say while they do have data to read; and the kernel copies only between suitable file
        // systems. Either way reading and writing carry on. Any other failure is tried again the
        // same way, which tells a reading failure from a writing one in the system's words.
        if (copied == 0 || errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP
            || errno == EBADF)
            FKernelCopy = false;
    }
    return TFileWriter::CopyBlockFrom(reader, buffer, maxSize);
}

bool TAtomicFileWriter::Commit()
{
    return Finish() && RenameTemporary(true);
}

bool TAtomicFileWriter::CommitNoReplace(const QString& otherTargetPath)
{
    if (FDescriptor >= 0 && !otherTargetPath.isEmpty()) {
        FTargetPath = otherTargetPath;
        FTarget = QFile::encodeName(otherTargetPath);
    }
    return Finish() && RenameTemporary(false);
}

qint64 TAtomicFileWriter::SkipHole(int source, qint64& maxSize)
{
    // Where the file system says nothing about holes, everything counts as data.
    const off_t position = ::lseek(source, 0, SEEK_CUR);
    struct stat sourceStatus {};
    if (position < 0 || ::fstat(source, &sourceStatus) != 0 || position >= sourceStatus.st_size)
        return 0;
    off_t data = ::lseek(source, position, SEEK_DATA);
    if (data < 0)
        data = errno == ENXIO ? sourceStatus.st_size : position;  // ENXIO: a hole up to the end
    const off_t hole = data > position ? position : ::lseek(source, position, SEEK_HOLE);
    ::lseek(source, position, SEEK_SET);
    if (data == position) {
        // The block stops at the next hole, so that the one after it starts there.
        if (hole > position)
            maxSize = std::min<qint64>(maxSize, hole - position);
        return 0;
    }
    const qint64 skipped = std::min<qint64>(maxSize, data - position);
    if (!FBuffer.Flush([this](const char* block, qint64 count) { return WriteAll(block, count); }))
        return -1;
    if (::lseek(FDescriptor, skipped, SEEK_CUR) < 0 || ::lseek(source, skipped, SEEK_CUR) < 0) {
        Fail(errno, QStringLiteral("Cannot write"));
        return -1;
    }
    FWritten += skipped;
    return skipped;
}

bool TAtomicFileWriter::Finish()
{
    if (FDescriptor < 0)
        return false;
    if (FFinished)
        return true;
    if (FError != 0 || !FBuffer.Flush([this](const char* block, qint64 count) { return WriteAll(block, count); })) {
        Discard();
        return false;
    }
    // Less came than was reserved, or the file ends in a hole that was skipped: the file ends
    // where the data does.
    struct stat written {};
    if (::fstat(FDescriptor, &written) != 0 || (written.st_size != FWritten && ::ftruncate(FDescriptor, FWritten) != 0)) {
        const int error = errno;
        Discard();
        return Fail(error, QStringLiteral("Cannot write"));
    }
    if (FResumable && ::fchmod(FDescriptor, FCommitMode) != 0) {
        const int error = errno;
        Discard();
        return Fail(error, QStringLiteral("Cannot write"));
    }
    // The lock belongs to the open file, not to the descriptor: a duplicate keeps it until the
    // rename is done, so no other writer's Open takes the file for a leftover meanwhile.
    const int lock = ::dup(FDescriptor);
    // close() is where some file systems report a deferred write error.
    if ((lock < 0 ? -1 : ::close(std::exchange(FDescriptor, lock))) != 0) {
        const int error = errno;
        Discard();
        return Fail(error, QStringLiteral("Cannot write"));
    }
    FFinished = true;
    return true;
}

bool TAtomicFileWriter::RenameTemporary(bool replace)
{
    if ((replace ? ::rename(FTemporary.constData(), FTarget.constData())
                 : RenameNoReplace(FTemporary.constData(), FTarget.constData()))
        != 0) {
        const int error = errno;
        // The complete file stays for another name.
        if (!replace && error == EEXIST)
            return Fail(error, QStringLiteral("Cannot commit without replacing"));
        Discard();
        return Fail(error, QStringLiteral("Cannot replace"));
    }
    FTemporary.clear();
    FFinished = false;
    // A part kept from an earlier attempt is of no use once the target is complete.
    if (FResumable)
        ::unlink(FKeptInfoPath.constData());
    else
        TStaleTemporaries::RemoveIfUnlocked(AT_FDCWD, FKeptPath.constData(), 0, FKeptInfoPath);
    ForgetKept();
    ::close(std::exchange(FDescriptor, -1));
    return true;
}

void TAtomicFileWriter::Discard()
{
    FFinished = false;
    if (!FTemporary.isEmpty())
        ::unlink(FTemporary.constData());
    if (FResumable)
        ::unlink(FKeptInfoPath.constData());
    ForgetKept();
    if (FDescriptor >= 0)
        ::close(std::exchange(FDescriptor, -1));
    FTemporary.clear();
    FBuffer.Clear();
}

bool TAtomicFileWriter::WriteAll(const char* data, qint64 size)
{
    const int error = TWriteBuffer::WriteFully(
        data, size, [this](const char* block, size_t count) { return ::write(FDescriptor, block, count); });
    if (error != 0)
        return Fail(error, QStringLiteral("Cannot write"));
    FWritten += size;
    return true;
}

bool TAtomicFileWriter::Fail(int error, const QString& what)
{
    FError = error;
    FReason = qt_error_string(error);
    FErrorString = what + QLatin1Char(' ') + FTargetPath + QStringLiteral(": ") + qt_error_string(error);
    return false;
}
