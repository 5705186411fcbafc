#include "tests/launcher/LaunchRecorder.h"

#include <QThread>
#include <gtest/gtest.h>

TLaunchRecorder::TLaunchRecorder(TRzLauncher& launcher)
    : FLauncher(&launcher)
{
    launcher.OnFinished = [this](QObject* sender) { record(sender, QStringLiteral("finished"), 0); };
    launcher.OnTimeout = [this](QObject* sender) { record(sender, QStringLiteral("timeout"), 0); };
    launcher.OnError = [this](QObject* sender, quint32 errorCode) {
        record(sender, QStringLiteral("error"), errorCode);
    };
}

QStringList TLaunchRecorder::kinds() const
{
    QStringList kinds;
    for (const TLaunchEvent& event : FEvents)
        kinds.append(event.Kind);
    return kinds;
}

void TLaunchRecorder::record(QObject* sender, const QString& kind, quint32 errorCode)
{
    EXPECT_EQ(sender, FLauncher);
    FEvents.append({kind, errorCode, FLauncher->Running(), FLauncher->HProcess(), QThread::currentThread()});
    if (DuringEvent)
        DuringEvent();
}
