#include "platform/ProcessHandle.h"

#include "platform/ProcessReaper.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <utility>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

TProcessHandle::TProcessHandle(qint64 processId, int pidfd)
    : FProcessId(processId)
    , FDescriptor(pidfd)
{
}

TProcessHandle::TProcessHandle(TProcessHandle&& other) noexcept
{
    takeFrom(other);
}

TProcessHandle& TProcessHandle::operator=(TProcessHandle&& other) noexcept
{
    if (this != &other) {
        close();
        takeFrom(other);
    }
    return *this;
}

TProcessHandle::~TProcessHandle()
{
    close();
}

void TProcessHandle::takeFrom(TProcessHandle& other)
{
    FProcessId = std::exchange(other.FProcessId, 0);
    FDescriptor = std::exchange(other.FDescriptor, -1);
    FExited = std::exchange(other.FExited, false);
    FExitCode = std::exchange(other.FExitCode, 0);
    FLastError = std::exchange(other.FLastError, 0);
}

bool TProcessHandle::isValid() const
{
    return FDescriptor >= 0;
}

qint64 TProcessHandle::processId() const
{
    return FProcessId;
}

int TProcessHandle::pollDescriptor() const
{
    return FDescriptor;
}

TProcessHandle::TWaitResult TProcessHandle::waitForExit(int timeoutMs)
{
    if (!isValid()) {
        FLastError = EBADF;
        return TWaitResult::Failed;
    }
    if (FExited)
        return TWaitResult::Exited;

    const QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs));
    for (;;) {
        pollfd entry{FDescriptor, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(deadline.remainingTime()));
        if (ready > 0)
            break;
        if (ready == 0)
            return TWaitResult::TimedOut;
        if (errno != EINTR) {
            FLastError = errno;
            return TWaitResult::Failed;
        }
    }

    siginfo_t info{};
    while (::waitid(P_PIDFD, static_cast<id_t>(FDescriptor), &info, WEXITED) != 0) {
        if (errno != EINTR) {
            FLastError = errno;
            return TWaitResult::Failed;
        }
    }
    FExited = true;
    FExitCode = static_cast<quint32>(info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status);
    return TWaitResult::Exited;
}

bool TProcessHandle::hasExited() const
{
    return FExited;
}

quint32 TProcessHandle::exitCode() const
{
    return FExitCode;
}

int TProcessHandle::lastError() const
{
    return FLastError;
}

void TProcessHandle::close()
{
    if (FDescriptor >= 0) {
        if (FExited)
            ::close(FDescriptor);
        else
            TProcessReaper::adopt(FDescriptor);
    }
    FProcessId = 0;
    FDescriptor = -1;
    FExited = false;
    FExitCode = 0;
    FLastError = 0;
}
