#pragma once

#include <QByteArray>
#include <QString>

// The file name a Content-Disposition answer header suggests (RFC 6266): "filename*" (RFC 8187,
// UTF-8 or ISO-8859-1, percent-encoded) before "filename" (a token or a quoted string). Only
// the last component of a name that carries a path ("C:\dir\a.exe", "../a.exe") is taken;
// the caller still neutralises it like every name from the other side. "" when the header
// suggests no usable name.
QString ContentDispositionFileName(const QByteArray& header);
