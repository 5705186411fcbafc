#pragma once

#include "platform/FileReader.h"

#include <QString>

// One block of a copy: the bytes copied (0 at the source's end), or the side that failed.
struct TCopiedBlock {
    enum TFailure { NoFailure, ReadFailed, WriteFailed };
    qint64 Count = 0;
    TFailure Failure = NoFailure;
};

// A file being written so that its target name only ever shows a complete file, on a local disk
// or on a network share: the data goes to a temporary file beside the target and Commit renames
// it over the target. Until then an existing target stays as it was; Discard, a failed Commit or
// the destructor removes the temporary file. Opening is the implementation's business.
class TFileWriter {
public:
    virtual ~TFileWriter() = default;

    // False once a write has failed; the data is then incomplete and only Discard is left.
    virtual bool Write(const char* data, qint64 size) = 0;
    // Sets aside room for the `size` bytes to come where the file system allows it, so that the
    // blocks that follow are written into one piece; a hint only: nothing fails when it cannot,
    // and the file ends as long as what was written.
    virtual void Reserve(qint64 /*size*/) {}
    // The reader's next block of up to maxSize bytes, through `buffer` (of that size) or in
    // whatever cheaper way the two files allow. A failure names the side that failed; the
    // reader or this writer says why.
    virtual TCopiedBlock CopyBlockFrom(TFileReader& reader, char* buffer, qint64 maxSize)
    {
        const qint64 count = reader.Read(buffer, maxSize);
        if (count < 0)
            return {0, TCopiedBlock::ReadFailed};
        if (count > 0 && !Write(buffer, count))
            return {0, TCopiedBlock::WriteFailed};
        return {count};
    }
    // Writes what is buffered and renames the temporary file over the target. On failure the
    // temporary file is removed and the target is as it was.
    virtual bool Commit() = 0;
    // Like Commit, but never replaces a file: when the target's name is taken (even by a file
    // that came a moment ago), it fails with Error() EEXIST and keeps the complete temporary
    // file, so that it can be committed under another name in the same directory
    // (`otherTargetPath`; empty: the target given at Open). Other failures end as for Commit.
    virtual bool CommitNoReplace(const QString& otherTargetPath = {}) = 0;
    // Removes the temporary file; the target stays as it was. Does nothing when not open.
    virtual void Discard() = 0;

    // Resume. A writer opened on a target's kept partial file starts with the bytes that a
    // broken download left there: KeptSize() of them, which KeptInfo() describes (what the caller
    // recorded with Restart). Writes append to them. Other writers keep nothing.
    virtual qint64 KeptSize() const { return 0; }
    virtual QByteArray KeptInfo() const { return {}; }
    // Empties the kept file and records what it is going to hold (empty: nothing worth keeping).
    virtual void Restart(const QByteArray& /*info*/) {}
    // Ends the writer after the transfer broke off: a kept partial file with a description stays,
    // holding what was written, for a later attempt to continue; anything else is discarded.
    // The bytes kept (0 when discarded).
    virtual qint64 Keep()
    {
        Discard();
        return 0;
    }

    virtual bool IsOpen() const = 0;
    // Path of the temporary file while open; empty otherwise.
    virtual QString TemporaryPath() const = 0;
    // The errno of the last failure (0 when none), a sentence naming the step and the target,
    // and the reason alone in the system's own words ("No space left on device").
    virtual int Error() const = 0;
    virtual QString ErrorString() const = 0;
    virtual QString Reason() const = 0;
};
