#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the thread that made the notifier, through a
// self-pipe that the handler writes to, so the reaction runs in the event loop and may do
// anything (a signal handler may not). One instance per process; the earlier handlers come
// back when it is destroyed.
class TInterruptNotifier : public QObject {
    Q_OBJECT
public:
    explicit TInterruptNotifier(QObject* parent = nullptr);
    ~TInterruptNotifier() override;

signals:
    void Interrupted(int signalNumber);

private:
    void Drain();

    int FReadEnd = -1;
    QSocketNotifier* FNotifier = nullptr;
};
