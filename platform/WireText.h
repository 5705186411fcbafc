#pragma once

#include <QByteArray>
#include <QString>

// A text for the wire must stay one line: a line break would smuggle in headers or commands of
// its own, and libcurl takes a NUL for the text's end.
inline bool IsSingleLine(const QByteArray& text)
{
    return !text.contains('\r') && !text.contains('\n') && !text.contains('\0');
}

inline bool IsSingleLine(const QString& text)
{
    return IsSingleLine(text.toUtf8());
}
