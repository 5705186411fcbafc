#pragma once

#include "webcopy/ProgressObserver.h"

#include <functional>
#include <vector>

// Records the waits before retries that a run announces, one per attempt (a wait is told again
// as its seconds count down), and calls OnWait at the start of each.
class TRecordingRetries : public TWcProgressObserver {
public:
    void CaptionChanged(const QString&) override {}
    void FileLineChanged(const QString&) override {}
    void MarqueeChanged(bool) override {}
    void StatusChanged(const QString&) override {}
    void ProgressChanged(const TProgressKeys&, unsigned) override {}
    // The next run counts its attempts from 1 again.
    void RunEnded(bool) override { FLastAttempt = 0; }
    void RetryWaiting(int attempt, int, int, const QString&) override
    {
        if (attempt == FLastAttempt)
            return;
        FLastAttempt = attempt;
        Waits.push_back(attempt);
        if (OnWait)
            OnWait();
    }

    std::vector<int> Waits;
    std::function<void()> OnWait;

private:
    int FLastAttempt = 0;
};
