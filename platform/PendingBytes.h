#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <vector>

// Bytes that wait between libcurl and a caller that moves them in pieces of its own size: what
// a write callback received until the caller reads it block by block, or what the caller wrote
// until libcurl's read callback takes it. Taken oldest first; the storage is reused once all of
// it has been taken.
class TPendingBytes {
public:
    void Reserve(size_t size) { FData.reserve(size); }
    void Append(const char* data, size_t size) { FData.insert(FData.end(), data, data + size); }

    // Up to `max` bytes into `buffer`: the count.
    size_t Take(char* buffer, size_t max)
    {
        const size_t count = std::min(max, Size());
        std::memcpy(buffer, FData.data() + FTaken, count);
        FTaken += count;
        if (FTaken == FData.size())
            Clear();
        return count;
    }
    QByteArray TakeAll()
    {
        QByteArray all(FData.data() + FTaken, qsizetype(Size()));
        Clear();
        return all;
    }

    size_t Size() const { return FData.size() - FTaken; }
    bool Empty() const { return Size() == 0; }
    void Clear()
    {
        FData.clear();
        FTaken = 0;
    }

private:
    std::vector<char> FData;
    size_t FTaken = 0;
};
