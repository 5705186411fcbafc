#pragma once

#include <QString>
#include <QTemporaryDir>

// A tmpfs of `bytes` mounted on a new directory, seen only by this thread: it unshares its mount
// namespace, and goes back to the old one when done. A real full disk for tests; needs root, as
// CI is. Error() says why it could not be made.
class TSmallFileSystem {
public:
    explicit TSmallFileSystem(qint64 bytes);
    ~TSmallFileSystem();
    TSmallFileSystem(const TSmallFileSystem&) = delete;
    TSmallFileSystem& operator=(const TSmallFileSystem&) = delete;

    QString Error() const { return FError; }
    QString Path() const { return FDir.path(); }

private:
    QTemporaryDir FDir;
    int FOldNamespace = -1;
    bool FUnshared = false;
    bool FMounted = false;
    QString FError;
};
