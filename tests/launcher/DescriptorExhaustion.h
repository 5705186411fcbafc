#pragma once

#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

// Uses up every file descriptor this process may open, as a process that leaks them would,
// and gives them back when it goes. Each test runs in a process of its own.
class TDescriptorExhaustion {
public:
    TDescriptorExhaustion()
    {
        ::getrlimit(RLIMIT_NOFILE, &FOldLimit);
        rlimit limit = FOldLimit;
        if (limit.rlim_cur > 256)
            limit.rlim_cur = 256;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        for (int descriptor = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0); descriptor >= 0;
             descriptor = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0))
            FDescriptors.push_back(descriptor);
    }
    ~TDescriptorExhaustion()
    {
        for (const int descriptor : FDescriptors)
            ::close(descriptor);
        ::setrlimit(RLIMIT_NOFILE, &FOldLimit);
    }
    TDescriptorExhaustion(const TDescriptorExhaustion&) = delete;
    TDescriptorExhaustion& operator=(const TDescriptorExhaustion&) = delete;

private:
    rlimit FOldLimit {};
    std::vector<int> FDescriptors;
};
