#include "webcopy/PathHelpers.h"

#include "platform/LocalFiles.h"

#include <algorithm>
#include <utility>

namespace {

constexpr QChar Delimiter = QLatin1Char('/');

bool IsUnsafeInFileName(char16_t c)
{
    return c == u'/' || c == u'\\' || c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2066 && c <= 0x2069);
}

bool NamesNoFile(const QString& name)
{
    return name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral("..");
}

// The UTF-8 length of the character (a whole surrogate pair) that starts at text[at], and
// how many UTF-16 units it takes.
std::pair<int, int> CharacterSize(const QString& text, qsizetype at)
{
    const char16_t c = text[at].unicode();
    if (QChar::isHighSurrogate(c) && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        return {4, 2};
    return {c < 0x80 ? 1 : c < 0x800 ? 2 : 3, 1};
}

// The longest prefix of the text whose UTF-8 form has at most maxBytes bytes.
QString Utf8Prefix(const QString& text, qint64 maxBytes)
{
    qsizetype end = 0;
    qint64 bytes = 0;
    while (end < text.size()) {
        const auto [size, units] = CharacterSize(text, end);
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        end += units;
    }
    return text.left(end);
}

qint64 Utf8Length(const QString& text)
{
    qint64 bytes = 0;
    for (qsizetype at = 0; at < text.size();) {
        const auto [size, units] = CharacterSize(text, at);
        bytes += size;
        at += units;
    }
    return bytes;
}

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

QString MakeUniqueFileName(const QString& path, int maxBytes)
{
    return MakeUniqueFileName(path, [](const QString& candidate) { return FileExists(candidate); }, maxBytes);
}

QString MakeUniqueFileName(const QString& path, const std::function<bool(const QString&)>& exists, int maxBytes)
{
    const QString stem = RemoveFileExt(path);
    const QString extension = path.mid(stem.size());
    const qsizetype nameStart = path.lastIndexOf(Delimiter) + 1;
    const QString stemName = stem.mid(nameStart);
    for (qint64 n = 1;; ++n) {
        const QString number = QLatin1Char('(') + QString::number(n) + QLatin1Char(')');
        const qint64 budget = maxBytes - Utf8Length(number);
        // The stem gives way first; an extension too long to keep whole is cut with the rest.
        const QString name = Utf8Length(extension) <= budget
            ? Utf8Prefix(stemName, budget - Utf8Length(extension)) + number + extension
            : Utf8Prefix(stemName + extension, budget) + number;
        const QString candidate = path.left(nameStart) + name;
        if (!exists(candidate))
            return candidate;
    }
}

qint64 GetFileSize64(const QString& path)
{
    return LocalFileSize(path);
}

QString FitFileName(const QString& name, int maxBytes)
{
    if (Utf8Length(name) <= maxBytes)
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) {
        const QString extension = name.mid(dot);
        const QString stem = Utf8Prefix(name.left(dot), maxBytes - Utf8Length(extension));
        if (!stem.isEmpty())
            return stem + extension;
    }
    return Utf8Prefix(name, maxBytes);
}

QString NeutraliseFileName(const QString& name, int maxBytes)
{
    QString safe = name;
    for (qsizetype i = 0; i < safe.size(); ++i) {
        if (CharacterSize(safe, i).second == 2) {
            ++i; // a character beyond U+FFFF
            continue;
        }
        const char16_t c = safe[i].unicode();
        if (IsUnsafeInFileName(c) || QChar::isSurrogate(c)) // a lone surrogate is no character
            safe[i] = QLatin1Char('_');
    }
    safe = FitFileName(safe, maxBytes);
    return NamesNoFile(safe) ? QString() : safe;
}

QString ParentDirectory(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash == 0 ? QStringLiteral("/") : path.left(std::max<qsizetype>(slash, 0));
}
