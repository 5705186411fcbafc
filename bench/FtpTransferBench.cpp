// The engine's FTP download and upload against curl with the same local vsftpd, and how fast
// Cancel acts against a stalled data connection.
//
//   bench_ftptransfer [directory] [rounds]
//
// Starts vsftpd through tests/servers/ftp_server.py on 127.0.0.1 with a 1 GiB file, then in turn,
// `rounds` times (default 5): `curl -s -o FILE` against a wpFtp item, and `curl -s -T FILE`
// against a wpFtpUpload item (dialog shown, offscreen unless QT_QPA_PLATFORM says otherwise).
// Prints the medians, the ratios curl/engine and the peak memory; then clicks Cancel five times
// while pyftpdlib's data connection stalls and prints the time from the click to the end of the run.
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

QString FtpUrl(int port, const QString& path)
{
    return QStringLiteral("ftp://127.0.0.1:%1/%2").arg(port).arg(path);
}

TWebCopyItem* AddItem(TWebCopy& webCopy, TWebCopyProtocol protocol, int port, const QString& url, const QString& dir)
{
    webCopy.ShowTime = true;
    webCopy.ShowElapsedTime = true;
    webCopy.ShowCompletion = true;
    webCopy.FTPPassive = true;
    TWebCopyItem* item = webCopy.Items().Add();
    item->Protocol = protocol;
    item->FTPHost = QStringLiteral("127.0.0.1");
    item->FTPPort = port;
    item->URL = url;
    item->TargetDir = dir;
    item->TargetFilename = QStringLiteral("engine.bin");
    return item;
}

double TimeEngine(TWebCopyProtocol protocol, int port, const QString& url, const QString& dir)
{
    TWebCopy webCopy;
    AddItem(webCopy, protocol, port, url, dir);
    return RunSeconds(webCopy);
}

double CancelLatencyMs(int port, const QString& dir)
{
    TWebCopy webCopy;
    AddItem(webCopy, wpFtp, port, QStringLiteral("big.bin"), dir);
    return CancelLatencyMs(webCopy);
}

} // namespace

int main(int argc, char** argv)
{
    PreferOffscreenPlatform();
    QApplication app(argc, argv);
    const TBenchArguments arguments = ParseBenchArguments(app.arguments());
    QTemporaryDir work(arguments.Directory + QStringLiteral("/bench-ftp-XXXXXX"));
    const int rounds = arguments.Rounds;
    const QString root = work.filePath(QStringLiteral("served"));
    const QString local = work.filePath(QStringLiteral("local"));
    TBenchServer server;
    if (!work.isValid() || rounds < 1 || !QDir().mkpath(root + QStringLiteral("/up")) || !QDir().mkpath(local)
        || !MakeSourceFile(root + QStringLiteral("/big.bin"), FileSize)
        || !MakeSourceFile(local + QStringLiteral("/source.bin"), FileSize)
        || !server.Start(QStringLiteral("ftp_server.py"), {QStringLiteral("--root"), root, QStringLiteral("--log"), QStringLiteral("/dev/null"), QStringLiteral("--vsftpd")})) {
        std::fprintf(stderr, "cannot prepare the files or start vsftpd in %s\n", qPrintable(work.path()));
        return 1;
    }
    // vsftpd runs as this user and reads the served tree as it is.
    const QString source = local + QStringLiteral("/source.bin");
    const QString curlFile = local + QStringLiteral("/curl.bin");
    std::vector<double> curlDown, engineDown, curlUp, engineUp;
    for (int round = 0; round < rounds; ++round) {
        curlDown.push_back(TimeCommand(QStringLiteral("curl"),
                                       {QStringLiteral("-s"), QStringLiteral("-o"), curlFile, FtpUrl(server.Port(), QStringLiteral("big.bin"))}));
        QFile::remove(curlFile);
        engineDown.push_back(TimeEngine(wpFtp, server.Port(), QStringLiteral("big.bin"), local));
        QFile::remove(local + QStringLiteral("/engine.bin"));
        curlUp.push_back(TimeCommand(QStringLiteral("curl"),
                                     {QStringLiteral("-s"), QStringLiteral("-T"), source, FtpUrl(server.Port(), QStringLiteral("up/curl.bin"))}));
        QFile::remove(root + QStringLiteral("/up/curl.bin"));
        engineUp.push_back(TimeEngine(wpFtpUpload, server.Port(), source, QStringLiteral("up")));
        QFile::remove(root + QStringLiteral("/up/engine.bin"));
        for (const std::vector<double>* times : {&curlDown, &engineDown, &curlUp, &engineUp}) {
            if (times->back() < 0) {
                std::fprintf(stderr, "a transfer failed in round %d\n", round + 1);
                return 1;
            }
        }
    }
    std::printf("1 GiB FTP transfers with vsftpd over loopback, %d rounds, dialog shown (%s)\n", rounds,
                qPrintable(QGuiApplication::platformName()));
    std::printf("  download: curl median %.3f s (%s), engine median %.3f s (%s), ratio curl/engine %.3f (aim >= 0.9)\n",
                Median(curlDown), qPrintable(Joined(curlDown)), Median(engineDown), qPrintable(Joined(engineDown)),
                Median(curlDown) / Median(engineDown));
    std::printf("  upload:   curl median %.3f s (%s), engine median %.3f s (%s), ratio curl/engine %.3f (aim >= 0.9)\n",
                Median(curlUp), qPrintable(Joined(curlUp)), Median(engineUp), qPrintable(Joined(engineUp)),
                Median(curlUp) / Median(engineUp));
    std::printf("  peak memory %.1f MB (aim < 100 MB)\n", PeakMemoryMb());

    TBenchServer stalling;
    if (!stalling.Start(QStringLiteral("ftp_server.py"), {QStringLiteral("--root"), root, QStringLiteral("--log"), QStringLiteral("/dev/null"), QStringLiteral("--stall")})) {
        std::fprintf(stderr, "cannot start the stalling server\n");
        return 1;
    }
    std::vector<double> latencies;
    for (int i = 0; i < 5; ++i)
        latencies.push_back(CancelLatencyMs(stalling.Port(), local));
    std::printf("Cancel against a stalled data connection: median %.1f ms from the click being due to the end of the run (%s) (aim < 100 ms)\n",
                Median(latencies), qPrintable(Joined(latencies)));
    return 0;
}
