#include "webcopy/PathHelpers.h"

#include "platform/LocalFiles.h"

#include <algorithm>

namespace {

constexpr QChar Delimiter = QLatin1Char('/');

} // namespace

QString CombinePath(const QString& dir, const QString& fileName)
{
    if (dir.isEmpty())
        return fileName;
    return dir.endsWith(Delimiter) ? dir + fileName : dir + Delimiter + fileName;
}

bool IsDirectory(const QString& path)
{
    return PathIsDirectory(path);
}

bool FileExists(const QString& path)
{
    return PathExists(path) && !PathIsDirectory(path);
}

bool MakeDirectories(const QString& dir)
{
    QString path = dir;
    if (path.endsWith(Delimiter))
        path.chop(1);
    if (path.isEmpty() || IsDirectory(path))
        return true;
    const QString parent = path.left(path.lastIndexOf(Delimiter) + 1);
    return MakeDirectories(parent) && CreateDirectory(path);
}

QString RemoveFileExt(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > fileName.lastIndexOf(Delimiter) ? fileName.left(dot) : fileName;
}

QString MakeUniqueFileName(const QString& path)
{
    return MakeUniqueFileName(path, [](const QString& candidate) { return FileExists(candidate); });
}

QString MakeUniqueFileName(const QString& path, const std::function<bool(const QString&)>& exists)
{
    const QString stem = RemoveFileExt(path);
    const QString extension = path.mid(stem.size());
    for (qint64 n = 1;; ++n) {
        const QString candidate = stem + QLatin1Char('(') + QString::number(n) + QLatin1Char(')') + extension;
        if (!exists(candidate))
            return candidate;
    }
}

qint64 GetFileSize64(const QString& path)
{
    return LocalFileSize(path);
}

QString NeutraliseFileName(const QString& name)
{
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
        return {};
    QString safe = name;
    for (QChar& c : safe) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('_');
    }
    return safe;
}

QString ParentDirectory(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash == 0 ? QStringLiteral("/") : path.left(std::max<qsizetype>(slash, 0));
}
