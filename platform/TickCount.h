#pragma once

#include <QtGlobal>

// Milliseconds of a monotonic clock, wrapping at 2^32 like the desktop tick counter;
// differences are taken modulo 2^32. Cheap enough to read once per transferred block.
quint32 TickCount();
