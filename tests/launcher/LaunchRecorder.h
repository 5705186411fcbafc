#pragma once

#include "launcher/RzLauncher.h"

#include <QList>
#include <QStringList>

#include <functional>

class QThread;

// What a launcher's event handler saw.
struct TLaunchEvent {
    QString Kind; // "finished", "timeout" or "error"
    quint32 ErrorCode = 0;
    bool Running = false;
    quintptr HProcess = 0;
    QThread* Thread = nullptr;
};

// Attaches handlers to all three events of a launcher and records them in order. It must
// outlive the launcher's last event.
class TLaunchRecorder {
public:
    explicit TLaunchRecorder(TRzLauncher& launcher);
    TLaunchRecorder(const TLaunchRecorder&) = delete;
    TLaunchRecorder& operator=(const TLaunchRecorder&) = delete;

    const QList<TLaunchEvent>& events() const { return FEvents; }
    QStringList kinds() const;

    // Called inside every handler, after the event has been recorded.
    std::function<void()> DuringEvent;

private:
    void record(QObject* sender, const QString& kind, quint32 errorCode);

    TRzLauncher* FLauncher;
    QList<TLaunchEvent> FEvents;
};
