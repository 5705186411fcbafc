#include "bench/MeasuredRun.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

namespace {

constexpr int EndTimeoutMs = 10000;

// GNU time passes no kill on to its command, which would run on without it: the command, time's
// only child, is ended first, by its process id.
void EndMeasuredCommand(QProcess& time)
{
    const qint64 timePid = time.processId();
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(timePid));
    if (children.open(QIODevice::ReadOnly)) {
        for (const QByteArray& pid : children.readAll().split(' ')) {
            if (!pid.trimmed().isEmpty())
                QProcess::execute(QStringLiteral("kill"), {QStringLiteral("-KILL"), QString::fromLatin1(pid.trimmed())});
        }
    }
    if (!time.waitForFinished(EndTimeoutMs)) {
        time.kill();
        time.waitForFinished(EndTimeoutMs);
    }
}

} // namespace

TMeasuredRun TMeasuredRun::Of(const QStringList& command, const QString& reportFile, int deadlineMs)
{
    TMeasuredRun run;
    QFile::remove(reportFile);
    QProcess time;
    time.setProcessChannelMode(QProcess::MergedChannels);
    time.setProgram(QStringLiteral("/usr/bin/time"));
    time.setArguments(QStringList{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"), reportFile} + command);
    QElapsedTimer timer;
    timer.start();
    time.start();
    const bool finished = time.waitForFinished(deadlineMs);
    run.FSeconds = timer.nsecsElapsed() / 1e9;
    if (!finished)
        EndMeasuredCommand(time);
    const QString output = QString::fromUtf8(time.readAll().right(2000)).trimmed();
    run.FOutput = output;
    QFile report(reportFile);
    // With a failed command GNU time writes a line about its exit status before the peak.
    const QList<QByteArray> lines = report.open(QIODevice::ReadOnly) ? report.readAll().trimmed().split('\n') : QList<QByteArray>();
    bool peakRead = false;
    run.FPeakKiB = lines.isEmpty() ? 0 : lines.last().toLongLong(&peakRead);
    if (!finished)
        run.FFailure = QStringLiteral("ended after the deadline of %1 s").arg(deadlineMs / 1000);
    else if (time.exitStatus() != QProcess::NormalExit || time.exitCode() != 0)
        run.FFailure = QStringLiteral("exit code %1").arg(time.exitCode());
    else if (!peakRead)
        run.FFailure = QStringLiteral("no peak memory in GNU time's report");
    if (!run.FFailure.isEmpty() && !output.isEmpty())
        run.FFailure += QStringLiteral(": ") + output;
    return run;
}
