#include "platform/ProcessReaper.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>
#include <thread>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// True when the process behind `pidfd` is gone: reaped now, or nothing is left to reap.
bool reapIfEnded(int pidfd)
{
    siginfo_t info{};
    int result;
    do {
        result = ::waitid(P_PIDFD, static_cast<id_t>(pidfd), &info, WEXITED | WNOHANG);
    } while (result != 0 && errno == EINTR);
    return result != 0 || info.si_pid != 0;
}

} // namespace

void TProcessReaper::adopt(int pidfd)
{
    // Most handles are dropped after their process has ended; those need no thread.
    if (reapIfEnded(pidfd)) {
        ::close(pidfd);
        return;
    }
    if (TProcessReaper* reaper = instance()) {
        reaper->handOver(pidfd);
        return;
    }
    qWarning("Cannot start the process reaper; an ended child stays a zombie until we exit");
    ::close(pidfd);
}

TProcessReaper::TProcessReaper(int wakeDescriptor)
    : FWakeDescriptor(wakeDescriptor)
{
}

TProcessReaper* TProcessReaper::instance()
{
    // Never destroyed: its thread may still wait on children while statics are torn down.
    static TProcessReaper* const reaper = []() -> TProcessReaper* {
        const int wakeDescriptor = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wakeDescriptor < 0)
            return nullptr;
        auto* created = new TProcessReaper(wakeDescriptor);
        try {
            std::thread(&TProcessReaper::run, created).detach();
        } catch (const std::system_error&) {
            ::close(wakeDescriptor);
            delete created;
            return nullptr;
        }
        return created;
    }();
    return reaper;
}

void TProcessReaper::handOver(int pidfd)
{
    {
        std::lock_guard lock(FMutex);
        FHandedOver.push_back(pidfd);
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(FWakeDescriptor, &one, sizeof one);
}

void TProcessReaper::run()
{
    std::vector<pollfd> watched{{FWakeDescriptor, POLLIN, 0}};
    for (;;) {
        if (::poll(watched.data(), watched.size(), -1) < 0)
            continue;
        if (watched.front().revents != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto drained = ::read(FWakeDescriptor, &count, sizeof count);
            std::lock_guard lock(FMutex);
            for (const int pidfd : FHandedOver)
                watched.push_back({pidfd, POLLIN, 0});
            FHandedOver.clear();
        }
        const auto ended = std::remove_if(watched.begin() + 1, watched.end(), [](const pollfd& entry) {
            if (entry.revents == 0 || !reapIfEnded(entry.fd))
                return false;
            ::close(entry.fd);
            return true;
        });
        watched.erase(ended, watched.end());
    }
}
