// The engine's file copy against cp on the same disk, and the cost of one progress step.
//
//   bench_filecopy [directory] [rounds]
//
// Copies a 1 GiB file with the progress dialog shown (offscreen unless QT_QPA_PLATFORM says
// otherwise), with cp, and with dd in the engine's block size, in turn, `rounds` times (default
// 5), and prints the medians, the ratio cp/engine, the peak memory of this process, and the
// nanoseconds per ShowProgress step.
#include "bench/BenchSupport.h"
#include "platform/TickCount.h"
#include "webcopy/ProgressFormat.h"
#include "webcopy/ProgressLine.h"
#include "webcopy/WebCopy.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 FileSize = qint64(1) << 30;
constexpr qint64 Block = 32768;

// Dirty pages of one round must not slow down the next.
void settle(const QString& dir)
{
    for (const QString& name : {QStringLiteral("cp.bin"), QStringLiteral("dd.bin"), QStringLiteral("engine.bin")})
        QFile::remove(QDir(dir).filePath(name));
    QProcess::execute(QStringLiteral("sync"), {});
}

double timeEngine(const QString& source, const QString& targetDir)
{
    TWebCopy webCopy;
    webCopy.ShowDialog = true;
    webCopy.ShowTime = true;
    webCopy.ShowElapsedTime = true;
    TWebCopyItem* item = webCopy.Items().Add();
    item->Protocol = wpFile;
    item->URL = source;
    item->TargetDir = targetDir;
    item->TargetFilename = QStringLiteral("engine.bin");
    QElapsedTimer timer;
    timer.start();
    webCopy.Execute();
    const double seconds = timer.nsecsElapsed() / 1e9;
    return item->Success() ? seconds : -1;
}

struct TStepCost {
    double nsPerCall = 0;
    qint64 calls = 0;
    qint64 wrongTexts = 0;
};

// ShowProgress as a 1 GiB copy in 32 KiB blocks calls it, inside a run with the dialog shown.
// A second, untimed pass compares the size line with the exact text after every step.
TStepCost measureProgressStep(const QString& workDir)
{
    // The run needs an item; a tiny one, copied after the measurement.
    const QString source = QDir(workDir).filePath(QStringLiteral("step.bin"));
    QFile file(source);
    if (!file.open(QIODevice::WriteOnly) || file.write("x", 1) != 1)
        return {};
    file.close();
    TWebCopy webCopy;
    webCopy.ShowTime = true;
    webCopy.ShowElapsedTime = true;
    TWebCopyItem* item = webCopy.Items().Add();
    item->Protocol = wpFile;
    item->URL = source;
    item->TargetDir = workDir;
    item->TargetFilename = QStringLiteral("step-copy.bin");
    TStepCost cost;
    webCopy.OnFileStart = [&](QObject*, int) {
        webCopy.OnFileStart = nullptr;
        const QString word = webCopy.DlgCopying;
        const quint32 startTick = TickCount();
        QElapsedTimer timer;
        timer.start();
        for (qint64 done = Block; done <= FileSize; done += Block)
            webCopy.ShowProgress(done, FileSize, startTick, word);
        cost.calls = FileSize / Block;
        cost.nsPerCall = double(timer.nsecsElapsed()) / double(cost.calls);
        for (qint64 done = Block; done <= FileSize; done += Block) {
            webCopy.ShowProgress(done, FileSize, startTick, word);
            const QString exact = webCopy.DlgProgressLabel + QLatin1Char(' ') + FormatSizeText(done) + QLatin1Char(' ')
                + webCopy.DlgFileOfLabel + QLatin1Char(' ') + FormatSizeText(FileSize);
            if (webCopy.ProgressSizeLabel()->text() != exact)
                ++cost.wrongTexts;
        }
    };
    webCopy.Execute();
    return cost;
}

} // namespace

int main(int argc, char** argv)
{
    PreferOffscreenPlatform();
    QApplication app(argc, argv);
    const TBenchArguments arguments = ParseBenchArguments(app.arguments());
    QTemporaryDir work(arguments.Directory + QStringLiteral("/bench-filecopy-XXXXXX"));
    const int rounds = arguments.Rounds;
    const QString source = work.filePath(QStringLiteral("source.bin"));
    if (!work.isValid() || rounds < 1 || !MakeSourceFile(source, FileSize)) {
        std::fprintf(stderr, "cannot prepare a 1 GiB source file in %s\n", qPrintable(work.path()));
        return 1;
    }

    std::vector<double> cpTimes;
    std::vector<double> ddTimes;
    std::vector<double> engineTimes;
    const QStringList ddArguments = {QStringLiteral("if=") + source,
                                     QStringLiteral("of=") + work.filePath(QStringLiteral("dd.bin")),
                                     QStringLiteral("bs=32k"), QStringLiteral("status=none")};
    for (int round = 0; round < rounds; ++round) {
        settle(work.path());
        const double cpSeconds = TimeCommand(QStringLiteral("cp"), {source, work.filePath(QStringLiteral("cp.bin"))});
        settle(work.path());
        const double ddSeconds = TimeCommand(QStringLiteral("dd"), ddArguments);
        settle(work.path());
        const double engineSeconds = timeEngine(source, work.path());
        if (cpSeconds < 0 || ddSeconds < 0 || engineSeconds < 0) {
            std::fprintf(stderr, "a copy failed in round %d\n", round + 1);
            return 1;
        }
        cpTimes.push_back(cpSeconds);
        ddTimes.push_back(ddSeconds);
        engineTimes.push_back(engineSeconds);
    }
    settle(work.path());
    const double cpMedian = Median(cpTimes);
    const double engineMedian = Median(engineTimes);
    const double peakMb = PeakMemoryMb();

    std::printf("1 GiB file copy on %s, %d rounds, dialog shown (%s)\n", qPrintable(work.path()), rounds,
                qPrintable(QGuiApplication::platformName()));
    std::printf("  cp      median %.3f s   (%s)\n", cpMedian, qPrintable(Joined(cpTimes)));
    std::printf("  dd 32k  median %.3f s   (%s)\n", Median(ddTimes), qPrintable(Joined(ddTimes)));
    std::printf("  engine  median %.3f s   (%s)\n", engineMedian, qPrintable(Joined(engineTimes)));
    std::printf("  ratio cp/engine %.3f (aim >= 0.9)\n", cpMedian / engineMedian);
    std::printf("  peak memory %.1f MB (aim < 100 MB)\n", peakMb);

    const TStepCost step = measureProgressStep(work.path());
    std::printf("ShowProgress: %.0f ns per call over %lld calls (1 GiB in 32 KiB steps, dialog shown), "
                "%lld size lines differing from the exact text\n",
                step.nsPerCall, static_cast<long long>(step.calls), static_cast<long long>(step.wrongTexts));
    return 0;
}
