#include "bench/ManyFiles.h"

#include "bench/BenchSupport.h"

#include <QDir>
#include <QFile>

namespace {

bool WriteText(const QString& path, const QString& text)
{
    QFile file(path);
    const QByteArray bytes = text.toUtf8();
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

bool TManyFiles::Make(const QString& directory, int count)
{
    FCount = 0;
    for (int index = 0; index < count; ++index) {
        if (!MakeSourceFile(QDir(directory).filePath(Name(index)), FileSize))
            return false;
    }
    FCount = count;
    return true;
}

bool TManyFiles::WriteCurlConfig(const QString& path, const QString& baseUrl, const QString& outputDir) const
{
    // Quoted, as curl's configuration wants paths; the benchmark's own have no quotes or backslashes.
    QString text;
    for (int index = 0; index < FCount; ++index)
        text += QStringLiteral("url = \"%1%2\"\noutput = \"%3\"\n").arg(baseUrl, Name(index), QDir(outputDir).filePath(Name(index)));
    return WriteText(path, text);
}

bool TManyFiles::WriteUrlList(const QString& path, const QString& baseUrl) const
{
    QString text;
    for (int index = 0; index < FCount; ++index)
        text += baseUrl + Name(index) + QLatin1Char('\n');
    return WriteText(path, text);
}

QString TManyFiles::Name(int index)
{
    return QStringLiteral("f%1.bin").arg(index, 5, 10, QLatin1Char('0'));
}
