#include "platform/TempDirectory.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray baseDirectory()
{
    QByteArray base = qgetenv("TMPDIR");
    if (!base.startsWith('/'))
        base = QByteArrayLiteral("/tmp");
    while (base.endsWith('/'))
        base.chop(1);
    return base;
}

// Checks the directory through a descriptor opened without following links, so what is
// checked and narrowed is what the path names, not something swapped in between.
bool makeSafe(const QByteArray& path)
{
    const int descriptor = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat status {};
    bool safe = ::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid();
    if (safe && (status.st_mode & 07777) != 0700)
        safe = ::fchmod(descriptor, 0700) == 0;
    ::close(descriptor);
    return safe;
}

} // namespace

QString UserTempDirectory()
{
    const QByteArray path = baseDirectory() + "/orvanta-" + QByteArray::number(::geteuid());
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    if (!makeSafe(path))
        return {};
    return QFile::decodeName(path) + QLatin1Char('/');
}
