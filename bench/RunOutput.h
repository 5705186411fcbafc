#pragma once

#include <QString>

// What one run left at its output path: a file, or a directory the run wrote its files into.
// Read after the run; then cleared outside the timing, flushed to the disk before it is removed
// and the removal flushed too, so that neither the writeback of one run's data nor the freeing
// of its blocks (this file system discards freed blocks) falls into the next run of either side.
class TRunOutput {
public:
    // The regular files at the path (the file itself, or those anywhere below the directory)
    // and their bytes; none when nothing is there.
    static TRunOutput Of(const QString& path);
    qint64 Files() const { return FFiles; }
    qint64 Bytes() const { return FBytes; }

    // Removes the file, or everything in the directory (the directory stays for the next run);
    // false when something could not be removed.
    static bool Clear(const QString& path);

private:
    qint64 FFiles = 0;
    qint64 FBytes = 0;
};
