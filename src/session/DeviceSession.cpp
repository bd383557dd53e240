#include "session/DeviceSession.h"

#include "protocol/CommandFrame.h"
#include "protocol/TextPrefix.h"

#include <algorithm>

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

void DeviceSession::addObserver(ISessionObserver *observer) {
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void DeviceSession::removeObserver(ISessionObserver *observer) {
    const auto found = std::find(m_observers.begin(), m_observers.end(), observer);
    if (found == m_observers.end())
        return;
    // While observers are being told, the entry is only emptied, so the walk stays valid.
    if (m_telling > 0) {
        *found = nullptr;
        m_observersLeft = true;
    } else {
        m_observers.erase(found);
    }
}

template <class Call> void DeviceSession::tellObservers(Call &&call) {
    ++m_telling;
    for (std::size_t i = 0; i < m_observers.size(); ++i)
        if (ISessionObserver *observer = m_observers[i])
            call(*observer);
    if (--m_telling == 0 && m_observersLeft) {
        m_observersLeft = false;
        m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), nullptr), m_observers.end());
    }
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
    const protocol::FrameResult frame =
        protocol::buildFrame(protocol::kFrameGroup, m_deviceByte, code, payload);
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
    if (const std::optional<std::uint8_t> device =
            protocol::addressedDevice(std::string_view(reinterpret_cast<const char *>(data), size)))
        m_replyDevice = *device;
    // What the transport accepted is what goes on the line; the traffic view shows exactly that.
    tellObservers([&](ISessionObserver &o) { o.onBytesSent(data, size); });
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
    tellObservers([](ISessionObserver &o) { o.onLineDropped(); });
}

void DeviceSession::onTransportConnected() {
    tellObservers([](ISessionObserver &o) { o.onLineConnected(); });
}

void DeviceSession::receive(const std::uint8_t *data, std::size_t size) {
    if (!isOpen() || lineFailed())
        return;
    m_counters.bytes += size;
    tellObservers([&](ISessionObserver &o) { o.onBytesReceived(data, size); });
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
    tellObservers([line](ISessionObserver &o) { o.onLineSeen(line); });
    const protocol::Reply reply = protocol::decodeReply(line);
    m_sinks.dispatch(reply);
    tellObservers([&reply](ISessionObserver &o) { o.onReplyHandled(reply); });
}

} // namespace session
