#include "serial/SerialTransport.h"

#include "serial/PortNaming.h"
#include "serial/PortPresence.h"

#include <cstring>
#include <vector>

namespace serial {

SerialTransport::SerialTransport(unsigned port, session::IHandOff &handOff, std::string displayName)
    : m_port(port), m_displayName(std::move(displayName)), m_channel(handOff) {}

SerialTransport::~SerialTransport() {
    m_link.Close();
}

bool SerialTransport::open(session::ITransportEvents *events, bool serve) {
    m_link.Close();
    m_link.clearError();
    m_events = events;
    if (!m_link.Open(this, m_port, kBaud, 'N', 8, 1, LINK_EV_RXCHAR | LINK_EV_RXFLAG,
                     static_cast<std::uint32_t>(1024)))
        return false;
    m_openedPath = resolvePortPath(m_port);
    if (serve)
        m_link.StartWorker();
    return true;
}

void SerialTransport::close() {
    // Close pumps the channel (pumpPending) while it waits for the worker: reports not yet handled go.
    m_link.Close();
    m_channel.abandon();
}

bool SerialTransport::write(const std::uint8_t *data, std::size_t size) {
    return m_link.Send(data, static_cast<std::uint32_t>(size));
}

std::string SerialTransport::name() const {
    if (!m_displayName.empty())
        return m_displayName;
    return "COM" + std::to_string(m_port);
}

std::string SerialTransport::failureText() const {
    return openFailureText(m_link.lastOpenResult(), m_link.lastOpenError());
}

bool SerialTransport::present() const {
    if (!m_openedPath.empty() && resolvePortPath(m_port) != m_openedPath)
        return false;
    return portPresent(m_port);
}

void SerialTransport::onLinkBytes(const std::uint8_t *data, std::size_t size) {
    // The call owns its copy: the link may be closed inside it, which releases this worker early.
    m_channel.postAndWait([this, bytes = std::vector<std::uint8_t>(data, data + size)] {
        if (!m_events || !m_link.isOpen())
            return;
        // Bytes read after a failure was reported (a write that failed) are not taken: the line goes.
        if (m_link.errorFlag())
            m_events->onTransportDrop();
        else
            m_events->onTransportBytes(bytes.data(), bytes.size());
    });
}

void SerialTransport::onLinkDown() {
    m_channel.post([this] {
        if (m_events && m_link.isOpen())
            m_events->onTransportDrop();
    });
}

std::string openFailureText(SerialDevice::OpenResult result, int error) {
    switch (result) {
    case SerialDevice::OpenResult::Opened:
        return {};
    case SerialDevice::OpenResult::Missing:
    case SerialDevice::OpenResult::NotAPort:
        return "no such device";
    case SerialDevice::OpenResult::PermissionDenied:
        return "permission denied: add your user to the dialout group";
    case SerialDevice::OpenResult::InUse:
        return "in use by another program";
    case SerialDevice::OpenResult::NotATerminal:
        return "not a serial device";
    case SerialDevice::OpenResult::Failed:
        break;
    }
    return std::string("cannot be opened (") + std::strerror(error) + ")";
}

} // namespace serial
