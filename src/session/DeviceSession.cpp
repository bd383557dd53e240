#include "session/DeviceSession.h"

#include "protocol/CommandFrame.h"
#include "protocol/TextPrefix.h"

namespace session {

DeviceSession::~DeviceSession() {
    // The transport goes first: its worker may be handing bytes to this session.
    if (m_transport)
        m_transport->close();
}

void DeviceSession::setTransport(std::unique_ptr<ITransport> transport) {
    close();
    m_transport = std::move(transport);
}

bool DeviceSession::open(bool serve) {
    if (!m_transport)
        return false;
    m_lines.clear();
    m_dropReported = false;
    return m_transport->open(this, serve);
}

void DeviceSession::close() {
    if (m_transport)
        m_transport->close();
    m_sinks.linkReset();
}

SendStatus DeviceSession::SendText(std::string_view text) {
    const std::optional<std::string> out = protocol::prefixText(text, m_deviceByte, kWriteLimit);
    if (!out)
        return SendStatus::Refused;
    if (out->empty())
        return SendStatus::Sent;
    return write(reinterpret_cast<const std::uint8_t *>(out->data()), out->size());
}

SendStatus DeviceSession::SendFrame(std::uint16_t code, std::span<const std::uint8_t> payload) {
    const protocol::FrameResult frame = protocol::buildFrame(protocol::kFrameGroup, m_deviceByte, code, payload);
    if (!frame.ok())
        return SendStatus::TooMuchParameter;
    if (!m_portOn)
        return SendStatus::PortOff;
    return write(frame.bytes.data(), frame.bytes.size());
}

SendStatus DeviceSession::sendRaw(std::string_view bytes) {
    if (bytes.size() > kWriteLimit)
        return SendStatus::Refused;
    return write(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
}

SendStatus DeviceSession::write(const std::uint8_t *data, std::size_t size) {
    if (!m_transport || !m_transport->write(data, size))
        return SendStatus::Refused;
    // What the transport accepted is what goes on the line; the traffic view shows exactly that.
    if (m_observer)
        m_observer->onBytesSent(data, size);
    return SendStatus::Sent;
}

void DeviceSession::onTransportBytes(const std::uint8_t *data, std::size_t size) {
    receive(data, size);
}

void DeviceSession::onTransportDrop() {
    // Reported once per opening; the owner closes the line (it may do so from inside this call).
    if (m_dropReported)
        return;
    m_dropReported = true;
    if (m_observer)
        m_observer->onLineDropped();
}

void DeviceSession::onTransportConnected() {
    if (m_observer)
        m_observer->onLineConnected();
}

void DeviceSession::receive(const std::uint8_t *data, std::size_t size) {
    if (!isOpen() || lineFailed())
        return;
    m_counters.bytes += size;
    if (m_observer)
        m_observer->onBytesReceived(data, size);
    for (std::size_t i = 0; i < size; ++i) {
        // A handler may have closed the line (an operator action in a nested loop): drop the rest.
        if (i > 0 && !isOpen())
            return;
        if (std::optional<std::string> line = m_lines.push(static_cast<char>(data[i])))
            handleLine(*line);
    }
}

void DeviceSession::handleLine(std::string_view line) {
    ++m_counters.lines;
    // A sink that takes raw lines (the EDID capture while it waits for its dump) gets the line whole.
    if (m_sinks.offerRawLine(line))
        return;
    if (m_observer)
        m_observer->onLineSeen();
    const protocol::Reply reply = protocol::decodeReply(line);
    m_sinks.dispatch(reply);
    if (m_observer)
        m_observer->onReplyHandled(reply);
}

} // namespace session
