#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Small pieces the benchmarks share.
double Median(std::vector<double> values);
QString Joined(const std::vector<double>& values);
// A file of `size` bytes that is not all zeros (so no file system can cheat on it).
bool MakeSourceFile(const QString& path, qint64 size);
// Seconds the command took, or -1 when it failed.
double TimeCommand(const QString& program, const QStringList& arguments);
// Peak resident set of this process in MB, as the kernel counts it.
double PeakMemoryMb();
