#pragma once

#include "session/DeviceModel.h"
#include "session/Timer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <vector>

namespace web {

// Waits for the device model to show what a request asked the switcher for: the request is answered
// when the switcher confirmed it, or told that it did not within the time allowed. The number of
// waits is bounded, so that clients cannot pile them up.
class ChangeWaiter : private session::IDeviceModelObserver {
public:
    using Check = std::function<bool(const session::DeviceState *state)>;
    using Done = std::function<void(bool confirmed)>;
    static constexpr std::size_t kMaxWaits = 256;

    ChangeWaiter(session::DeviceModel &model, session::TimerFactory timers);
    ~ChangeWaiter() override;
    ChangeWaiter(const ChangeWaiter &) = delete;
    ChangeWaiter &operator=(const ChangeWaiter &) = delete;

    bool full() const { return m_waits.size() >= kMaxWaits; }
    // Calls done(true) once `check` holds for the device (looked at after each change of it), or
    // done(false) after `timeoutMs`. Never calls `done` from within wait().
    void wait(std::uint8_t device, Check check, int timeoutMs, Done done);
    std::size_t waiting() const { return m_waits.size(); }

private:
    struct Wait {
        std::uint8_t device = 0;
        Check check;
        Done done;
        std::unique_ptr<session::ITimer> timer;
        bool finished = false;
    };

    void onDeviceChanged(std::uint8_t device, session::DeviceMembers changed) override;
    void finish(Wait *wait, bool confirmed);

    session::DeviceModel &m_model;
    session::TimerFactory m_timers;
    std::list<std::unique_ptr<Wait>> m_waits;
    // Timers of finished waits, destroyed later: one of them may be the caller of finish().
    std::vector<std::unique_ptr<session::ITimer>> m_spent;
};

} // namespace web
