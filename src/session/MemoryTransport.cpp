#include "session/MemoryTransport.h"

namespace session {

bool MemoryTransport::open(ITransportEvents *events, bool serve) {
    if (refuseOpen)
        return false;
    m_events = events;
    m_open = true;
    m_serving = serve;
    m_failed = false;
    ++opens;
    return true;
}

void MemoryTransport::close() {
    m_open = false;
    m_serving = false;
    m_events = nullptr;
}

bool MemoryTransport::write(const std::uint8_t *data, std::size_t size) {
    if (!m_open || m_failed)
        return false;
    written.append(reinterpret_cast<const char *>(data), size);
    return true;
}

void MemoryTransport::feed(std::string_view bytes) {
    if (m_open && m_serving && m_events && !bytes.empty())
        m_events->onTransportBytes(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
}

void MemoryTransport::drop(std::string why) {
    if (!m_open || !m_events)
        return;
    m_failed = true;
    failure = std::move(why);
    m_events->onTransportDrop();
}

void MemoryTransport::connect() {
    if (m_open && m_events && !m_failed)
        m_events->onTransportConnected();
}

} // namespace session
