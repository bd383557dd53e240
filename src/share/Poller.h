#pragma once

#include "share/LineArbiter.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

namespace share {

// Keeps korvexd's picture of the devices current: every configured device is asked for its status
// ("GET STA") at start and after every reconnect, and again every `seconds` (0: never), one device at
// a time and only once the line has been quiet for two seconds with nothing queued or awaited (an
// EDID dump or an installer's burst of commands goes first), so that a line of 99 devices stays
// usable and a change made on a switcher's front panel still reaches every client.
class Poller {
public:
    using Clock = LineArbiter::Clock;
    static constexpr std::chrono::milliseconds kQuietBeforePoll{2000};

    Poller(LineArbiter &arbiter, const session::TimerFactory &timers, std::vector<std::uint8_t> devices,
           unsigned seconds, std::function<Clock::time_point()> now = &Clock::now);

    // Asks every device now, in order.
    void resync();
    // Polling on (when it has a period) or off; off while the line is away.
    void start();
    void stop();
    // Devices asked by polling since the start (diagnostics, tests).
    std::uint64_t polls() const { return m_polls; }

private:
    void onTimer();
    void ask(std::uint8_t device);

    LineArbiter &m_arbiter;
    std::unique_ptr<session::ITimer> m_timer;
    std::vector<std::uint8_t> m_devices;
    unsigned m_seconds;
    std::function<Clock::time_point()> m_now;
    std::size_t m_next = 0; // the next device of the cycle under way
    bool m_inCycle = false; // a cycle is under way
    std::uint64_t m_polls = 0;
};

} // namespace share
