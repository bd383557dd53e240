#pragma once

#include <functional>

namespace testsupport {

// Runs the idle step (Qt tests: process events) until the condition holds or the deadline passes;
// returns the condition's last value. Tests wait for what they expect instead of sleeping a fixed time.
bool waitFor(const std::function<bool()> &condition, int timeoutMs = 10000);

// What waitFor does between two looks at its condition besides a pause of a millisecond; the Qt test
// main sets it to process the application's events.
void setWaitIdleStep(std::function<void()> step);

} // namespace testsupport
