#include "launcher/RzLaunchThread.h"

#include "launcher/RzLauncher.h"

#include <QPointer>

#include <utility>

TRzLaunchThread::TRzLaunchThread(TRzLauncher* ALauncher)
    : FLauncher(ALauncher)
{
}

void TRzLaunchThread::run()
{
    try {
        FLauncher->StartAndWait();
    } catch (...) {
        // Nothing else may throw here, but an escape must neither end the program nor leave
        // the owner waiting for a start or an end that never comes.
        qWarning("The launcher's background wait ended by an exception");
    }
    std::lock_guard lock(FMutex);
    FStarted = true;
    FDone = true;
    FChanged.notify_all();
}

void TRzLaunchThread::ReportStarted()
{
    std::lock_guard lock(FMutex);
    FStarted = true;
    FChanged.notify_all();
}

void TRzLaunchThread::Synchronize(const std::function<void()>& event)
{
    std::unique_lock lock(FMutex);
    if (FStopRequested)
        return;
    FPendingEvent = event;
    // Dropped unseen when this object goes first: then Stop has released us already.
    QMetaObject::invokeMethod(
        this,
        [this] {
            std::unique_lock ownerLock(FMutex);
            DeliverPendingEvent(ownerLock);
        },
        Qt::QueuedConnection);
    FChanged.notify_all(); // Finish may be waiting for it
    FChanged.wait(lock, [this] { return FStopRequested || (!FPendingEvent && !FInsideEvent); });
}

bool TRzLaunchThread::StopRequested() const
{
    std::lock_guard lock(FMutex);
    return FStopRequested;
}

void TRzLaunchThread::WaitUntilStarted()
{
    std::unique_lock lock(FMutex);
    FChanged.wait(lock, [this] { return FStarted; });
}

bool TRzLaunchThread::InsideEvent() const
{
    std::lock_guard lock(FMutex);
    return FInsideEvent;
}

void TRzLaunchThread::Finish()
{
    std::unique_lock lock(FMutex);
    while (!FDone) {
        if (FPendingEvent)
            DeliverPendingEvent(lock);
        else
            FChanged.wait(lock);
    }
    lock.unlock();
    wait();
}

void TRzLaunchThread::Stop()
{
    {
        std::lock_guard lock(FMutex);
        FStopRequested = true;
        FPendingEvent = nullptr;
        FChanged.notify_all();
    }
    wait();
}

void TRzLaunchThread::DeliverPendingEvent(std::unique_lock<std::mutex>& lock)
{
    if (!FPendingEvent)
        return; // delivered by Finish already, or dropped by Stop
    const std::function<void()> event = std::exchange(FPendingEvent, nullptr);
    FInsideEvent = true;
    lock.unlock();

    const QPointer<TRzLaunchThread> alive(this);
    try {
        event();
    } catch (...) {
        // This may run from the event loop, which must never see an exception.
        qWarning("An exception escaped a launcher event handler");
    }
    if (!alive)
        return; // the handler destroyed the launcher, which stopped and destroyed this thread

    lock.lock();
    FInsideEvent = false;
    FChanged.notify_all();
}
