#include "bench/CancelLatency.h"

#include "tests/support/ScriptServer.h"
#include "webcopy/WebCopy.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int ClickAfterMs = 300;
// A run that Cancel does not end is broken off by stopping its server.
constexpr int GiveUpAfterMs = 30000;

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
    return Tries(tries, server, [&](TWebCopy& webCopy) { AddItem(webCopy, url, targetDir); });
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
    return Tries(tries, server, [&](TWebCopy& webCopy) {
        webCopy.FTPPassive = true;
        TWebCopyItem* item = AddItem(webCopy, servedName, targetDir);
        item->Protocol = wpFtp;
        item->FTPHost = QStringLiteral("127.0.0.1");
        item->FTPPort = port;
    });
}

std::vector<double> TCancelLatency::Tries(int tries, TScriptServer& server, const std::function<void(TWebCopy&)>& prepare)
{
    std::vector<double> latencies;
    for (int i = 0; i < tries; ++i) {
        TWebCopy webCopy;
        prepare(webCopy);
        const double latency = LatencyMs(webCopy, server);
        if (latency < 0)
            return {};
        latencies.push_back(latency);
    }
    return latencies;
}

double TCancelLatency::LatencyMs(TWebCopy& webCopy, TScriptServer& server)
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
    bool gaveUp = false;
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [&] {
        gaveUp = true;
        server.Stop();
    });
    giveUp.start(GiveUpAfterMs);
    webCopy.Execute();
    if (gaveUp || !clicked) {
        FMessage = gaveUp ? QStringLiteral("the run had not ended %1 s after its start; its server was stopped").arg(GiveUpAfterMs / 1000)
                          : QStringLiteral("the run ended before Cancel was clicked");
        return -1;
    }
    return sinceArmed.nsecsElapsed() / 1e6 - ClickAfterMs;
}
