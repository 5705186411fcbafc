#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>

#include <ctime>

// What writers left behind in a directory when they died: their temporary files, and kept
// partial files that nobody has continued for TAtomicFileWriter::KeptPartialLifetimeDays. Only
// what no live writer holds is ever removed (see TAtomicFileWriter).
//
// A run that writes many files into one directory keeps one of these for the run: the directory
// is listed once, when its first target is opened, not once for every file (with thousands of
// files that listing was the largest cost per file). A writer that dies while the run goes on
// leaves its file for the next run.
class TStaleTemporaries {
public:
    // Removes the leftovers of the temporaries for the target whose temporary names have this
    // stem, in `directory` (with its slash, or empty for the current directory); the first call
    // for a directory also removes the kept partial files that are too old.
    void RemoveFor(const QByteArray& directory, const QByteArray& stem);

    // Removes the file at `name` (relative to the open directory, or AT_FDCWD) when it is this
    // user's regular file, its lock can be taken (no live writer holds it) and, with a minimum
    // age, it was last written longer ago than that. The name must still name the locked file
    // when it goes; `alsoRemove` goes with it.
    static bool RemoveIfUnlocked(int directoryDescriptor, const char* name, time_t olderThan = 0,
                                 const QByteArray& alsoRemove = {});

private:
    // The directory's temporary names by their stems, from one listing that also removes the
    // kept partial files that are too old.
    using TByStem = QHash<QByteArray, QList<QByteArray>>;
    static TByStem Sweep(const QByteArray& directory);

    QHash<QByteArray, TByStem> FListed;
};
