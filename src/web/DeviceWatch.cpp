#include "web/DeviceWatch.h"

#include "protocol/TextPrefix.h"

#include <algorithm>
#include <string_view>

namespace web {

DeviceWatch::DeviceWatch(session::DeviceSession &session, session::DeviceModel &model,
                         const share::LineArbiter &arbiter, std::vector<std::uint8_t> devices,
                         const session::TimerFactory &timers)
    : m_session(session), m_model(model), m_arbiter(arbiter), m_devices(std::move(devices)),
      m_timer(timers([this] { settle(false); })) {
    m_session.addObserver(this);
    m_model.addObserver(this);
}

DeviceWatch::~DeviceWatch() {
    m_model.removeObserver(this);
    m_session.removeObserver(this);
}

void DeviceWatch::onBytesSent(const std::uint8_t *data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    if (bytes.find("GET STA") == std::string_view::npos)
        return;
    const std::optional<std::uint8_t> device = protocol::addressedDevice(bytes);
    if (!device || std::find(m_devices.begin(), m_devices.end(), *device) == m_devices.end())
        return;
    if (m_asked && *m_asked != *device)
        settle(false);
    m_asked = *device;
    m_timer->start(kAnswerMs);
}

void DeviceWatch::onLineSeen(std::string_view) {
    if (m_asked && m_arbiter.device() == *m_asked)
        settle(true);
}

void DeviceWatch::onDeviceChanged(std::uint8_t device, session::DeviceMembers) {
    if (std::find(m_devices.begin(), m_devices.end(), device) != m_devices.end())
        set(device, true);
}

void DeviceWatch::settle(bool answered) {
    m_timer->stop();
    if (!m_asked)
        return;
    const std::uint8_t device = *m_asked;
    m_asked.reset();
    set(device, answered);
}

void DeviceWatch::set(std::uint8_t device, bool answering) {
    if (m_answering[device] == answering)
        return;
    m_answering[device] = answering;
    if (onChanged)
        onChanged();
}

} // namespace web
