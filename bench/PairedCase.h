#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include <vector>

// The engine and a reference tool doing the same transfer, each as a whole process measured the
// same way (see TMeasuredRun), interleaved: a warm-up pair that is not counted, then pairs
// with the engine first in every other one. Between runs, outside the timing, both outputs are
// checked for their files and bytes and cleared (see TRunOutput).
class TPairedCase {
public:
    QString Name;
    // Who serves: "nginx 1.22.1", "vsftpd", "local disk".
    QString Server;
    QStringList Reference;
    QStringList Engine;
    // Where each side writes, a file or a directory of files, so that what it wrote can be
    // checked and cleared.
    QString ReferenceOutput;
    QString EngineOutput;
    // What each run must leave there: all the bytes, in as many files. With more than one file
    // the times are also told per file.
    qint64 ExpectedSize = 0;
    int ExpectedFiles = 1;
    // Called before each run, outside its time, for a case whose runs leave behind what would
    // weigh on the next one.
    std::function<void()> Settle;

    // False on the first failed run; Failure() says which and why.
    bool Measure(int pairs, const QString& reportFile);
    QString Failure() const { return FFailure; }
    // The case in full: all times, medians, ratio and peak memory of each side.
    QString Report() const;
    // | case | server | reference median | engine median | ratio | engine's transfer alone |
    // reference peak | engine peak |
    QStringList SummaryRow() const;

private:
    struct TSide {
        std::vector<double> Seconds;
        // The engine's transfer alone, as the engine measured it inside its process.
        std::vector<double> TransferSeconds;
        qint64 PeakKiB = 0;
    };
    bool RunOnce(const QStringList& command, const QString& output, const QString& reportFile, TSide* side);
    double Ratio() const;
    // "1.234 s", with the time per file after it when the case has many.
    QString Seconds(double seconds) const;

    TSide FReference;
    TSide FEngine;
    QString FFailure;
};
