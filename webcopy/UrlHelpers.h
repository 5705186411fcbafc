#pragma once

#include <QString>

// Taking URLs apart. The routines accept any text; a text without the delimiters that a
// routine looks for passes through unchanged or whole.

// Decodes "%XY" escapes whose digits are upper-case hex or decimal digits into bytes and reads
// each run of decoded bytes as UTF-8 ("caf%C3%A9" is "café"); a byte that is not part of
// well-formed UTF-8 gives its Latin-1 character ("%E9" alone is "é"). A "%" that starts no such
// escape ("%2f", "%zz", a "%" near the end) stays as written; "+" stays "+". The result may
// hold "/", control characters or NUL: it is not yet a safe local file name.
QString URLDecode(const QString& text);

// The last segment: everything after the last "/", then after the last backslash. A query
// stays part of it.
QString ExtractURLFileName(const QString& url);

// The host for the login prompt: after the first "://", before the first "/" and then before
// the first backslash, with a port but without user information (no password on screen).
QString ExtractURLHost(const QString& url);

// Every backslash replaced by "/".
QString BackslashToSlash(const QString& text);

// The server of a URL with its port, without scheme and user information: the part after the
// first "://" up to the first "/", "?" or "#", from its last "@" on.
QString GetURLServer(const QString& url);

// The path of a URL from the "/" that ends the server part on; "/" when there is none. Query
// and fragment stay in it.
QString GetURLPath(const QString& url);

// An "http://" URL (any letter case) with "user:password@" inserted after the scheme when both
// are non-empty; any other URL, https included, unchanged. Nothing is escaped.
QString AddProxyCredentials(const QString& url, const QString& proxyUser, const QString& proxyPassword);
