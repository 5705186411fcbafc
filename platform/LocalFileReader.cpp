#include "platform/LocalFileReader.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::unique_ptr<TLocalFileReader> TLocalFileReader::Open(const QString& path)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
    return std::unique_ptr<TLocalFileReader>(new TLocalFileReader(descriptor));
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
    if (::fstat(FDescriptor, &fileStatus) != 0)
        return false;
    status.Size = fileStatus.st_size;
    status.LastWriteSecs = fileStatus.st_mtim.tv_sec;
    status.LastWriteNsec = int(fileStatus.st_mtim.tv_nsec);
    return true;
}

qint64 TLocalFileReader::Read(char* buffer, qint64 maxSize)
{
    for (;;) {
        const ssize_t count = ::read(FDescriptor, buffer, size_t(maxSize));
        if (count >= 0 || errno != EINTR)
            return count;
    }
}

bool TLocalFileReader::IsSameFileAs(const QString& path) const
{
    struct stat own {};
    struct stat other {};
    return ::fstat(FDescriptor, &own) == 0 && ::stat(QFile::encodeName(path).constData(), &other) == 0
        && own.st_dev == other.st_dev && own.st_ino == other.st_ino;
}
