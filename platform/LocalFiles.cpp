#include "platform/LocalFiles.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A NUL character would cut the path short at the system call, naming another file: such a
// path (like an empty one) names nothing.
std::optional<QByteArray> NativePath(const QString& path)
{
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return std::nullopt;
    return QFile::encodeName(path);
}

bool StatPath(const QString& path, struct stat& info)
{
    const std::optional<QByteArray> native = NativePath(path);
    return native && ::stat(native->constData(), &info) == 0;
}

} // namespace

bool PathIsDirectory(const QString& path)
{
    struct stat info;
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool PathExists(const QString& path)
{
    const std::optional<QByteArray> native = NativePath(path);
    struct stat info;
    return native && ::lstat(native->constData(), &info) == 0;
}

bool RegularFileExists(const QString& path)
{
    struct stat info;
    return StatPath(path, info) && S_ISREG(info.st_mode);
}

qint64 LocalFileSize(const QString& path)
{
    struct stat info;
    return StatPath(path, info) ? qint64(info.st_size) : -1;
}

bool CreateDirectory(const QString& path)
{
    const std::optional<QByteArray> native = NativePath(path);
    if (!native)
        return false;
    if (::mkdir(native->constData(), 0777) == 0)
        return true;
    return errno == EEXIST && PathIsDirectory(path);
}

bool LastWriteTime(const QString& path, qint64& secs, int& nsec)
{
    struct stat info;
    if (!StatPath(path, info))
        return false;
    secs = qint64(info.st_mtim.tv_sec);
    nsec = int(info.st_mtim.tv_nsec);
    return true;
}

bool MakeExecutableByOwner(const QString& path)
{
    const std::optional<QByteArray> native = NativePath(path);
    if (!native)
        return false;
    const int descriptor = ::open(native->constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat info;
    const bool changed = ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode)
        && ::fchmod(descriptor, (info.st_mode & 07777) | S_IXUSR) == 0;
    ::close(descriptor);
    return changed;
}

int MaxFileNameBytes(const QString& directory)
{
    constexpr int CommonLimit = 255;
    const std::optional<QByteArray> native = NativePath(directory);
    const long limit = native ? ::pathconf(native->constData(), _PC_NAME_MAX) : -1;
    return limit > 0 && limit < INT_MAX ? int(limit) : CommonLimit;
}

bool RemoveLocalFile(const QString& path)
{
    const std::optional<QByteArray> native = NativePath(path);
    return native && (::unlink(native->constData()) == 0 || errno == ENOENT);
}
