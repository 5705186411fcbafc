#pragma once

#include <QString>

// A URL taken apart the way libcurl takes it apart when it is handed the URL, so that a
// decision made by host (whom to show a login prompt for, where credentials may go) concerns the
// host that a request really goes to. A URL without a scheme gets the one libcurl guesses
// (mostly "http").
struct TUrlParts {
    bool Valid = false;
    QString Scheme;    // lower case
    QString Host;      // lower case; an IPv6 literal in brackets, as in the URL: "[::1]"
    int Port = 0;      // the URL's port, else the scheme's default
    QString UserName;  // percent-decoded; empty when the URL has none
};

TUrlParts ParseUrl(const QString& url);
