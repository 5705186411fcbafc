#pragma once

#include "platform/FileReader.h"

#include <memory>

struct _SMBCCTX;
struct _SMBCFILE;

// A file on a network share opened for reading through the share's client context
// (TSmbShare::OpenFile makes it; it must not outlive that connection).
class TSmbFileReader : public TFileReader {
public:
    // Every read is a round trip to the server: the file is asked for in large pieces and
    // handed out in the blocks the caller reads.
    static constexpr qint64 ReadAheadSize = 1024 * 1024;

    TSmbFileReader(_SMBCCTX* context, _SMBCFILE* file);
    ~TSmbFileReader() override;
    TSmbFileReader(const TSmbFileReader&) = delete;
    TSmbFileReader& operator=(const TSmbFileReader&) = delete;

    bool Status(TFileStatus& status) override;
    qint64 Read(char* buffer, qint64 maxSize) override;
    QString Reason() const override { return FReason; }

private:
    _SMBCCTX* FContext;
    _SMBCFILE* FFile;
    QString FReason;
    std::unique_ptr<char[]> FData;
    qint64 FStart = 0;
    qint64 FEnd = 0;
};
