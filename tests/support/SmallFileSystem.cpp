#include "tests/support/SmallFileSystem.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

TSmallFileSystem::TSmallFileSystem(qint64 bytes)
{
    FOldNamespace = ::open("/proc/self/ns/mnt", O_RDONLY | O_CLOEXEC);
    if (FOldNamespace < 0 || ::unshare(CLONE_NEWNS) != 0) {
        FError = QStringLiteral("cannot have a mount namespace of its own: ") + qt_error_string(errno);
        return;
    }
    FUnshared = true;
    // Private first, so that the mount never shows outside this namespace.
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || ::mount("tmpfs", QFile::encodeName(FDir.path()).constData(), "tmpfs", 0, options.constData()) != 0)
        FError = QStringLiteral("cannot mount a tmpfs: ") + qt_error_string(errno);
    else
        FMounted = true;
}

TSmallFileSystem::~TSmallFileSystem()
{
    if (FMounted)
        ::umount(QFile::encodeName(FDir.path()).constData());
    if (FUnshared)
        ::setns(FOldNamespace, CLONE_NEWNS);
    if (FOldNamespace >= 0)
        ::close(FOldNamespace);
}
