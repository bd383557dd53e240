#include "protocol/LineAssembler.h"

namespace protocol {

bool LineAssembler::accept(char byte) {
    if (m_discarding) {
        if (byte == '\n')
            m_discarding = false;
        return false;
    }
    if (m_buffer.size() >= kMaxLine) {
        // The line cannot end within the bound any more: drop what we have and the rest up to LF.
        m_buffer.clear();
        m_buffer.shrink_to_fit();
        ++m_discardedLines;
        m_discarding = byte != '\n';
        return false;
    }
    m_buffer.push_back(byte);
    return byte == '\n';
}

std::optional<std::string> LineAssembler::push(char byte) {
    if (!accept(byte))
        return std::nullopt;
    std::optional<std::string> line(std::move(m_buffer));
    m_buffer.clear();
    return line;
}

void LineAssembler::clear() {
    m_buffer.clear();
    m_discarding = false;
}

} // namespace protocol
