#include "webcopy/ProgressReporter.h"

#include "platform/TickCount.h"
#include "webcopy/ProgressFormat.h"
#include "webcopy/WebCopy.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

TProgressReporter::TProgressReporter(TWebCopy& owner)
    : FOwner(owner)
{
}

template <typename Call>
void TProgressReporter::Notify(Call call)
{
    if (FDialog)
        call(*FDialog);
    if (FOwner.ProgressObserver)
        call(*FOwner.ProgressObserver);
}

void TProgressReporter::StartRun(const QString& caption)
{
    FKeys = {};
    FValid = false;
    FItemStartTick = TickCount();
    FCaptionPosition = -1;
    FCaptionWord.clear();
    Notify([&](TWcProgressObserver& observer) { observer.CaptionChanged(caption); });
}

void TProgressReporter::StartItem()
{
    FItemStartTick = TickCount();
}

void TProgressReporter::SetCaption(const QString& caption)
{
    Notify([&](TWcProgressObserver& observer) { observer.CaptionChanged(caption); });
}

void TProgressReporter::SetMarquee(bool marquee)
{
    Notify([&](TWcProgressObserver& observer) { observer.MarqueeChanged(marquee); });
}

void TProgressReporter::ShowStatus(const QString& status)
{
    FKeys = {};
    FValid = false;
    Notify([&](TWcProgressObserver& observer) { observer.StatusChanged(status); });
}

void TProgressReporter::ShowWaiting()
{
    if (!FValid)
        UpdateElapsed();
}

void TProgressReporter::ShowRetryWait(int attempt, int retries, int secondsLeft, const QString& reason)
{
    Notify([&](TWcProgressObserver& observer) { observer.RetryWaiting(attempt, retries, secondsLeft, reason); });
    UpdateElapsed();
}

void TProgressReporter::UpdateElapsed()
{
    const quint64 elapsedKey = TimeKey(TickCount() - FItemStartTick, 0, FValid ? FKeys.Total : 0);
    if (elapsedKey == FKeys.ElapsedKey)
        return;
    FKeys.ElapsedKey = elapsedKey;
    Notify([&](TWcProgressObserver& observer) { observer.ProgressChanged(FKeys, TProgressKeys::ElapsedChanged); });
}

void TProgressReporter::ShowFileLine(const QString& text)
{
    Notify([&](TWcProgressObserver& observer) { observer.FileLineChanged(text); });
}

void TProgressReporter::ShowProgress(int fileNum, qint64 done, qint64 total, quint32 startTick,
                                     const QString& captionWord, bool emptyIsComplete, qint64 kept)
{
    TProgressKeys& keys = FKeys;
    unsigned changes = FValid ? 0u : unsigned(TProgressKeys::AllChanged);
    FValid = true;
    // A source that grew while it was read is shown as what it has become, never past done.
    total = total > 0 ? std::max(total, done) : total;
    keys.Done = done;
    keys.Total = total;
    const bool knownTotal = total > 0 || emptyIsComplete;

    if (knownTotal) {
        const int position =
            total > 0 ? static_cast<int>(std::clamp<qint64>(MulDivRoundHalfEven(done, 100, total), 0, 100)) : 100;
        if (position != keys.Position) {
            keys.Position = position;
            changes |= TProgressKeys::PositionChanged;
        }
    } else if (keys.Position < 0) {
        keys.Position = 0;
    }

    const qint64 doneKey = AmountKey(done);
    const qint64 totalKey = knownTotal ? AmountKey(total) : TProgressKeys::NoTotal;
    if (doneKey != keys.DoneKey || totalKey != keys.TotalKey) {
        keys.DoneKey = doneKey;
        keys.TotalKey = totalKey;
        changes |= TProgressKeys::SizeChanged;
    }

    if (FOwner.ShowCompletion && (keys.Position != FCaptionPosition || captionWord != FCaptionWord)) {
        FCaptionPosition = keys.Position;
        FCaptionWord = captionWord;
        SetCaption(QStringLiteral("%1 : %2% %3").arg(captionWord).arg(keys.Position).arg(FOwner.DlgCompleted));
    }

    const quint32 now = TickCount();
    const quint32 elapsed = now - startTick;
    const qint64 moved = std::max<qint64>(done - kept, 0);
    const qint64 rateKey = AmountKey(MulDivRoundHalfEven(moved, 1000, static_cast<qint64>(elapsed) + 1));
    if (rateKey != keys.RateKey) {
        keys.RateKey = rateKey;
        changes |= TProgressKeys::RateChanged;
    }
    // Nothing is left once everything is done (the formula alone would give the elapsed time).
    const quint64 timeLeftKey = total > 0 && done == total ? TimeKey(0, 0, total) : TimeKey(elapsed, moved, total > 0 ? total - kept : total);
    if (timeLeftKey != keys.TimeLeftKey) {
        keys.TimeLeftKey = timeLeftKey;
        changes |= TProgressKeys::TimeLeftChanged;
    }
    const quint64 elapsedKey = TimeKey(std::max(elapsed, now - FItemStartTick), 0, total);
    if (elapsedKey != keys.ElapsedKey) {
        keys.ElapsedKey = elapsedKey;
        changes |= TProgressKeys::ElapsedChanged;
    }
    if (changes)
        Notify([&](TWcProgressObserver& observer) { observer.ProgressChanged(keys, changes); });

    if (FOwner.OnCopyProgress) {
        // The event's amounts are 32 bits wide: past 4 GiB they stay at their largest value
        // instead of starting again from zero.
        constexpr qint64 Largest = std::numeric_limits<quint32>::max();
        FOwner.OnCopyProgress(&FOwner, fileNum, static_cast<quint32>(std::clamp<qint64>(done, 0, Largest)),
                              static_cast<quint32>(std::clamp<qint64>(total, 0, Largest)));
    }
    KeepResponsive();
}

void TProgressReporter::RunEnded(bool cancelled)
{
    Notify([&](TWcProgressObserver& observer) { observer.RunEnded(cancelled); });
}

void TProgressReporter::KeepResponsive()
{
    constexpr qint64 EventsIntervalNs = 10000000;
    if (FSinceEventsHandled.isValid() && FSinceEventsHandled.nsecsElapsed() < EventsIntervalNs)
        return;
    QCoreApplication::processEvents();
    FSinceEventsHandled.start();
}

QString TProgressReporter::RateStr() const
{
    return FValid ? RateTextFromKey(FKeys.RateKey) : QString();
}

QString TProgressReporter::TimeLeftStr() const
{
    return FValid ? TimeTextFromKey(FKeys.TimeLeftKey, FOwner.DlgTimeSec, FOwner.DlgTimeMin) : QString();
}

QString TProgressReporter::ElapsedTimeStr() const
{
    return FValid ? TimeTextFromKey(FKeys.ElapsedKey, FOwner.DlgTimeSec, FOwner.DlgTimeMin) : QString();
}
