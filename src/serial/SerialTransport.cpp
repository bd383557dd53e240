#include "serial/SerialTransport.h"

#include <cstring>

SerialTransport::SerialTransport(unsigned port, const HandOffFactory &makeHandOff)
    : m_port(port), m_handOff(makeHandOff([this](const std::uint8_t *data, std::size_t size) {
          deliver(data, size);
      })) {}

SerialTransport::~SerialTransport() {
    m_link.Close();
}

bool SerialTransport::open(session::ITransportEvents *events, bool serve) {
    m_link.Close();
    m_link.ClearError();
    m_events = events;
    if (!m_link.Open(m_handOff.get(), m_port, kBaud, 'N', 8, 1, LINK_EV_RXCHAR | LINK_EV_RXFLAG,
                     static_cast<std::uint32_t>(1024)))
        return false;
    if (serve)
        m_link.StartWorker();
    return true;
}

void SerialTransport::close() {
    m_link.Close();
}

bool SerialTransport::write(const std::uint8_t *data, std::size_t size) {
    return m_link.Send(data, static_cast<std::uint32_t>(size));
}

std::string SerialTransport::name() const {
    return "COM" + std::to_string(m_port);
}

std::string SerialTransport::failureText() const {
    return SerialOpenFailureText(m_link.LastOpenResult(), m_link.LastOpenError());
}

void SerialTransport::deliver(const std::uint8_t *data, std::size_t size) {
    if (!m_events || !m_link.IsOpen())
        return;
    if (m_link.ErrorFlag())
        m_events->onTransportDrop();
    else
        m_events->onTransportBytes(data, size);
}

std::string SerialOpenFailureText(SerialDevice::OpenResult result, int error) {
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
