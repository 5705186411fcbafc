#include "tests/support/ReservedPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

TReservedPort::TReservedPort()
{
    FSocket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (FSocket < 0)
        return;
    const int on = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (setsockopt(FSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) == 0
        && bind(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0
        && getsockname(FSocket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        FPort = ntohs(address.sin_port);
}

TReservedPort::~TReservedPort()
{
    if (FSocket >= 0)
        close(FSocket);
}
