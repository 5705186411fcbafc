#pragma once

#include "webcopy/ProgressObserver.h"

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

class TWebCopy;

// Tells a run's observers (the dialog when there is one, and the component's ProgressObserver)
// what a transfer is doing. The step after every block does integer work only: observers are
// told which display keys changed and make their texts when they show them.
class TProgressReporter {
public:
    explicit TProgressReporter(TWebCopy& owner);

    // The dialog of the run, or null when the run has none (no windows in this program).
    void SetDialog(TWcProgressObserver* dialog) { FDialog = dialog; }
    // A new run: no progress yet, and the observers get the caption.
    void StartRun(const QString& caption);
    // A new item: the elapsed time counts from here, connecting included.
    void StartItem();

    void SetCaption(const QString& caption);
    void SetMarquee(bool marquee);
    // What the transfer does until its first block ("Connecting to ..."); the next step replaces it.
    void ShowStatus(const QString& status);
    // Keeps the elapsed time going while a client waits for the other side.
    void ShowWaiting();
    // Waiting before a retry: observers hear it, and the elapsed time goes on.
    void ShowRetryWait(int attempt, int retries, int secondsLeft, const QString& reason);
    void ShowFileLine(const QString& text);
    // The step after every block. A total of 0 means unknown, unless emptyIsComplete says the
    // source is known to be empty.
    // `kept` of the done bytes were there before this attempt (a resumed download): they move
    // the bar but not the rate or the time left.
    void ShowProgress(int fileNum, qint64 done, qint64 total, quint32 startTick, const QString& captionWord,
                      bool emptyIsComplete = false, qint64 kept = 0);
    void RunEnded(bool cancelled);
    // Handles pending window messages between blocks and between items, at most about every
    // 10 ms: often enough that a click on Cancel acts at once for the user, rarely enough that
    // repainting the dialog (the labels change with every file) costs little next to moving
    // small files by the thousand.
    void KeepResponsive();

    // Texts of the latest step; empty before the first.
    QString RateStr() const;
    QString TimeLeftStr() const;
    QString ElapsedTimeStr() const;

private:
    void UpdateElapsed();
    template <typename Call>
    void Notify(Call call);

    TWebCopy& FOwner;
    TWcProgressObserver* FDialog = nullptr;
    TProgressKeys FKeys;
    bool FValid = false;
    quint32 FItemStartTick = 0;
    QElapsedTimer FSinceEventsHandled;
    int FCaptionPosition = -1;
    QString FCaptionWord;
};
