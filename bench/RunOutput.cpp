#include "bench/RunOutput.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Writes back every dirty page of the file system the path is on and waits for it, its journal too.
void FlushFileSystemOf(const QString& path)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    ::syncfs(descriptor);
    ::close(descriptor);
}

} // namespace

TRunOutput TRunOutput::Of(const QString& path)
{
    TRunOutput output;
    const QFileInfo info(path);
    if (info.isFile()) {
        output.FFiles = 1;
        output.FBytes = info.size();
        return output;
    }
    QDirIterator files(path, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        ++output.FFiles;
        output.FBytes += files.nextFileInfo().size();
    }
    return output;
}

bool TRunOutput::Clear(const QString& path)
{
    const QFileInfo info(path);
    // The directory of a missing file still names the file system.
    const QString onFileSystem = info.isDir() ? path : info.absolutePath();
    FlushFileSystemOf(onFileSystem);
    bool removed = true;
    if (info.isDir()) {
        const QFileInfoList entries = QDir(path).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries)
            removed = (entry.isDir() && !entry.isSymLink() ? QDir(entry.filePath()).removeRecursively()
                                                           : QFile::remove(entry.filePath()))
                && removed;
    } else if (info.exists() || info.isSymLink()) {
        removed = QFile::remove(path);
    }
    FlushFileSystemOf(onFileSystem);
    return removed;
}
