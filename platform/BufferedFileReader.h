#pragma once

#include "platform/FileReader.h"

#include <memory>

// Reads a file in large pieces and hands it out in the small blocks a transfer sends one by
// one: a 1 GiB upload in 4 KiB blocks made a quarter of a million read() calls, as many as
// blocks. A block comes back whole unless the file ends first; a failed read shows at the block
// that needs it.
class TBufferedFileReader : public TFileReader {
public:
    static constexpr qint64 BufferSize = 64 * 1024;

    explicit TBufferedFileReader(TFileReader& source);
    TBufferedFileReader(const TBufferedFileReader&) = delete;
    TBufferedFileReader& operator=(const TBufferedFileReader&) = delete;

    bool Status(TFileStatus& status) override { return FSource.Status(status); }
    qint64 Read(char* buffer, qint64 maxSize) override;
    // The next block as Read gives it, without a copy: `block` points into the reader's buffer
    // and stays valid until the next call.
    qint64 Next(const char*& block, qint64 maxSize);
    QString Reason() const override { return FSource.Reason(); }

private:
    TFileReader& FSource;
    std::unique_ptr<char[]> FData;
    qint64 FStart = 0;
    qint64 FEnd = 0;
    bool FAtEnd = false;
};
