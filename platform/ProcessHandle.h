#pragma once

#include <QtGlobal>

// A started child process that can be waited on. Owns the process's pidfd; move-only.
// A handle that is closed before the process was reaped hands it to the reaper, so a caller
// may drop a handle at any time without leaving a zombie behind.
class TProcessHandle {
public:
    enum class TWaitResult { Exited, TimedOut, Failed };

    TProcessHandle() = default;
    // Takes ownership of `pidfd`, which refers to our unreaped child `processId`.
    TProcessHandle(qint64 processId, int pidfd);
    TProcessHandle(TProcessHandle&& other) noexcept;
    TProcessHandle& operator=(TProcessHandle&& other) noexcept;
    TProcessHandle(const TProcessHandle&) = delete;
    TProcessHandle& operator=(const TProcessHandle&) = delete;
    ~TProcessHandle();

    bool isValid() const;
    qint64 processId() const;
    // Becomes readable when the process ends (for QSocketNotifier or poll); -1 when invalid.
    // Stop watching it before the handle is closed.
    int pollDescriptor() const;

    // Waits up to `timeoutMs` (negative: no limit) and reaps the process when it has ended.
    // Failed leaves the errno in lastError().
    TWaitResult waitForExit(int timeoutMs);
    bool hasExited() const;
    // The exit status, or 128 + the signal number for a process that a signal ended.
    quint32 exitCode() const;
    int lastError() const;

    void close();

private:
    void takeFrom(TProcessHandle& other);

    qint64 FProcessId = 0;
    int FDescriptor = -1;
    bool FExited = false;
    quint32 FExitCode = 0;
    int FLastError = 0;
};
