#pragma once

#include <QString>
#include <QtGlobal>

#include <limits>

// The latest progress step of a transfer as integer display keys (see ProgressFormat): cheap
// to compare after every block; texts are made from them only when someone shows or reads one.
struct TProgressKeys {
    static constexpr qint64 NoTotal = std::numeric_limits<qint64>::min();

    int Position = -1;        // the bar, 0 to 100; -1 before the first step
    qint64 DoneKey = 0;
    qint64 TotalKey = NoTotal;
    qint64 RateKey = 0;
    quint64 TimeLeftKey = 0;
    quint64 ElapsedKey = 0;
    // The amounts themselves, in bytes, of the latest step (Total 0 when unknown).
    qint64 Done = 0;
    qint64 Total = 0;

    // Which keys a step changed.
    enum TChange : unsigned {
        PositionChanged = 1,
        SizeChanged = 2,
        RateChanged = 4,
        TimeLeftChanged = 8,
        ElapsedChanged = 16,
        AllChanged = 31
    };
};

// Whoever shows a copy run's progress: the progress dialog, a terminal line, a test recorder.
// The engine tells it what changed; it makes and shows its own texts.
class TWcProgressObserver {
public:
    virtual ~TWcProgressObserver() = default;

    virtual void CaptionChanged(const QString& caption) = 0;
    virtual void FileLineChanged(const QString& text) = 0;
    // A running bar without a position, while the total is unknown.
    virtual void MarqueeChanged(bool marquee) = 0;
    // What the transfer is doing before its first block ("Connecting to host ..."); the next
    // progress step replaces it.
    virtual void StatusChanged(const QString& status) = 0;
    virtual void ProgressChanged(const TProgressKeys& keys, unsigned changes) = 0;
    // A transient failure: the transfer is tried again (attempt `attempt` of `retries` retries)
    // once `secondsLeft` have passed. Told when the wait starts and as the seconds count down;
    // `reason` says what failed in a few words ("Connection lost.").
    virtual void RetryWaiting(int attempt, int retries, int secondsLeft, const QString& reason)
    {
        Q_UNUSED(attempt) Q_UNUSED(retries) Q_UNUSED(secondsLeft) Q_UNUSED(reason)
    }
    // The run has ended; with Open buttons offered, `openEnabled` says whether they may be used.
    virtual void RunEnded(bool cancelled) = 0;
};
