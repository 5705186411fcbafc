#include "bench/BenchSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>

TBenchArguments ParseBenchArguments(const QStringList& arguments)
{
    TBenchArguments parsed;
    parsed.Directory = arguments.size() > 1 ? arguments.at(1) : QDir::tempPath();
    if (arguments.size() > 2)
        parsed.Rounds = arguments.at(2).toInt();
    return parsed;
}

void PreferOffscreenPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

QString Joined(const std::vector<double>& values)
{
    QStringList texts;
    for (double value : values)
        texts << QString::number(value, 'f', 3);
    return texts.join(QStringLiteral(" "));
}

bool MakeSourceFile(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk(1 << 20, '\0');
    for (qint64 written = 0; written < size; written += chunk.size()) {
        for (qsizetype i = 0; i < chunk.size(); i += 4096)
            chunk[i] = char(written / chunk.size() + i);
        if (file.write(chunk) != chunk.size())
            return false;
    }
    return true;
}

double TimeCommand(const QString& program, const QStringList& arguments)
{
    QElapsedTimer timer;
    timer.start();
    if (QProcess::execute(program, arguments) != 0)
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

double PeakMemoryMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}
