#pragma once

#include <QtGlobal>

// A TCP port on 127.0.0.1 that the system picked and that stays taken while this lives: the
// socket is bound but never listens, so a connection to it is refused, and a server that binds
// with SO_REUSEADDR (as tinyproxy does) can take the port over without a race against
// other programs looking for a free port. Port() is 0 when no port could be had.
class TReservedPort {
public:
    TReservedPort();
    ~TReservedPort();
    TReservedPort(const TReservedPort&) = delete;
    TReservedPort& operator=(const TReservedPort&) = delete;

    quint16 Port() const { return FPort; }

private:
    int FSocket = -1;
    quint16 FPort = 0;
};
