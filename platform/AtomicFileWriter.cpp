#include "platform/AtomicFileWriter.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Keeps the temporary name within NAME_MAX however long the target's name is.
constexpr qsizetype MaxNameBytesKept = 200;
constexpr int CreateAttempts = 100;

QByteArray randomSuffix()
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray suffix(8, '\0');
    for (char& letter : suffix)
        letter = Letters[QRandomGenerator::global()->bounded(int(sizeof(Letters) - 1))];
    return suffix;
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

bool TAtomicFileWriter::Open(const QString& targetPath)
{
    Discard();
    FTargetPath = targetPath;
    FTarget = QFile::encodeName(targetPath);
    FError = 0;
    FErrorString.clear();

    const qsizetype slash = FTarget.lastIndexOf('/');
    const QByteArray directory = FTarget.left(slash + 1);
    const QByteArray name = FTarget.mid(slash + 1);
    struct stat existing {};
    const bool targetExists = ::lstat(FTarget.constData(), &existing) == 0;
    if (name.isEmpty() || (targetExists && S_ISDIR(existing.st_mode)))
        return Fail(EISDIR, QStringLiteral("Cannot write a file over the directory"));

    for (int attempt = 0; attempt < CreateAttempts; ++attempt) {
        const QByteArray candidate =
            directory + '.' + name.left(MaxNameBytesKept) + '.' + randomSuffix() + QByteArrayLiteral(".part");
        // O_EXCL with O_CREAT never follows a link, O_NOFOLLOW says so once more.
        const int descriptor =
            ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            FDescriptor = descriptor;
            FTemporary = candidate;
            break;
        }
        if (errno != EEXIST)
            return Fail(errno, QStringLiteral("Cannot create a temporary file in the directory of"));
    }
    if (FDescriptor < 0)
        return Fail(EEXIST, QStringLiteral("Cannot create a temporary file in the directory of"));

    // A replaced file keeps its permissions, as it did when it was overwritten in place.
    if (targetExists && S_ISREG(existing.st_mode))
        ::fchmod(FDescriptor, existing.st_mode & 0777);
    if (!FBuffer)
        FBuffer = std::make_unique<char[]>(BufferSize);
    FBuffered = 0;
    return true;
}

bool TAtomicFileWriter::Write(const char* data, qint64 size)
{
    if (FDescriptor < 0 || FError != 0)
        return false;
    if (FBuffered + size > BufferSize && !Flush())
        return false;
    if (size >= BufferSize)
        return WriteAll(data, size);
    std::memcpy(FBuffer.get() + FBuffered, data, size_t(size));
    FBuffered += size;
    return true;
}

bool TAtomicFileWriter::Commit()
{
    if (FDescriptor < 0)
        return false;
    if (FError != 0 || !Flush()) {
        Discard();
        return false;
    }
    const int descriptor = std::exchange(FDescriptor, -1);
    // close() is where some file systems report a deferred write error.
    if (::close(descriptor) != 0) {
        const int error = errno;
        Discard();
        return Fail(error, QStringLiteral("Cannot write"));
    }
    if (::rename(FTemporary.constData(), FTarget.constData()) != 0) {
        const int error = errno;
        Discard();
        return Fail(error, QStringLiteral("Cannot replace"));
    }
    FTemporary.clear();
    return true;
}

void TAtomicFileWriter::Discard()
{
    if (FDescriptor >= 0)
        ::close(std::exchange(FDescriptor, -1));
    if (!FTemporary.isEmpty())
        ::unlink(FTemporary.constData());
    FTemporary.clear();
    FBuffered = 0;
}

bool TAtomicFileWriter::Flush()
{
    const qint64 buffered = std::exchange(FBuffered, 0);
    return WriteAll(FBuffer.get(), buffered);
}

bool TAtomicFileWriter::WriteAll(const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(FDescriptor, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Fail(written < 0 ? errno : ENOSPC, QStringLiteral("Cannot write"));
        data += written;
        size -= written;
    }
    return true;
}

bool TAtomicFileWriter::Fail(int error, const QString& what)
{
    FError = error;
    FErrorString = what + QLatin1Char(' ') + FTargetPath + QStringLiteral(": ") + qt_error_string(error);
    return false;
}
