#pragma once

#include <mutex>
#include <vector>

// Reaps children whose handles were closed before they were waited for. One thread polls the
// pidfds of all such children and collects each one as it ends. It waits on nothing else, so
// the children of other parts of the program (QProcess) are never touched, and no SIGCHLD
// handler is needed.
class TProcessReaper {
public:
    // Takes ownership of the pidfd of an unreaped child.
    static void adopt(int pidfd);

private:
    explicit TProcessReaper(int wakeDescriptor);
    static TProcessReaper* instance();
    void handOver(int pidfd);
    void run();

    std::mutex FMutex;
    std::vector<int> FHandedOver;
    const int FWakeDescriptor;
};
