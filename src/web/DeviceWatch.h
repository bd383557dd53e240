#pragma once

#include "session/DeviceModel.h"
#include "session/DeviceSession.h"
#include "session/Timer.h"
#include "share/LineArbiter.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace web {

// Whether each configured device answered its last status request ("GET STA", korvexd's own or a
// client's): unknown until one was asked, then answering or silent. The panel marks a silent switcher.
class DeviceWatch : private session::ISessionObserver, private session::IDeviceModelObserver {
public:
    static constexpr int kAnswerMs = 1500;

    DeviceWatch(session::DeviceSession &session, session::DeviceModel &model,
                const share::LineArbiter &arbiter, std::vector<std::uint8_t> devices,
                const session::TimerFactory &timers);
    ~DeviceWatch() override;
    DeviceWatch(const DeviceWatch &) = delete;
    DeviceWatch &operator=(const DeviceWatch &) = delete;

    std::optional<bool> answering(std::uint8_t device) const { return m_answering[device]; }
    const std::vector<std::uint8_t> &devices() const { return m_devices; }
    // Told when a device's answering changed.
    std::function<void()> onChanged;

private:
    void onBytesSent(const std::uint8_t *data, std::size_t size) override;
    void onLineSeen(std::string_view line) override;
    void onDeviceChanged(std::uint8_t device, session::DeviceMembers changed) override;
    void settle(bool answered);
    void set(std::uint8_t device, bool answering);

    session::DeviceSession &m_session;
    session::DeviceModel &m_model;
    const share::LineArbiter &m_arbiter;
    std::vector<std::uint8_t> m_devices;
    std::unique_ptr<session::ITimer> m_timer;
    std::array<std::optional<bool>, 256> m_answering{};
    std::optional<std::uint8_t> m_asked; // the device whose status answer is awaited
};

} // namespace web
