#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

// One entry of a remote directory.
struct TFtpEntry {
    static constexpr qint64 UnknownSize = -1;

    QString Name;  // one plain name component (see IsPlainFtpName)
    bool IsDirectory = false;
    // Bytes as listed; UnknownSize when the server gave none or an impossible one.
    qint64 Size = UnknownSize;
    QDateTime Modified;  // as the server lists it, taken as UTC; invalid when not given
    // Whether the file may be written: MLSD's "perm" fact ("w"), or the mode of a Unix LIST
    // line (true when any class of user has "w"; the line does not say who we are). nullopt
    // when the server tells nothing (DOS lines, MLSD without "perm", directories).
    std::optional<bool> Writable;
};

// What a listing gave: the entries that may be asked for by name, and the listed names that
// cannot be (see IsPlainFtpName), as the server sent them, for a per-name error.
struct TFtpListing {
    std::vector<TFtpEntry> Entries;
    std::vector<QString> SkippedNames;
};

enum class TFtpListFormat {
    Mlsd,  // RFC 3659 machine listing
    List,  // LIST in Unix ("ls -l") or DOS form, told apart line by line
};

// A name a server can be asked for again and that names one thing inside the listed directory:
// valid UTF-8 (a replaced byte would name another file), not empty, "." or "..", and free of
// "/" and control characters (C0, DEL, C1; a CR would end the command early). A "\" is part
// of the name for the server (setup\1.exe); a local copy neutralises it.
bool IsPlainFtpName(const QByteArray& name);

// The entries of a listing's text. "." and ".." listed as directories are left out silently;
// lines that are no entry (LIST's "total 12") are ignored. `today` is the server's date as far
// as we know it: LIST gives recent dates without their year, and the year is the one that
// puts the date no later than tomorrow.
TFtpListing ParseFtpListing(const QByteArray& text, TFtpListFormat format, const QDate& today);

