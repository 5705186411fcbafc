#include "platform/StaleTemporaries.h"

#include "platform/AtomicFileWriter.h"
#include "platform/TemporaryNames.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

bool TStaleTemporaries::RemoveIfUnlocked(int directoryDescriptor, const char* name, time_t olderThan,
                                         const QByteArray& alsoRemove)
{
    const int descriptor =
        ::openat(directoryDescriptor, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat opened {};
    struct stat named {};
    const bool removed = ::fstat(descriptor, &opened) == 0 && S_ISREG(opened.st_mode)
        && opened.st_uid == ::geteuid() && (olderThan == 0 || opened.st_mtime < olderThan)
        && ::flock(descriptor, LOCK_EX | LOCK_NB) == 0
        && ::fstatat(directoryDescriptor, name, &named, AT_SYMLINK_NOFOLLOW) == 0
        && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino
        && ::unlinkat(directoryDescriptor, name, 0) == 0;
    if (removed && !alsoRemove.isEmpty())
        ::unlinkat(directoryDescriptor, alsoRemove.constData(), 0);
    ::close(descriptor);
    return removed;
}

void TStaleTemporaries::RemoveFor(const QByteArray& directory, const QByteArray& stem)
{
    auto listed = FListed.find(directory);
    if (listed == FListed.end())
        listed = FListed.insert(directory, Sweep(directory));
    for (const QByteArray& name : listed->take(stem))
        RemoveIfUnlocked(AT_FDCWD, (directory + name).constData());
}

TStaleTemporaries::TByStem TStaleTemporaries::Sweep(const QByteArray& directory)
{
    TByStem temporaries;
    DIR* listing = ::opendir(directory.isEmpty() ? "." : directory.constData());
    if (!listing)
        return temporaries;
    const int directoryDescriptor = ::dirfd(listing);
    const time_t keptBefore = ::time(nullptr) - time_t(TAtomicFileWriter::KeptPartialLifetimeDays) * 24 * 3600;
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        QByteArray stem;
        if (IsTemporaryName(name, stem))
            temporaries[stem].append(name);
        else if (IsKeptPartialName(name, stem))
            RemoveIfUnlocked(directoryDescriptor, entry->d_name, keptBefore, KeptInfoName(stem));
    }
    ::closedir(listing);
    return temporaries;
}
