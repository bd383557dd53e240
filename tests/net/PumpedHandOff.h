#pragma once

#include "serial/SerialTransport.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

// The hand-off of a test whose own thread plays the session's: the worker's message waits here until
// the test calls pump(), which delivers it on the test's thread as the console's event loop would.
class PumpedHandOff : public ILinkOwner {
public:
    explicit PumpedHandOff(SerialTransport::Deliver deliver) : m_deliver(std::move(deliver)) {}

    void OnLinkBytes(const std::uint8_t *data, std::size_t size, unsigned) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        const std::uint64_t generation = m_generation;
        m_message.assign(data, data + size);
        m_waiting = true;
        m_changed.wait(lock, [&] { return !m_waiting || m_generation != generation; });
    }
    void PumpPending() override {
        std::lock_guard<std::mutex> guard(m_mutex);
        ++m_generation;
        m_waiting = false;
        m_changed.notify_all();
    }
    void pump() {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_waiting)
            return;
        const std::vector<std::uint8_t> message = m_message;
        const std::uint64_t generation = m_generation;
        lock.unlock();
        m_deliver(message.data(), message.size());
        lock.lock();
        if (m_generation == generation)
            m_waiting = false;
        m_changed.notify_all();
    }

private:
    SerialTransport::Deliver m_deliver;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::uint8_t> m_message;
    bool m_waiting = false;
    std::uint64_t m_generation = 0;
};
