#pragma once

#include <csignal>

#include <sys/resource.h>

// Makes writes to regular files fail (EFBIG) beyond `bytes` in this process, as a full disk
// would, and restores the old limit when it goes. Each test runs in a process of its own.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &FOldLimit);
        rlimit limit = FOldLimit;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &FOldLimit);
        std::signal(SIGXFSZ, FOldHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit FOldLimit {};
    void (*FOldHandler)(int) = nullptr;
};
