#include "bench/CancelLatency.h"

#include "tests/support/ScriptServer.h"
#include "webcopy/WebCopy.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int ClickAfterMs = 300;

// Milliseconds from the click being due to the end of the run; -1 when no click came.
double CancelLatencyMs(TWebCopy& webCopy)
{
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

TWebCopyItem* AddItem(TWebCopy& webCopy, const QString& url, const QString& targetDir)
{
    webCopy.ShowTime = true;
    webCopy.ShowElapsedTime = true;
    webCopy.ShowCompletion = true;
    TWebCopyItem* item = webCopy.Items().Add();
    item->URL = url;
    item->TargetDir = targetDir;
    item->TargetFilename = QStringLiteral("cancelled.bin");
    return item;
}

} // namespace

std::vector<double> TCancelLatency::AgainstHttp(const QString& servedDir, const QString& servedName,
                                                const QString& targetDir, int tries)
{
    TScriptServer server;
    const quint16 port = server.Start(QStringLiteral("http_server.py"),
                                      {QStringLiteral("--docroot"), servedDir, QStringLiteral("--log"), QStringLiteral("/dev/null")});
    if (port == 0) {
        FMessage = server.Message();
        return {};
    }
    const QString url = QStringLiteral("http://127.0.0.1:%1/%2?stall=100000").arg(port).arg(servedName);
    return Tries(tries, [&](TWebCopy& webCopy) { AddItem(webCopy, url, targetDir); });
}

std::vector<double> TCancelLatency::AgainstFtp(const QString& servedDir, const QString& servedName,
                                               const QString& targetDir, int tries)
{
    TScriptServer server;
    const quint16 port = server.Start(QStringLiteral("ftp_server.py"), {QStringLiteral("--root"), servedDir, QStringLiteral("--log"),
                                                                        QStringLiteral("/dev/null"), QStringLiteral("--stall")});
    if (port == 0) {
        FMessage = server.Message();
        return {};
    }
    return Tries(tries, [&](TWebCopy& webCopy) {
        webCopy.FTPPassive = true;
        TWebCopyItem* item = AddItem(webCopy, servedName, targetDir);
        item->Protocol = wpFtp;
        item->FTPHost = QStringLiteral("127.0.0.1");
        item->FTPPort = port;
    });
}

std::vector<double> TCancelLatency::Tries(int tries, const std::function<void(TWebCopy&)>& prepare)
{
    std::vector<double> latencies;
    for (int i = 0; i < tries; ++i) {
        TWebCopy webCopy;
        prepare(webCopy);
        const double latency = CancelLatencyMs(webCopy);
        if (latency < 0) {
            FMessage = QStringLiteral("the run ended before Cancel was clicked");
            return {};
        }
        latencies.push_back(latency);
    }
    return latencies;
}
