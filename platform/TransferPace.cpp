#include "platform/TransferPace.h"

void TTransferPace::Restart(qint64 nowMs, quint64 totalBytes)
{
    FSamples.assign(1, {nowMs, totalBytes});
}

bool TTransferPace::TooSlow(qint64 nowMs, quint64 totalBytes)
{
    if (FSamples.empty())
        Restart(nowMs, totalBytes);
    if (nowMs - FSamples.back().AtMs >= FWindowMs / SamplesPerWindow)
        FSamples.push_back({nowMs, totalBytes});
    const qint64 windowStart = nowMs - FWindowMs;
    if (FSamples.front().AtMs > windowStart)
        return false;  // not one whole window watched yet
    // Keep the newest sample at or before the window's start: the total there is what the
    // window is measured against.
    while (FSamples.size() > 1 && FSamples[1].AtMs <= windowStart)
        FSamples.pop_front();
    return totalBytes - FSamples.front().TotalBytes < MinimumBytes;
}
