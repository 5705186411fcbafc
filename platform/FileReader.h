#pragma once

#include <QString>

// Size and last-write time (seconds and nanoseconds since 1970-01-01 UTC) of an open file.
struct TFileStatus {
    qint64 Size = 0;
    qint64 LastWriteSecs = 0;
    int LastWriteNsec = 0;
    // The bytes the file really takes on its disk (less than Size for a sparse file); -1 when
    // the file system does not say (a share).
    qint64 AllocatedSize = -1;

    // What a copy of the file should reserve ahead (TFileWriter::Reserve): its size, but nothing
    // for a sparse file, whose copy keeps the holes.
    qint64 ReservableSize() const { return AllocatedSize >= 0 && AllocatedSize < Size ? 0 : Size; }
};

// A source file opened for reading, local or on a network share; a transfer reads it in
// blocks without knowing where it lives.
class TFileReader {
public:
    virtual ~TFileReader() = default;
    // False when the status of the open file cannot be read.
    virtual bool Status(TFileStatus& status) = 0;
    // Up to maxSize bytes into buffer: the count read, 0 at the end, -1 on failure.
    virtual qint64 Read(char* buffer, qint64 maxSize) = 0;
    // Why the last Status or Read failed, in the system's own words ("Input/output error").
    virtual QString Reason() const = 0;
    // The open local file, for a writer that can have the kernel copy from it; -1 when there is
    // none (a file on a share).
    virtual int LocalDescriptor() const { return -1; }
};
