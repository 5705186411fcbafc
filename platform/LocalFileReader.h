#pragma once

#include "platform/FileReader.h"

#include <QString>

#include <memory>

// A local file opened read-only. A directory is not a file to read and is refused at Open.
class TLocalFileReader : public TFileReader {
public:
    // Null when the path cannot be opened for reading or names a directory.
    static std::unique_ptr<TLocalFileReader> Open(const QString& path);
    ~TLocalFileReader() override;
    TLocalFileReader(const TLocalFileReader&) = delete;
    TLocalFileReader& operator=(const TLocalFileReader&) = delete;

    bool Status(TFileStatus& status) override;
    qint64 Read(char* buffer, qint64 maxSize) override;

    // True when `path` names this very file (same device and inode), under whatever name.
    bool IsSameFileAs(const QString& path) const;

private:
    explicit TLocalFileReader(int descriptor);

    int FDescriptor;
};
