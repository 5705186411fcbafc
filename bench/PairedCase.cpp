#include "bench/PairedCase.h"

#include "bench/BenchSupport.h"
#include "bench/EngineRun.h"
#include "bench/MeasuredRun.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace {

constexpr int RunDeadlineMs = 120000;

QString Mib(qint64 kib)
{
    return QString::number(kib / 1024.0, 'f', 1) + QStringLiteral(" MiB");
}

} // namespace

bool TPairedCase::Measure(int pairs, const QString& reportFile)
{
    FReference = {};
    FEngine = {};
    TSide warmUp;
    if (!RunOnce(Reference, ReferenceOutput, reportFile, &warmUp) || !RunOnce(Engine, EngineOutput, reportFile, &warmUp))
        return false;
    for (int pair = 0; pair < pairs; ++pair) {
        if (!RunOnce(Reference, ReferenceOutput, reportFile, &FReference)
            || !RunOnce(Engine, EngineOutput, reportFile, &FEngine))
            return false;
    }
    return true;
}

bool TPairedCase::RunOnce(const QStringList& command, const QString& output, const QString& reportFile, TSide* side)
{
    const TMeasuredRun run = TMeasuredRun::Of(command, reportFile, RunDeadlineMs);
    const qint64 size = QFileInfo(output).size();
    QFile::remove(output);
    if (Sync)
        QProcess::execute(QStringLiteral("sync"), {});
    if (!run.Ok() || size != ExpectedSize) {
        FFailure = QStringLiteral("%1: '%2' %3").arg(Name, command.join(QLatin1Char(' ')),
                                                  run.Ok() ? QStringLiteral("wrote %1 of %2 bytes").arg(size).arg(ExpectedSize)
                                                           : run.Failure());
        return false;
    }
    side->Seconds.push_back(run.Seconds());
    if (const double transfer = TEngineRun::TransferSeconds(run.Output()); transfer >= 0)
        side->TransferSeconds.push_back(transfer);
    side->PeakKiB = std::max(side->PeakKiB, run.PeakKiB());
    return true;
}

double TPairedCase::Ratio() const
{
    return Median(FReference.Seconds) / Median(FEngine.Seconds);
}

QString TPairedCase::Report() const
{
    return QStringLiteral("%1 (%2), pairs counted: %3\n"
                          "  reference %4\n"
                          "    median %5 s (%6), peak memory %7\n"
                          "  engine    %8\n"
                          "    median %9 s (%10), peak memory %11\n"
                          "    the transfer alone (from Execute to its end, inside the process): median %12 s (%13)\n"
                          "  ratio reference/engine %14\n")
        .arg(Name, Server)
        .arg(FEngine.Seconds.size())
        .arg(Reference.join(QLatin1Char(' ')))
        .arg(Median(FReference.Seconds), 0, 'f', 3)
        .arg(Joined(FReference.Seconds), Mib(FReference.PeakKiB), Engine.join(QLatin1Char(' ')))
        .arg(Median(FEngine.Seconds), 0, 'f', 3)
        .arg(Joined(FEngine.Seconds), Mib(FEngine.PeakKiB))
        .arg(Median(FEngine.TransferSeconds), 0, 'f', 3)
        .arg(Joined(FEngine.TransferSeconds))
        .arg(Ratio(), 0, 'f', 3);
}

QStringList TPairedCase::SummaryRow() const
{
    return {Name,
            Server,
            QString::number(Median(FReference.Seconds), 'f', 3) + QStringLiteral(" s"),
            QString::number(Median(FEngine.Seconds), 'f', 3) + QStringLiteral(" s"),
            QString::number(Ratio(), 'f', 3),
            QString::number(Median(FEngine.TransferSeconds), 'f', 3) + QStringLiteral(" s"),
            Mib(FReference.PeakKiB),
            Mib(FEngine.PeakKiB)};
}
