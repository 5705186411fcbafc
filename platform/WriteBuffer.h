#pragma once

#include <QtGlobal>

#include <cerrno>

#include <cstring>
#include <memory>
#include <utility>

// Gathers small writes into blocks of up to `capacity` bytes for a sink that pays per call (a
// system call, a round trip to a server). A sink is callable as bool(const char* data, qint64
// size) and writes everything or fails.
class TWriteBuffer {
public:
    explicit TWriteBuffer(qint64 capacity)
        : FCapacity(capacity)
    {
    }

    template <class TSink>
    bool Write(const char* data, qint64 size, TSink&& sink)
    {
        if (FUsed + size > FCapacity && !Flush(sink))
            return false;
        if (size >= FCapacity)
            return sink(data, size);
        if (!FData)
            FData = std::make_unique_for_overwrite<char[]>(size_t(FCapacity));
        std::memcpy(FData.get() + FUsed, data, size_t(size));
        FUsed += size;
        return true;
    }

    template <class TSink>
    bool Flush(TSink&& sink)
    {
        const qint64 used = std::exchange(FUsed, 0);
        return used == 0 || sink(FData.get(), used);
    }

    // Forgets what is buffered.
    void Clear() { FUsed = 0; }

    // Calls writeOnce (ssize_t(const char* data, size_t size), a write() that may write less)
    // until all is written, again after EINTR. 0, or the errno of the failure (ENOSPC when
    // nothing at all was written).
    template <class TWriteOnce>
    static int WriteFully(const char* data, qint64 size, TWriteOnce&& writeOnce)
    {
        while (size > 0) {
            const auto written = writeOnce(data, size_t(size));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return written < 0 ? errno : ENOSPC;
            data += written;
            size -= written;
        }
        return 0;
    }

private:
    qint64 FCapacity;
    std::unique_ptr<char[]> FData;
    qint64 FUsed = 0;
};
