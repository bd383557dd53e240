#include "WaitFor.h"

#include <chrono>
#include <thread>
#include <utility>

namespace testsupport {

namespace {

std::function<void()> &idleStep() {
    static std::function<void()> step;
    return step;
}

} // namespace

void setWaitIdleStep(std::function<void()> step) {
    idleStep() = std::move(step);
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        if (idleStep())
            idleStep()();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace testsupport
