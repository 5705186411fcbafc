#pragma once

#include <QString>

// File system queries and directory creation for the engine's local paths. Links are followed
// except where said otherwise.

// True when the path exists and is a directory.
bool PathIsDirectory(const QString& path);

// True when anything is at the path, a dangling link included.
bool PathExists(const QString& path);

// True when the path is a regular file.
bool RegularFileExists(const QString& path);

// Size in bytes from the file's attributes, without opening it; -1 when they cannot be read.
qint64 LocalFileSize(const QString& path);

// Creates one directory (mode 0777, narrowed by the umask). True when the directory exists
// afterwards, also when another process created it first.
bool CreateDirectory(const QString& path);

// Last-write time as seconds and nanoseconds since 1970-01-01 UTC; false when unreadable.
bool LastWriteTime(const QString& path, qint64& secs, int& nsec);

// Lets the owner run the regular file at `path` (adds the owner's execute bit, nothing else;
// a link is not followed). False when it is not a regular file or cannot be changed.
bool MakeExecutableByOwner(const QString& path);

// Removes the file (or link) at `path`. True when nothing is there afterwards.
bool RemoveLocalFile(const QString& path);

// The longest file name in bytes that the file system holding `directory` takes; 255, the
// common limit, when it does not say.
int MaxFileNameBytes(const QString& directory);
