#include "share/Poller.h"

#include "protocol/Commands.h"
#include "protocol/TextPrefix.h"

#include <algorithm>

namespace share {

Poller::Poller(LineArbiter &arbiter, const session::TimerFactory &timers, std::vector<std::uint8_t> devices,
               unsigned seconds, std::function<Clock::time_point()> now)
    : m_arbiter(arbiter), m_timer(timers([this] { onTimer(); })), m_devices(std::move(devices)),
      m_seconds(seconds), m_now(std::move(now)) {}

void Poller::ask(std::uint8_t device) {
    if (const std::optional<std::string> text = protocol::prefixText(protocol::buildGetStatus(), device))
        m_arbiter.submit({kKorvexd, *text, device});
}

void Poller::resync() {
    for (std::uint8_t device : m_devices)
        ask(device);
}

void Poller::start() {
    m_inCycle = false;
    if (m_seconds == 0 || m_devices.empty()) {
        m_timer->stop();
        return;
    }
    m_timer->start(static_cast<int>(m_seconds * 1000));
}

void Poller::stop() {
    m_inCycle = false;
    m_timer->stop();
}

void Poller::onTimer() {
    if (!m_inCycle) {
        m_inCycle = true;
        m_next = 0;
    }
    const Clock::time_point now = m_now();
    const Clock::time_point quietSince = m_arbiter.lastTraffic();
    if (!m_arbiter.idle() || now - quietSince < kQuietBeforePoll) {
        // Someone is using the line: look again once it could have been quiet long enough.
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(quietSince + kQuietBeforePoll - now);
        m_timer->start(static_cast<int>(std::clamp<long long>(wait.count(), 100, kQuietBeforePoll.count())));
        return;
    }
    ask(m_devices[m_next++]);
    ++m_polls;
    if (m_next < m_devices.size()) {
        m_timer->start(static_cast<int>(kQuietBeforePoll.count()));
        return;
    }
    // The cycle is over: the next one starts a period from now.
    m_inCycle = false;
    m_timer->start(static_cast<int>(m_seconds * 1000));
}

} // namespace share
