// The engine's HTTP download against curl from the same local server, and how fast Cancel
// acts against a server that has stalled.
//
//   bench_httpdownload [directory] [rounds]
//
// Serves a 1 GiB file from tests/servers/http_server.py on 127.0.0.1, downloads it with
// `curl -s -o FILE` and with a wpHttp item (dialog shown, offscreen unless QT_QPA_PLATFORM says
// otherwise) in turn, `rounds` times (default 5), into the same directory, and prints the
// medians, the ratio curl/engine and the peak memory; then clicks Cancel during a stalled body
// five times and prints the time from the click to the end of the run.
#include "bench/BenchServer.h"
#include "bench/BenchSupport.h"
#include "bench/RunTimings.h"
#include "webcopy/WebCopy.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

constexpr qint64 FileSize = qint64(1) << 30;

TWebCopyItem* AddDownload(TWebCopy& webCopy, const QString& url, const QString& dir)
{
    webCopy.ShowTime = true;
    webCopy.ShowElapsedTime = true;
    webCopy.ShowCompletion = true;
    TWebCopyItem* item = webCopy.Items().Add();
    item->URL = url;
    item->TargetDir = dir;
    item->TargetFilename = QStringLiteral("engine.bin");
    return item;
}

double TimeEngine(const QString& url, const QString& dir)
{
    TWebCopy webCopy;
    AddDownload(webCopy, url, dir);
    return RunSeconds(webCopy);
}

double CancelLatencyMs(const QString& url, const QString& dir)
{
    TWebCopy webCopy;
    AddDownload(webCopy, url, dir);
    return CancelLatencyMs(webCopy);
}

} // namespace

int main(int argc, char** argv)
{
    PreferOffscreenPlatform();
    QApplication app(argc, argv);
    const TBenchArguments arguments = ParseBenchArguments(app.arguments());
    QTemporaryDir work(arguments.Directory + QStringLiteral("/bench-http-XXXXXX"));
    const int rounds = arguments.Rounds;
    const QString docRoot = work.filePath(QStringLiteral("served"));
    const QString target = work.filePath(QStringLiteral("received"));
    TBenchServer server;
    if (!work.isValid() || rounds < 1 || !QDir().mkpath(docRoot) || !QDir().mkpath(target)
        || !MakeSourceFile(docRoot + QStringLiteral("/big.bin"), FileSize) || !server.Start(QStringLiteral("http_server.py"),
                                                                                 {QStringLiteral("--docroot"), docRoot, QStringLiteral("--log"), QStringLiteral("/dev/null")})) {
        std::fprintf(stderr, "cannot prepare the served file or start the server in %s\n", qPrintable(work.path()));
        return 1;
    }

    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.Port());
    const QString url = base + QStringLiteral("/big.bin");
    const QString curlFile = QDir(target).filePath(QStringLiteral("curl.bin"));
    std::vector<double> curlTimes;
    std::vector<double> engineTimes;
    for (int round = 0; round < rounds; ++round) {
        const double curlSeconds = TimeCommand(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), curlFile, url});
        QFile::remove(curlFile);
        const double engineSeconds = TimeEngine(url, target);
        QFile::remove(QDir(target).filePath(QStringLiteral("engine.bin")));
        if (curlSeconds < 0 || engineSeconds < 0) {
            std::fprintf(stderr, "a download failed in round %d\n", round + 1);
            return 1;
        }
        curlTimes.push_back(curlSeconds);
        engineTimes.push_back(engineSeconds);
    }
    const double curlMedian = Median(curlTimes);
    const double engineMedian = Median(engineTimes);
    std::printf("1 GiB HTTP download over loopback into %s, %d rounds, dialog shown (%s)\n", qPrintable(target), rounds,
                qPrintable(QGuiApplication::platformName()));
    std::printf("  curl    median %.3f s   (%s)\n", curlMedian, qPrintable(Joined(curlTimes)));
    std::printf("  engine  median %.3f s   (%s)\n", engineMedian, qPrintable(Joined(engineTimes)));
    std::printf("  ratio curl/engine %.3f (aim >= 0.9, then 0.95)\n", curlMedian / engineMedian);
    std::printf("  peak memory %.1f MB (aim < 100 MB)\n", PeakMemoryMb());

    std::vector<double> latencies;
    for (int i = 0; i < 5; ++i)
        latencies.push_back(CancelLatencyMs(base + QStringLiteral("/big.bin?stall=100000"), target));
    std::printf("Cancel against a stalled server: median %.1f ms from the click being due to the end of the run (%s) (aim < 100 ms)\n",
                Median(latencies), qPrintable(Joined(latencies)));
    return 0;
}
