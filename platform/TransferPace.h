#pragma once

#include <QtGlobal>

#include <deque>

// Watches that a transfer keeps moving: fewer than MinimumBytes in any span of the window's
// length is too slow. A server that trickles a byte now and then is never silent long enough
// for an idle timer, yet would hold a transfer for ever. Times are the caller's milliseconds.
class TTransferPace {
public:
    static constexpr quint64 MinimumBytes = 1024;

    explicit TTransferPace(qint64 windowMs = 0) : FWindowMs(windowMs) {}

    // Starts judging afresh: the first verdict comes one window after `nowMs`.
    void Restart(qint64 nowMs, quint64 totalBytes);
    // Records the running total and tells whether the last window moved too little.
    bool TooSlow(qint64 nowMs, quint64 totalBytes);
    qint64 WindowMs() const { return FWindowMs; }

private:
    struct TSample {
        qint64 AtMs;
        quint64 TotalBytes;
    };

    // Enough to place a window's start to within 1 % of its length, and no more per window.
    static constexpr qint64 SamplesPerWindow = 100;

    qint64 FWindowMs;
    std::deque<TSample> FSamples;  // oldest first; the first one is at or before now - window
};
