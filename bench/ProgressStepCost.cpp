#include "bench/ProgressStepCost.h"

#include "platform/TickCount.h"
#include "webcopy/ProgressFormat.h"
#include "webcopy/ProgressLine.h"
#include "webcopy/WebCopy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace {

constexpr qint64 Block = 32768;

} // namespace

bool TProgressStepCost::Measure(const QString& workDir, qint64 size)
{
    // The run needs an item; a tiny one, copied after the measurement.
    const QString source = QDir(workDir).filePath(QStringLiteral("step.bin"));
    QFile file(source);
    if (!file.open(QIODevice::WriteOnly) || file.write("x", 1) != 1)
        return false;
    file.close();
    TWebCopy webCopy;
    webCopy.ShowTime = true;
    webCopy.ShowElapsedTime = true;
    TWebCopyItem* item = webCopy.Items().Add();
    item->Protocol = wpFile;
    item->URL = source;
    item->TargetDir = workDir;
    item->TargetFilename = QStringLiteral("step-copy.bin");
    // Once only; the handler stays set, as clearing it would destroy it while it runs.
    webCopy.OnFileStart = [&](QObject*, int) {
        if (FCalls > 0)
            return;
        const QString word = webCopy.DlgCopying;
        const quint32 startTick = TickCount();
        QElapsedTimer timer;
        timer.start();
        for (qint64 done = Block; done <= size; done += Block)
            webCopy.ShowProgress(done, size, startTick, word);
        FCalls = size / Block;
        FNsPerCall = double(timer.nsecsElapsed()) / double(FCalls);
        for (qint64 done = Block; done <= size; done += Block) {
            webCopy.ShowProgress(done, size, startTick, word);
            const QString exact = webCopy.DlgProgressLabel + QLatin1Char(' ') + FormatSizeText(done) + QLatin1Char(' ')
                + webCopy.DlgFileOfLabel + QLatin1Char(' ') + FormatSizeText(size);
            if (webCopy.ProgressSizeLabel()->text() != exact)
                ++FWrongTexts;
        }
    };
    FCalls = 0;
    FWrongTexts = 0;
    webCopy.Execute();
    QFile::remove(source);
    QFile::remove(QDir(workDir).filePath(QStringLiteral("step-copy.bin")));
    return FCalls > 0;
}
