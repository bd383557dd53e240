#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

// Fails the whole test program when a scope takes longer than its limit: a deadlock in a fault loop
// then shows as a named failure at once instead of a hang until the runner's time-out. The check
// runs on its own thread, so it works even when the thread under test is stuck.
class Watchdog {
public:
    Watchdog(std::string what, std::chrono::seconds limit) : m_what(std::move(what)) {
        m_thread = std::thread([this, limit] {
            std::unique_lock lock(m_mutex);
            if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                std::fprintf(stderr, "watchdog: \"%s\" still running after %lld s: hung\n", m_what.c_str(),
                             static_cast<long long>(limit.count()));
                std::fflush(stderr);
                std::abort();
            }
        });
    }
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

private:
    std::string m_what;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

} // namespace testsupport
