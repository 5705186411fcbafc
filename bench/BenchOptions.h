#pragma once

#include <QString>
#include <QStringList>

// The command line:  orvanta-bench [--pairs N] [--dir DIRECTORY] [--size MiB] [--files N] [CASE ...]
class TBenchOptions {
public:
    // Every case in the order they run; the default when none is named.
    static QStringList AllCases();

    // Reads the arguments after the program name; false with Error() on a wrong one.
    bool Parse(const QStringList& arguments);
    QString Error() const { return FError; }
    static QString Usage();

    int Pairs = 5;
    QString Directory;
    qint64 SizeMiB = 1024;
    // How many small files the *-many cases fetch in one run.
    int Files = 2000;
    QStringList Cases;

private:
    QString FError;
};
