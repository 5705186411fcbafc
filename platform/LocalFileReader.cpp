#include "platform/LocalFileReader.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why an open descriptor is no file to read, or empty when it is a regular file; then its reads
// are made blocking again.
QString RefusalOf(int descriptor)
{
    struct stat status {};
    if (::fstat(descriptor, &status) != 0)
        return qt_error_string(errno);
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("Not a regular file");
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return qt_error_string(errno);
    return {};
}

} // namespace

std::unique_ptr<TLocalFileReader> TLocalFileReader::Open(const QString& path, QString* reason)
{
    // O_NONBLOCK: opening a FIFO without a writer (or some devices) would wait for good.
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    const QString refusal = descriptor < 0 ? qt_error_string(errno) : RefusalOf(descriptor);
    if (refusal.isEmpty())
        return std::unique_ptr<TLocalFileReader>(new TLocalFileReader(descriptor));
    if (descriptor >= 0)
        ::close(descriptor);
    if (reason)
        *reason = refusal;
    return nullptr;
}

TLocalFileReader::TLocalFileReader(int descriptor)
    : FDescriptor(descriptor)
{
}

TLocalFileReader::~TLocalFileReader()
{
    ::close(FDescriptor);
}

bool TLocalFileReader::Status(TFileStatus& status)
{
    struct stat fileStatus {};
    if (::fstat(FDescriptor, &fileStatus) != 0) {
        FReason = qt_error_string(errno);
        return false;
    }
    status.Size = fileStatus.st_size;
    status.LastWriteSecs = fileStatus.st_mtim.tv_sec;
    status.LastWriteNsec = int(fileStatus.st_mtim.tv_nsec);
    status.AllocatedSize = qint64(fileStatus.st_blocks) * 512;  // st_blocks counts 512-byte units
    return true;
}

qint64 TLocalFileReader::Read(char* buffer, qint64 maxSize)
{
    for (;;) {
        const ssize_t count = ::read(FDescriptor, buffer, size_t(maxSize));
        if (count >= 0)
            return count;
        if (errno != EINTR) {
            FReason = qt_error_string(errno);
            return -1;
        }
    }
}

bool TLocalFileReader::IsSameFileAs(const QString& path) const
{
    struct stat own {};
    struct stat other {};
    return ::fstat(FDescriptor, &own) == 0 && ::stat(QFile::encodeName(path).constData(), &other) == 0
        && own.st_dev == other.st_dev && own.st_ino == other.st_ino;
}
