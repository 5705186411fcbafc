#include "platform/TemporaryNames.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>
#include <cstring>

namespace {

constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr qsizetype RandomLength = 8;
constexpr qsizetype HashLength = 8;
const QByteArray Suffix = QByteArrayLiteral(".part");
const QByteArray KeptSuffix = QByteArrayLiteral(".resume.part");
const QByteArray KeptInfoSuffix = QByteArrayLiteral(".resume.info");

bool IsContinuationByte(char byte)
{
    return (uchar(byte) & 0xC0) == 0x80;
}

} // namespace

QByteArray TemporaryNameStem(const QByteArray& targetName, int maxNameBytes)
{
    const qsizetype room = maxNameBytes - TemporaryNameOverhead;
    if (targetName.size() <= room)
        return targetName;
    qsizetype cut = std::max<qsizetype>(room - 1 - HashLength, 0);
    // Never half a character: a name that is not valid UTF-8 is refused by some file systems.
    while (cut > 0 && IsContinuationByte(targetName.at(cut)))
        --cut;
    const QByteArray hash = QCryptographicHash::hash(targetName, QCryptographicHash::Sha1).toHex().left(HashLength);
    return targetName.left(cut) + '~' + hash;
}

QByteArray NewTemporaryName(const QByteArray& stem)
{
    QByteArray random(RandomLength, '\0');
    for (char& letter : random)
        letter = Letters[QRandomGenerator::global()->bounded(int(sizeof(Letters) - 1))];
    return '.' + stem + '.' + random + Suffix;
}

bool IsTemporaryName(const QByteArray& name, QByteArray& stem)
{
    const qsizetype stemSize = name.size() - TemporaryNameOverhead;
    if (stemSize <= 0 || !name.startsWith('.') || name.at(stemSize + 1) != '.' || !name.endsWith(Suffix))
        return false;
    const QByteArray random = name.mid(stemSize + 2, RandomLength);
    if (!std::all_of(random.begin(), random.end(), [](char c) { return c != '\0' && std::strchr(Letters, c); }))
        return false;
    stem = name.mid(1, stemSize);
    return true;
}

QByteArray KeptPartialName(const QByteArray& stem)
{
    return '.' + stem + KeptSuffix;
}

QByteArray KeptInfoName(const QByteArray& stem)
{
    return '.' + stem + KeptInfoSuffix;
}

bool IsKeptPartialName(const QByteArray& name, QByteArray& stem)
{
    if (name.size() <= 1 + KeptSuffix.size() || !name.startsWith('.') || !name.endsWith(KeptSuffix))
        return false;
    stem = name.mid(1, name.size() - 1 - KeptSuffix.size());
    return true;
}
