#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// Writes a file so that its target name only ever shows a complete file: the data goes to a
// temporary file created exclusively (never through a link) in the target's directory, and
// Commit renames it over the target. Until then an existing target stays as it was; Discard,
// a failed Commit or the destructor removes the temporary file. Small writes are gathered into
// larger write() calls. Not copyable: it owns a descriptor and a buffer.
class TAtomicFileWriter {
public:
    // Gathers 4 KiB network blocks into 32 KiB writes. Larger writes save little more and were
    // often several times slower on the virtual machines measured (large page-cache folios).
    static constexpr qint64 BufferSize = 32 * 1024;

    TAtomicFileWriter();
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    // Creates the temporary file for `targetPath`. Fails when the directory cannot take a new
    // file or the target is a directory. An existing regular target lends its permission bits
    // to the new file; otherwise the umask decides, as for any new file.
    bool Open(const QString& targetPath);
    // False once a write has failed; the data is then incomplete and only Discard is left.
    bool Write(const char* data, qint64 size);
    // Writes what is buffered and renames the temporary file over the target. On failure the
    // temporary file is removed and the target is as it was.
    bool Commit();
    // Removes the temporary file; the target stays as it was. Does nothing when not open.
    void Discard();

    bool IsOpen() const { return FDescriptor >= 0; }
    QString TargetPath() const { return FTargetPath; }
    // Path of the temporary file while open; empty otherwise.
    QString TemporaryPath() const;
    // The errno of the last failure (0 when none) and a sentence naming the step and path.
    int Error() const { return FError; }
    QString ErrorString() const { return FErrorString; }

private:
    bool Flush();
    bool WriteAll(const char* data, qint64 size);
    bool Fail(int error, const QString& what);

    QString FTargetPath;
    QByteArray FTarget;     // encoded target path
    QByteArray FTemporary;  // encoded temporary path while open
    int FDescriptor = -1;
    std::unique_ptr<char[]> FBuffer;
    qint64 FBuffered = 0;
    int FError = 0;
    QString FErrorString;
};
