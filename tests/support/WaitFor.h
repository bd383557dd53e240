#pragma once

#include <functional>

namespace testsupport {

// Processes Qt events until the condition holds or the deadline passes; returns the condition's
// last value. Tests wait for what they expect instead of sleeping a fixed time.
bool waitFor(const std::function<bool()> &condition, int timeoutMs = 10000);

} // namespace testsupport
