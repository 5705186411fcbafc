#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Small pieces the benchmarks share.

// The benchmarks' command line, `[directory] [rounds]`: where to work (the system's temporary
// directory by default) and how many rounds to time (5 by default).
struct TBenchArguments {
    QString Directory;
    int Rounds = 5;
};
TBenchArguments ParseBenchArguments(const QStringList& arguments);
// Dialogs render offscreen unless QT_QPA_PLATFORM asks for a display; call before the application.
void PreferOffscreenPlatform();

double Median(std::vector<double> values);
QString Joined(const std::vector<double>& values);
// A file of `size` bytes that is not all zeros (so no file system can cheat on it).
bool MakeSourceFile(const QString& path, qint64 size);
// Seconds the command took, or -1 when it failed.
double TimeCommand(const QString& program, const QStringList& arguments);
// Peak resident set of this process in MB, as the kernel counts it.
double PeakMemoryMb();
