#pragma once

#include <functional>

namespace testsupport {

// Processes events until the condition holds or the deadline passes; true when it held.
// Tests wait for conditions, never for fixed times.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

} // namespace testsupport
