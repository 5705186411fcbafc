#pragma once

#include "webcopy/TransferResult.h"

#include <QString>

#include <functional>

// When a failed transfer is tried again and after how long. Only what the network may cure by
// itself is retried: a connection that could not be made or broke off, a time-out, and the
// HTTP statuses that mean "not now" (408, 429, 500, 502, 503, 504). The wait doubles with each
// retry from the first delay, plus up to a quarter of jitter so that many clients do not come
// back at the same moment; a server's Retry-After replaces it. Every wait stops at the cap.
class TRetryPolicy {
public:
    // `jitter` gives a number in [0, 1); by default a random one.
    TRetryPolicy(int retries, int firstDelayMs, int maxDelayMs, std::function<double()> jitter = {});

    int Retries() const { return FRetries; }
    static bool IsTransient(const TTransferResult& failure);
    // The wait before retry number `retry` (1 for the first) after `failure`.
    int DelayMs(int retry, const TTransferResult& failure) const;
    // A few words on what failed, for the progress dialog's "... Trying again in 4 s".
    static QString Reason(const TTransferResult& failure);

private:
    int FRetries;
    int FFirstDelayMs;
    int FMaxDelayMs;
    std::function<double()> FJitter;
};
