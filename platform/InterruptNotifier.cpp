#include "platform/InterruptNotifier.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int WriteEnd = -1;
struct sigaction SavedInterrupt {};
struct sigaction SavedTerminate {};

void OnSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // Non-blocking: a full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = write(WriteEnd, &byte, 1);
    errno = saved;
}
} // namespace

TInterruptNotifier::TInterruptNotifier(QObject* parent) : QObject(parent)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    FReadEnd = ends[0];
    WriteEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // A wait in the transfer client that a signal breaks is simply restarted.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &SavedInterrupt);
    sigaction(SIGTERM, &action, &SavedTerminate);
    FNotifier = new QSocketNotifier(FReadEnd, QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TInterruptNotifier::Drain);
}

TInterruptNotifier::~TInterruptNotifier()
{
    if (FReadEnd < 0)
        return;
    sigaction(SIGINT, &SavedInterrupt, nullptr);
    sigaction(SIGTERM, &SavedTerminate, nullptr);
    delete FNotifier;
    close(FReadEnd);
    close(WriteEnd);
    WriteEnd = -1;
}

void TInterruptNotifier::Drain()
{
    unsigned char bytes[16];
    ssize_t got = 0;
    while ((got = read(FReadEnd, bytes, sizeof bytes)) > 0)
        emit Interrupted(bytes[got - 1]);
}
