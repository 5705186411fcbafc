#pragma once

#include <QByteArray>
#include <QString>

// Base64 (standard alphabet, "=" padding, no line breaks) of the text encoded as UTF-8: the
// byte string HTTP Basic authorization sends for user names and passwords outside ASCII, as
// servers and other clients expect (RFC 7617 charset "UTF-8").
QString EncodeBase64(const QString& text);

// Base64 of the bytes as they are.
QString EncodeBase64Bytes(const QByteArray& bytes);

// Four characters for 1 to 3 bytes; the characters for missing bytes are "=".
QString EncodeBase64Block(const uchar* bytes, int count);
