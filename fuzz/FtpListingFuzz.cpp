// FTP listings from the other side: whatever a server sends, every entry is one plain name that
// can be asked for again, its size is real or unknown and its date a calendar date; a listed
// name is never turned into another one, and a written four-digit year is kept.
#include "fuzz/FuzzInput.h"
#include "platform/FtpListing.h"

#include <algorithm>

namespace {

void CheckListing(const TFtpListing& listing)
{
    for (const TFtpEntry& entry : listing.Entries) {
        const QByteArray name = entry.Name.toUtf8();
        Require(IsPlainFtpName(name), "an entry's name is one plain name");
        Require(!name.isEmpty() && name != "." && name != ".." && !name.contains('/'), "no empty, dot or path name");
        Require(std::none_of(name.begin(), name.end(), [](char c) { return uchar(c) < 0x20 || c == 0x7F; }),
                "no control character in a name");
        Require(entry.Size >= 0 || entry.Size == TFtpEntry::UnknownSize, "a size is real or unknown");
        Require(!entry.Modified.isValid()
                    || (entry.Modified.date().year() >= 1 && entry.Modified.date().year() <= 9999),
                "a date is within the calendar");
    }
}

// One line of the given form with the name and year from the input: the name comes back as it
// is, or is skipped; the year as written.
void CheckOneLine(TFtpListFormat format, const QByteArray& line, const QByteArray& name, int year, const QDate& today)
{
    const TFtpListing listing = ParseFtpListing(line + "\r\n", format, today);
    if (IsPlainFtpName(name)) {
        Require(listing.Entries.size() == 1 && listing.SkippedNames.empty(), "a plain name is one entry");
        Require(listing.Entries[0].Name.toUtf8() == name, "the name is kept as it is");
        Require(listing.Entries[0].Modified.date().year() == year, "a four-digit year is kept");
    } else {
        Require(listing.Entries.empty(), "a name that is not plain is no entry");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzInput input(data, size);
    const uint8_t mode = input.Take<uint8_t>();
    const QDate today(1971 + input.Take<uint16_t>() % 8000, 1 + input.Take<uint8_t>() % 12, 1 + input.Take<uint8_t>() % 28);
    const int year = 1 + input.Take<uint16_t>() % 9999;
    QByteArray text = input.RestAsBytes();
    if (mode % 4 == 0) {
        CheckListing(ParseFtpListing(text, (mode & 4) ? TFtpListFormat::Mlsd : TFtpListFormat::List, today));
        return 0;
    }
    // A name inside one line: a line feed would end it.
    text.replace('\n', '_');
    const QByteArray yyyy = QByteArray::number(year).rightJustified(4, '0');
    const QByteArray& name = text;
    switch (mode % 4) {
    case 1:
        CheckOneLine(TFtpListFormat::Mlsd, "type=file;size=3;modify=" + yyyy + "0102030405; " + name, name, year, today);
        break;
    case 2:
        CheckOneLine(TFtpListFormat::List, "-rw-r--r--   1 owner group  3 Feb  3  " + yyyy + ' ' + name, name, year, today);
        break;
    case 3:
        CheckOneLine(TFtpListFormat::List, "02-03-" + yyyy + "  01:30PM                 3 " + name, name, year, today);
        break;
    }
    return 0;
}
