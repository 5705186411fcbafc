#pragma once

#include <QProcess>
#include <QString>

// Keeps a file's pages in memory (vmtouch -l) for as long as it lives. This machine's memory
// manager pages out page cache that was not touched for a few seconds: a source read from the
// cache in one run and from the disk in the next made runs of the same command differ fourfold.
class TCacheLock {
public:
    TCacheLock() = default;
    ~TCacheLock();
    TCacheLock(const TCacheLock&) = delete;
    TCacheLock& operator=(const TCacheLock&) = delete;

    // Reads the file into memory, then locks it there; false when vmtouch could do neither.
    bool Lock(const QString& path);

private:
    QProcess FProcess;
};
