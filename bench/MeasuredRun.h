#pragma once

#include <QString>
#include <QStringList>

// One command measured as a whole process: wall time from its start to its end, and its peak
// resident memory as GNU time reports it. A command that overruns its deadline is ended by its
// process id and counts as failed.
class TMeasuredRun {
public:
    // `reportFile` receives GNU time's report (any file the benchmark may overwrite).
    static TMeasuredRun Of(const QStringList& command, const QString& reportFile, int deadlineMs);

    bool Ok() const { return FFailure.isEmpty(); }
    // Why it failed: exit status, overrun or an unreadable report, with the command's last output.
    QString Failure() const { return FFailure; }
    double Seconds() const { return FSeconds; }
    qint64 PeakKiB() const { return FPeakKiB; }
    // The last of what the command printed (standard output and error together).
    QString Output() const { return FOutput; }

private:
    QString FFailure;
    double FSeconds = 0;
    qint64 FPeakKiB = 0;
    QString FOutput;
};
