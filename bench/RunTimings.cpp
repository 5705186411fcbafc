#include "bench/RunTimings.h"

#include "webcopy/WebCopy.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

double RunSeconds(TWebCopy& webCopy)
{
    QElapsedTimer timer;
    timer.start();
    webCopy.Execute();
    const double seconds = timer.nsecsElapsed() / 1e9;
    return webCopy.Items()[0]->Success() ? seconds : -1;
}

double CancelLatencyMs(TWebCopy& webCopy)
{
    constexpr int ClickAfterMs = 300;
    QElapsedTimer sinceArmed;
    bool clicked = false;
    QTimer click;
    click.setSingleShot(true);
    click.setTimerType(Qt::PreciseTimer);
    QObject::connect(&click, &QTimer::timeout, [&] {
        clicked = true;
        webCopy.ProgressForm()->findChild<QPushButton*>(QStringLiteral("CancelBtn"))->click();
    });
    webCopy.OnCopyProgress = [&](QObject*, int, quint32, quint32) {
        if (!sinceArmed.isValid()) {
            sinceArmed.start();
            click.start(ClickAfterMs);
        }
    };
    webCopy.Execute();
    return clicked ? sinceArmed.nsecsElapsed() / 1e6 - ClickAfterMs : -1;
}
