#include "web/ChangeWaiter.h"

#include <algorithm>
#include <vector>

namespace web {

ChangeWaiter::ChangeWaiter(session::DeviceModel &model, session::TimerFactory timers)
    : m_model(model), m_timers(std::move(timers)) {
    m_model.addObserver(this);
}

ChangeWaiter::~ChangeWaiter() {
    m_model.removeObserver(this);
}

void ChangeWaiter::wait(std::uint8_t device, Check check, int timeoutMs, Done done) {
    m_spent.clear();
    auto wait = std::make_unique<Wait>();
    Wait *raw = wait.get();
    raw->device = device;
    raw->check = std::move(check);
    raw->done = std::move(done);
    raw->timer = m_timers([this, raw] { finish(raw, false); });
    raw->timer->start(timeoutMs);
    m_waits.push_back(std::move(wait));
}

void ChangeWaiter::onDeviceChanged(std::uint8_t device, session::DeviceMembers) {
    m_spent.clear();
    const session::DeviceState *state = m_model.state(device);
    std::vector<Wait *> met;
    for (const std::unique_ptr<Wait> &wait : m_waits)
        if (wait->device == device && !wait->finished && wait->check(state))
            met.push_back(wait.get());
    for (Wait *wait : met)
        finish(wait, true);
}

void ChangeWaiter::finish(Wait *wait, bool confirmed) {
    if (wait->finished)
        return;
    wait->finished = true;
    wait->timer->stop();
    const auto found =
        std::find_if(m_waits.begin(), m_waits.end(), [wait](const auto &w) { return w.get() == wait; });
    std::unique_ptr<Wait> owned = std::move(*found);
    m_waits.erase(found);
    m_spent.push_back(std::move(owned->timer));
    owned->done(confirmed);
}

} // namespace web
