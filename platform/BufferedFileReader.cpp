#include "platform/BufferedFileReader.h"

#include <algorithm>
#include <cstring>

TBufferedFileReader::TBufferedFileReader(TFileReader& source)
    : FSource(source)
    , FData(std::make_unique_for_overwrite<char[]>(BufferSize))
{
}

qint64 TBufferedFileReader::Read(char* buffer, qint64 maxSize)
{
    const char* block = nullptr;
    const qint64 count = Next(block, maxSize);
    if (count > 0)
        std::memcpy(buffer, block, size_t(count));
    return count;
}

qint64 TBufferedFileReader::Next(const char*& block, qint64 maxSize)
{
    while (FEnd - FStart < std::min(maxSize, BufferSize) && !FAtEnd) {
        std::memmove(FData.get(), FData.get() + FStart, size_t(FEnd - FStart));
        FEnd -= FStart;
        FStart = 0;
        const qint64 count = FSource.Read(FData.get() + FEnd, BufferSize - FEnd);
        if (count < 0)
            return -1;
        FAtEnd = count == 0;
        FEnd += count;
    }
    const qint64 count = std::min(maxSize, FEnd - FStart);
    block = FData.get() + FStart;
    FStart += count;
    return count;
}
