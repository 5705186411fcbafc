#include "bench/BenchOptions.h"

#include <QDir>

QStringList TBenchOptions::AllCases()
{
    return {QStringLiteral("http"),      QStringLiteral("https"),    QStringLiteral("http-many"),
            QStringLiteral("filecopy"),  QStringLiteral("smb-copy"), QStringLiteral("ftp-download"),
            QStringLiteral("ftp-upload"), QStringLiteral("ftp-many"), QStringLiteral("cancel"),
            QStringLiteral("progress-step"), QStringLiteral("http-resume")};
}

QString TBenchOptions::Usage()
{
    return QStringLiteral("usage: orvanta-bench [--pairs N] [--dir DIRECTORY] [--size MiB] [--files N] [CASE ...]\ncases: ")
        + AllCases().join(QLatin1Char(' '));
}

bool TBenchOptions::Parse(const QStringList& arguments)
{
    Directory = QDir::tempPath();
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        bool number = true;
        if (argument == QLatin1String("--pairs") && hasValue)
            Pairs = arguments.at(++i).toInt(&number);
        else if (argument == QLatin1String("--size") && hasValue)
            SizeMiB = arguments.at(++i).toLongLong(&number);
        else if (argument == QLatin1String("--files") && hasValue)
            Files = arguments.at(++i).toInt(&number);
        else if (argument == QLatin1String("--dir") && hasValue)
            Directory = arguments.at(++i);
        else if (AllCases().contains(argument))
            Cases << argument;
        else {
            FError = argument.startsWith(QLatin1String("--")) && !hasValue
                ? QStringLiteral("'%1' needs a value").arg(argument)
                : QStringLiteral("unknown argument '%1'").arg(argument);
            return false;
        }
        if (!number || Pairs < 1 || SizeMiB < 1 || Files < 1) {
            FError = QStringLiteral("'%1' needs a positive number").arg(argument);
            return false;
        }
    }
    if (Cases.isEmpty())
        Cases = AllCases();
    return true;
}
