#pragma once

#include "session/HandOff.h"
#include "session/Timer.h"

#include <utility> // before Asio: Boost 1.74's headers miss it in C++20

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

#include <cstdint>
#include <functional>
#include <memory>

// korvexd's one thread: an Asio io_context runs the sockets, the timers and the line's reports.
namespace share {

// The loop's thread as the transports' hand-off: a call posted from any thread runs on the loop.
class AsioHandOff : public session::IHandOff {
public:
    explicit AsioHandOff(boost::asio::io_context &context) : m_context(context) {}
    void post(std::function<void()> call) override;

private:
    boost::asio::io_context &m_context;
};

// A repeating session timer on the loop. An idle loop has none armed, so it sleeps.
class AsioTimer : public session::ITimer {
public:
    AsioTimer(boost::asio::io_context &context, std::function<void()> onTimeout);
    ~AsioTimer() override;
    AsioTimer(const AsioTimer &) = delete;
    AsioTimer &operator=(const AsioTimer &) = delete;

    void start(int milliseconds) override;
    void stop() override;
    bool active() const override { return m_active; }

    static session::TimerFactory factory(boost::asio::io_context &context);

private:
    void arm();

    boost::asio::steady_timer m_timer;
    std::function<void()> m_onTimeout;
    int m_period = 0;
    bool m_active = false;
    std::uint64_t m_generation = 0; // a wait armed before the last start or stop does not fire
};

} // namespace share
