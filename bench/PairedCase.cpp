#include "bench/PairedCase.h"

#include "bench/BenchSupport.h"
#include "bench/EngineRun.h"
#include "bench/MeasuredRun.h"
#include "bench/RunOutput.h"

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
    // Every other pair runs the engine first: what one run leaves behind for the next (sockets
    // waiting out their close on a loopback with thousands of connections, written pages) would
    // otherwise always weigh on the same side.
    const auto reference = [&] { return RunOnce(Reference, ReferenceOutput, reportFile, &FReference); };
    const auto engine = [&] { return RunOnce(Engine, EngineOutput, reportFile, &FEngine); };
    for (int pair = 0; pair < pairs; ++pair) {
        if (!(pair % 2 == 0 ? reference() && engine() : engine() && reference()))
            return false;
    }
    return true;
}

bool TPairedCase::RunOnce(const QStringList& command, const QString& output, const QString& reportFile, TSide* side)
{
    if (Settle)
        Settle();
    const TMeasuredRun run = TMeasuredRun::Of(command, reportFile, RunDeadlineMs);
    const TRunOutput written = TRunOutput::Of(output);
    const bool cleared = TRunOutput::Clear(output);
    QString failure;
    if (!run.Ok())
        failure = run.Failure();
    else if (written.Bytes() != ExpectedSize || written.Files() != ExpectedFiles)
        failure = QStringLiteral("wrote %1 of %2 bytes in %3 of %4 files")
                      .arg(written.Bytes())
                      .arg(ExpectedSize)
                      .arg(written.Files())
                      .arg(ExpectedFiles);
    else if (!cleared)
        failure = QStringLiteral("left %1, which could not be removed").arg(output);
    if (!failure.isEmpty()) {
        FFailure = QStringLiteral("%1: '%2' %3").arg(Name, command.join(QLatin1Char(' ')), failure);
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
                          "    median %5 (%6), peak memory %7\n"
                          "  engine    %8\n"
                          "    median %9 (%10), peak memory %11\n"
                          "    the transfer alone (from Execute to its end, inside the process): median %12 (%13)\n"
                          "  ratio reference/engine %14\n")
        .arg(Name, Server)
        .arg(FEngine.Seconds.size())
        .arg(Reference.join(QLatin1Char(' ')), Seconds(Median(FReference.Seconds)), Joined(FReference.Seconds),
             Mib(FReference.PeakKiB), Engine.join(QLatin1Char(' ')), Seconds(Median(FEngine.Seconds)),
             Joined(FEngine.Seconds), Mib(FEngine.PeakKiB), Seconds(Median(FEngine.TransferSeconds)))
        .arg(Joined(FEngine.TransferSeconds))
        .arg(Ratio(), 0, 'f', 3);
}

QStringList TPairedCase::SummaryRow() const
{
    return {Name,
            Server,
            Seconds(Median(FReference.Seconds)),
            Seconds(Median(FEngine.Seconds)),
            QString::number(Ratio(), 'f', 3),
            Seconds(Median(FEngine.TransferSeconds)),
            Mib(FReference.PeakKiB),
            Mib(FEngine.PeakKiB)};
}

QString TPairedCase::Seconds(double seconds) const
{
    const QString total = QString::number(seconds, 'f', 3) + QStringLiteral(" s");
    if (ExpectedFiles <= 1)
        return total;
    return total + QStringLiteral(", %1 ms per file").arg(seconds * 1000 / ExpectedFiles, 0, 'f', 2);
}
