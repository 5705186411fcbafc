#pragma once

#include "platform/FileReader.h"

#include <QString>

#include <memory>

// A local regular file opened read-only. Anything else (a directory, a FIFO, a device) is
// refused at Open, which never waits: a FIFO without a writer or a device would otherwise
// block the open or the reads for good.
class TLocalFileReader : public TFileReader {
public:
    // Null when the path cannot be opened for reading or is not a regular file; `reason` (when
    // given) then says why in the system's own words, or "Not a regular file".
    static std::unique_ptr<TLocalFileReader> Open(const QString& path, QString* reason = nullptr);
    ~TLocalFileReader() override;
    TLocalFileReader(const TLocalFileReader&) = delete;
    TLocalFileReader& operator=(const TLocalFileReader&) = delete;

    bool Status(TFileStatus& status) override;
    qint64 Read(char* buffer, qint64 maxSize) override;
    QString Reason() const override { return FReason; }
    int LocalDescriptor() const override { return FDescriptor; }

    // True when `path` names this very file (same device and inode), under whatever name.
    bool IsSameFileAs(const QString& path) const;

private:
    explicit TLocalFileReader(int descriptor);

    int FDescriptor;
    QString FReason;
};
