#pragma once

#include "platform/FileWriter.h"
#include "platform/WriteBuffer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class TSmbShare;
struct _SMBCFILE;

// Writes a file on a connected network share the way TAtomicFileWriter does locally: the data
// goes to a temporary file created exclusively in the target's directory on the share, Commit
// renames it over the target (replacing an existing one), and Discard, a failure or the
// destructor removes it. An existing target stays as it was until Commit. The client library
// cannot replace a file in one step: during Commit the old file is moved aside (and back should
// the rename fail), so for a moment the target's name shows no file, never a partial one. The
// writer must be destroyed before its share disconnects.
class TSmbFileWriter : public TFileWriter {
public:
    // Every write is a round trip to the server, so blocks are gathered into large ones.
    static constexpr qint64 BufferSize = 1024 * 1024;

    TSmbFileWriter();
    ~TSmbFileWriter() override;
    TSmbFileWriter(const TSmbFileWriter&) = delete;
    TSmbFileWriter& operator=(const TSmbFileWriter&) = delete;

    // Creates the temporary file for `relativePath` (backslashes or slashes, relative to the
    // share as connected) on `share`, whose directory must exist. Fails when the share is not
    // connected, the directory cannot take a new file or the target is a directory.
    bool Open(TSmbShare& share, const QString& relativePath);
    bool Write(const char* data, qint64 size) override;
    bool Commit() override;
    // The client library cannot rename without replacing: the target's name is first claimed
    // by creating it exclusively, so only that empty claim is replaced.
    bool CommitNoReplace(const QString& otherTargetPath = {}) override;
    void Discard() override;

    bool IsOpen() const override { return FFile != nullptr || FFinished; }
    QString TargetPath() const { return FTargetPath; }
    // Relative to the share, with slashes.
    QString TemporaryPath() const override { return FTemporaryPath; }
    int Error() const override { return FError; }
    QString ErrorString() const override { return FErrorString; }
    QString Reason() const override { return FReason; }

private:
    // A new temporary name beside the target, as path segments.
    QStringList NewTemporarySegments() const;
    bool WriteAll(const char* data, qint64 size);
    // Flushes and closes the temporary file, once.
    bool Finish();
    bool Rename(const QByteArray& from, const QByteArray& to) const;
    void Committed();
    bool Fail(int error, const QString& what);

    TSmbShare* FShare = nullptr;
    _SMBCFILE* FFile = nullptr;
    // The temporary file is complete and closed; only its rename is left.
    bool FFinished = false;
    QString FTargetPath;
    QString FTemporaryPath;  // while open
    QByteArray FTargetUrl;
    QStringList FDirectory;  // the target's directory, as path segments
    QByteArray FStem;        // of the temporary names
    QByteArray FTemporaryUrl;  // while open
    TWriteBuffer FBuffer{BufferSize};
    int FError = 0;
    QString FErrorString;
    QString FReason;
};
