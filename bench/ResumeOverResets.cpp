#include "bench/ResumeOverResets.h"

#include "bench/BenchSupport.h"
#include "bench/MeasuredRun.h"
#include "bench/RunOutput.h"
#include "tests/support/BreakingRelay.h"

namespace {

constexpr int RunDeadlineMs = 300000;
constexpr int Breaks = 3;

} // namespace

TResumeOverResets::TResumeOverResets(quint16 upstreamPort, const QString& path, qint64 size, const QString& output)
    : FUpstreamPort(upstreamPort)
    , FPath(path)
    , FSize(size)
    , FOutput(output)
{
}

bool TResumeOverResets::Measure(const QStringList& engine, const QStringList& curl, int runs, const QString& reportFile)
{
    TSide warmUp;
    if (!RunOnce(engine, Breaks, reportFile, warmUp) || !RunOnce(curl, Breaks, reportFile, warmUp))
        return false;
    for (int run = 0; run < runs; ++run) {
        if (!RunOnce(curl, 0, reportFile, FCurlWhole) || !RunOnce(engine, 0, reportFile, FEngineWhole)
            || !RunOnce(curl, Breaks, reportFile, FCurlBroken) || !RunOnce(engine, Breaks, reportFile, FEngineBroken))
            return false;
    }
    return true;
}

bool TResumeOverResets::RunOnce(const QStringList& command, int breaks, const QString& reportFile, TSide& side)
{
    TBreakingRelay relay;
    const quint16 port = relay.Start(FUpstreamPort, breaks, FSize / 4);
    if (port == 0) {
        FFailure = relay.Message();
        return false;
    }
    QStringList full = command;
    full.replaceInStrings(QLatin1String(UrlMark), QStringLiteral("http://127.0.0.1:%1/%2").arg(port).arg(FPath));
    const TMeasuredRun run = TMeasuredRun::Of(full, reportFile, RunDeadlineMs);
    relay.Stop();
    const TRunOutput written = TRunOutput::Of(FOutput);
    TRunOutput::Clear(FOutput);
    if (!run.Ok() || written.Bytes() != FSize) {
        FFailure = QStringLiteral("%1 with %2 resets: %3 (%4 of %5 bytes)")
                       .arg(command.join(QLatin1Char(' ')))
                       .arg(breaks)
                       .arg(run.Failure())
                       .arg(written.Bytes())
                       .arg(FSize);
        return false;
    }
    side.Seconds.push_back(run.Seconds());
    side.WireRatio.push_back(double(relay.BytesDown()) / double(FSize));
    return true;
}

QString TResumeOverResets::Report() const
{
    const auto line = [](const QString& who, const TSide& broken, const TSide& whole) {
        return QStringLiteral("  %1: unbroken %2 s, broken three times %3 s: time %4x, bytes over the wire %5x the file "
                              "(broken: %6 s)\n")
            .arg(who)
            .arg(Median(whole.Seconds), 0, 'f', 3)
            .arg(Median(broken.Seconds), 0, 'f', 3)
            .arg(Median(broken.Seconds) / Median(whole.Seconds), 0, 'f', 3)
            .arg(Median(broken.WireRatio), 0, 'f', 4)
            .arg(Joined(broken.Seconds));
    };
    return line(QStringLiteral("engine (Resume, 3 retries)"), FEngineBroken, FEngineWhole)
        + line(QStringLiteral("curl -C - (up to 4 runs)"), FCurlBroken, FCurlWhole);
}
