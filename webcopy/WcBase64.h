#pragma once

#include <QString>

// Base64 (standard alphabet, "=" padding, no line breaks) of the text's characters taken as
// bytes: the low 8 bits of each UTF-16 unit, so Latin-1 text encodes as it should and '€'
// (U+20AC) encodes as the byte 0xAC. This is the byte string HTTP Basic authorization sends.
QString EncodeBase64(const QString& text);

// Four characters for 1 to 3 bytes; the characters for missing bytes are "=".
QString EncodeBase64Block(const uchar* bytes, int count);
