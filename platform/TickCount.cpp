#include "platform/TickCount.h"

#include <time.h>

quint32 TickCount()
{
    timespec now {};
    // The coarse clock is read without a system call; its few-millisecond resolution is
    // plenty for rates and time estimates.
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<quint32>(static_cast<quint64>(now.tv_sec) * 1000u + static_cast<quint64>(now.tv_nsec) / 1000000u);
}
