#include "bench/BenchSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QThread>

#include <algorithm>

void PreferOffscreenPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

QString Joined(const std::vector<double>& values, int decimals)
{
    QStringList texts;
    for (double value : values)
        texts << QString::number(value, 'f', decimals);
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
        if (file.write(chunk.constData(), std::min<qint64>(chunk.size(), size - written)) < 0)
            return false;
    }
    return file.flush();
}

namespace {

// The connections in TIME-WAIT (state 06 in the kernel's tables).
int ClosedConnectionsWaiting()
{
    int waiting = 0;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 3 && fields.at(3) == "06")
                ++waiting;
        }
    }
    return waiting;
}

} // namespace

bool WaitForClosedConnectionsToClear(int fewerThan, int limitMs)
{
    QElapsedTimer waited;
    waited.start();
    while (ClosedConnectionsWaiting() >= fewerThan) {
        if (waited.elapsed() >= limitMs)
            return false;
        // The kernel tells no one when they go; they go within a minute.
        QThread::msleep(500);
    }
    return true;
}
