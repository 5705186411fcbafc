#pragma once

#include <QColor>

// Colours as 24-bit values with red in the low byte: 0xb57400 is red 0, green 116, blue 181.
QColor ColorFromValue(quint32 value);
quint32 ValueFromColor(const QColor& color);
