#pragma once

#include <QThread>

#include <condition_variable>
#include <functional>
#include <mutex>

class TRzLauncher;

// Runs one background start-and-wait of a launcher and delivers its events on the thread
// that owns this object (the launcher's), waiting until each handler has returned.
//
// The delivery is a queued call plus a condition variable rather than a blocking queued
// connection, because a blocking call cannot be withdrawn: an owner that stops the thread
// while an event is still queued would otherwise wait for a thread that waits for the owner.
class TRzLaunchThread : public QThread {
    Q_OBJECT

public:
    explicit TRzLaunchThread(TRzLauncher* ALauncher);

    // This thread's side.
    void ReportStarted();
    // Runs `event` on the owner's thread and returns when it has returned, or at once when
    // a stop has been requested (the event is then dropped).
    void Synchronize(const std::function<void()>& event);
    bool StopRequested() const;

    // The owner's side.
    void WaitUntilStarted();
    // True while one of this thread's events runs.
    bool InsideEvent() const;
    // Delivers an event that is still to come, here and now, then joins the thread. Not from
    // inside one of its events.
    void Finish();
    // Drops an event that has not been delivered yet, ends the wait after its current step
    // and joins the thread.
    void Stop();

protected:
    void run() override;

private:
    // Runs the pending event with FMutex released; returns with it held again, unless the
    // event destroyed this object.
    void DeliverPendingEvent(std::unique_lock<std::mutex>& lock);

    TRzLauncher* const FLauncher;
    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    std::function<void()> FPendingEvent;
    bool FInsideEvent = false;
    bool FStarted = false;
    bool FDone = false;
    bool FStopRequested = false;
};
