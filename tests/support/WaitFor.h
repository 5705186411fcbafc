#pragma once

#include <functional>

class QProcess;

namespace testsupport {

// Processes events until the condition holds or the deadline passes; true when it held.
// Tests wait for conditions, never for fixed times.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// Ends a process the test started: asks it to end (SIGTERM), and kills it when it has not ended
// within the time; then waits for it as long again. Nothing when it is not running.
void stopProcess(QProcess& process, int timeoutMs = 5000);

} // namespace testsupport
