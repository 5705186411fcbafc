#include "platform/FtpListing.h"

#include <QTime>

#include <array>
#include <cctype>
#include <optional>

namespace {

struct TSpan {
    qsizetype Begin;
    qsizetype End;
};

// The blank-separated words of a line, as positions, so that the name can be taken verbatim
// from the rest of the line.
std::vector<TSpan> Words(const QByteArray& line)
{
    std::vector<TSpan> words;
    qsizetype at = 0;
    while (at < line.size()) {
        while (at < line.size() && line[at] == ' ')
            ++at;
        const qsizetype begin = at;
        while (at < line.size() && line[at] != ' ')
            ++at;
        if (at > begin)
            words.push_back({begin, at});
    }
    return words;
}

QByteArray WordAt(const QByteArray& line, const TSpan& span)
{
    return line.mid(span.Begin, span.End - span.Begin);
}

// A count of plain digits, small enough for qint64; nothing for a sign, a blank or an overflow.
std::optional<qint64> Count(const QByteArray& text)
{
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        if (!std::isdigit(uchar(c)))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<int> Number(const QByteArray& text, int min, int max)
{
    const std::optional<qint64> value = text.size() <= 4 ? Count(text) : std::nullopt;
    if (!value || *value < min || *value > max)
        return std::nullopt;
    return int(*value);
}

QDateTime Utc(const QDate& date, const QTime& time)
{
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

// MLSD's "modify" fact: YYYYMMDDHHMMSS[.sss], UTC.
QDateTime MlsdTime(const QByteArray& value)
{
    if (value.size() < 14 || (value.size() > 14 && value[14] != '.') || !Count(value.left(14)))
        return {};
    const auto field = [&](int at, int length) { return value.mid(at, length).toInt(); };
    return Utc(QDate(field(0, 4), field(4, 2), field(6, 2)), QTime(field(8, 2), field(10, 2), field(12, 2)));
}

bool ParseMlsdLine(const QByteArray& line, TFtpEntry& entry, QByteArray& name)
{
    const qsizetype space = line.indexOf(' ');
    if (space < 0)
        return false;
    name = line.mid(space + 1);
    std::optional<QByteArray> perm;
    for (const QByteArray& fact : line.left(space).split(';')) {
        const qsizetype equals = fact.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray key = fact.left(equals).toLower();
        const QByteArray value = fact.mid(equals + 1);
        if (key == "type") {
            const QByteArray type = value.toLower();
            if (type == "cdir" || type == "pdir")
                return false;  // the listed directory itself, or its parent
            entry.IsDirectory = type == "dir";
        } else if (key == "size") {
            entry.Size = Count(value).value_or(TFtpEntry::UnknownSize);
        } else if (key == "modify") {
            entry.Modified = MlsdTime(value);
        } else if (key == "perm") {
            perm = value.toLower();
        }
    }
    if (perm && !entry.IsDirectory)
        entry.Writable = perm->contains('w');
    return true;
}

std::optional<int> Month(const QByteArray& word)
{
    static const std::array<const char*, 12> names = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};
    const QByteArray lower = word.toLower();
    for (size_t i = 0; i < names.size(); ++i) {
        if (lower == names[i])
            return int(i) + 1;
    }
    return std::nullopt;
}

// "HH:MM" (24 hours), or with DOS's "AM"/"PM" after it.
std::optional<QTime> ClockTime(const QByteArray& word)
{
    QByteArray text = word.toUpper();
    int addHours = 0;
    bool twelveHours = false;
    if (text.endsWith("AM") || text.endsWith("PM")) {
        twelveHours = true;
        addHours = text.endsWith("PM") ? 12 : 0;
        text.chop(2);
    }
    const qsizetype colon = text.indexOf(':');
    if (colon < 1)
        return std::nullopt;
    const std::optional<int> hour = Number(text.left(colon), twelveHours ? 1 : 0, twelveHours ? 12 : 23);
    const std::optional<int> minute = text.size() - colon - 1 == 2 ? Number(text.mid(colon + 1), 0, 59) : std::nullopt;
    if (!hour || !minute)
        return std::nullopt;
    return QTime((twelveHours ? *hour % 12 + addHours : *hour), *minute);
}

bool IsUnixMode(const QByteArray& word)
{
    static const QByteArray types = "-dlbcpsD";
    static const QByteArray rights = "-rwxsStTlL";
    if (word.size() < 10 || !types.contains(word[0]))
        return false;
    for (int i = 1; i < 10; ++i) {
        if (!rights.contains(word[i]))
            return false;
    }
    return true;
}

// "drwxr-xr-x 2 owner group 4096 Mar  4 05:06 name": the size, month, day and time or year are
// found by their shape, so that a missing group or owner does not shift them.
bool ParseUnixLine(const QByteArray& line, const QDate& today, TFtpEntry& entry, QByteArray& name)
{
    const std::vector<TSpan> words = Words(line);
    if (words.empty() || !IsUnixMode(WordAt(line, words[0])))
        return false;
    for (size_t at = 2; at + 2 < words.size(); ++at) {
        const std::optional<qint64> size = Count(WordAt(line, words[at - 1]));
        const std::optional<int> month = Month(WordAt(line, words[at]));
        const std::optional<int> day = Number(WordAt(line, words[at + 1]), 1, 31);
        const QByteArray timeOrYear = WordAt(line, words[at + 2]);
        const std::optional<QTime> time = ClockTime(timeOrYear);
        const std::optional<int> year = timeOrYear.size() == 4 ? Number(timeOrYear, 1, 9999) : std::nullopt;
        if (!size || !month || !day || (!time && !year))
            continue;
        const QByteArray mode = WordAt(line, words[0]);
        entry.IsDirectory = mode[0] == 'd';
        entry.Size = *size;
        if (!entry.IsDirectory)
            entry.Writable = mode[2] == 'w' || mode[5] == 'w' || mode[8] == 'w';
        if (year) {
            entry.Modified = Utc(QDate(*year, *month, *day), QTime(0, 0));
        } else {
            // A recent date comes without its year: the latest one not after tomorrow.
            QDate date(today.year(), *month, *day);
            if (!date.isValid() || date > today.addDays(1))
                date = QDate(today.year() - 1, *month, *day);
            entry.Modified = Utc(date, *time);
        }
        name = line.mid(words[at + 2].End + 1);
        if (mode[0] == 'l') {
            const qsizetype arrow = name.indexOf(" -> ");
            if (arrow >= 0)
                name.truncate(arrow);
        }
        return true;
    }
    return false;
}

// "03-04-25  05:06PM  <DIR>  name" or "03-04-2025  05:06PM  1234 name". A two-digit year is
// taken as 1970-2069; a four-digit one as written.
bool ParseDosLine(const QByteArray& line, TFtpEntry& entry, QByteArray& name)
{
    const std::vector<TSpan> words = Words(line);
    if (words.size() < 3)
        return false;
    const QList<QByteArray> date = WordAt(line, words[0]).split('-');
    if (date.size() != 3 || (date[2].size() != 2 && date[2].size() != 4))
        return false;
    const std::optional<int> month = Number(date[0], 1, 12);
    const std::optional<int> day = Number(date[1], 1, 31);
    std::optional<int> year = Number(date[2], date[2].size() == 2 ? 0 : 1, 9999);
    const std::optional<QTime> time = ClockTime(WordAt(line, words[1]));
    if (!month || !day || !year || !time)
        return false;
    if (date[2].size() == 2)
        *year += *year < 70 ? 2000 : 1900;
    const QByteArray kind = WordAt(line, words[2]);
    entry.IsDirectory = kind.toUpper() == "<DIR>";
    if (!entry.IsDirectory) {
        const std::optional<qint64> size = Count(kind);
        if (!size)
            return false;
        entry.Size = *size;
    }
    entry.Modified = Utc(QDate(*year, *month, *day), *time);
    // One blank follows a size; "<DIR>" is followed by a column of them.
    name = entry.IsDirectory ? (words.size() > 3 ? line.mid(words[3].Begin) : QByteArray())
                             : line.mid(words[2].End + 1);
    return true;
}

bool ParseListLine(const QByteArray& line, const QDate& today, TFtpEntry& entry, QByteArray& name)
{
    if (!line.isEmpty() && std::isdigit(uchar(line[0])))
        return ParseDosLine(line, entry, name);
    return ParseUnixLine(line, today, entry, name);
}

bool IsDotName(const QByteArray& name)
{
    return name == "." || name == "..";
}

} // namespace

bool IsPlainFtpName(const QByteArray& name)
{
    if (name.isEmpty() || IsDotName(name))
        return false;
    const QString text = QString::fromUtf8(name);
    if (text.toUtf8() != name)
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == u'/')
            return false;
    }
    return true;
}

TFtpListing ParseFtpListing(const QByteArray& text, TFtpListFormat format, const QDate& today)
{
    TFtpListing listing;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        TFtpEntry entry;
        QByteArray name;
        const bool parsed = format == TFtpListFormat::Mlsd ? ParseMlsdLine(line, entry, name)
                                                           : ParseListLine(line, today, entry, name);
        if (!parsed || (entry.IsDirectory && IsDotName(name)))
            continue;
        if (!IsPlainFtpName(name)) {
            listing.SkippedNames.push_back(QString::fromUtf8(name));
            continue;
        }
        entry.Name = QString::fromUtf8(name);
        listing.Entries.push_back(std::move(entry));
    }
    return listing;
}
