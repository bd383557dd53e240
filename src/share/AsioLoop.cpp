#include "share/AsioLoop.h"

#include <boost/asio/post.hpp>

#include <chrono>

namespace share {

void AsioHandOff::post(std::function<void()> call) {
    boost::asio::post(m_context, std::move(call));
}

AsioTimer::AsioTimer(boost::asio::io_context &context, std::function<void()> onTimeout)
    : m_timer(context), m_onTimeout(std::move(onTimeout)) {}

AsioTimer::~AsioTimer() {
    m_timer.cancel();
}

void AsioTimer::start(int milliseconds) {
    m_period = milliseconds;
    m_active = true;
    ++m_generation;
    arm();
}

void AsioTimer::stop() {
    m_active = false;
    ++m_generation;
    m_timer.cancel();
}

void AsioTimer::arm() {
    m_timer.expires_after(std::chrono::milliseconds(m_period));
    m_timer.async_wait([this, generation = m_generation](const boost::system::error_code &error) {
        // A cancelled wait (stop, restart, destruction) touches nothing of the timer.
        if (error || generation != m_generation || !m_active)
            return;
        arm();
        m_onTimeout();
    });
}

session::TimerFactory AsioTimer::factory(boost::asio::io_context &context) {
    return [&context](std::function<void()> onTimeout) {
        return std::make_unique<AsioTimer>(context, std::move(onTimeout));
    };
}

} // namespace share
