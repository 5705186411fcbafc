#pragma once

#include "platform/FileWriter.h"
#include "platform/SmbShare.h"
#include "platform/StaleTemporaries.h"

#include <QString>

#include <memory>

// Where a transfer writes its target: a local directory, or a directory on a network share
// ("smb://server/share/dir", "\\server\share\dir") that is connected for the transfer with the
// item's account. Paths handed in are the full target paths the transfer composes from the
// target directory; for a share they are taken apart the same way as the directory.
class TTargetFolder {
public:
    // Connects to the share when the directory names one ("smb://..." or "\\..."), each of its
    // calls waiting at most timeoutMs (0: the share client's default); false with Reason() and
    // Failure() when it cannot be reached, or when the directory looks like a share and cannot
    // be split into one ("Not a network share name", never taken for a local directory). A
    // local directory needs nothing and gives true.
    bool Open(const QString& targetDir, const QString& userName, const QString& password, int timeoutMs = 0);
    // Leaves the share; false with Reason() when that failed. True for a local directory.
    bool Close();
    bool OnShare() const { return FOnShare; }

    // True when something that is not a directory is at the path.
    bool Exists(const QString& path);
    // Creates the directory part of the path with its missing parents.
    void MakeParentDirectories(const QString& path);
    // The longest file name in bytes that the directory takes.
    int MaxFileNameBytes(const QString& dir) const;
    // A writer whose Commit puts the complete file at the path; null with Reason() on failure.
    // `resumable`: on a local disk, through the target's kept partial file (see
    // TAtomicFileWriter::OpenResumable). A writer on a share keeps nothing: a download broken
    // there starts over. `leftovers` is the run's, for a local target (see TAtomicFileWriter::Open).
    std::unique_ptr<TFileWriter> CreateWriter(const QString& path, bool resumable, TStaleTemporaries& leftovers);

    QString Reason() const { return FReason; }
    // Why Open failed, for a share.
    TSmbShare::TFailure Failure() const { return FShare.Failure(); }

private:
    QString InShare(const QString& path) const;

    bool FOnShare = false;
    TSmbShare FShare;
    QString FReason;
};
