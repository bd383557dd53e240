#include "session/ReplySinks.h"

#include <algorithm>

namespace session {

void ReplySinks::add(IReplySink *sink) {
    if (sink && !contains(sink))
        m_sinks.push_back(sink);
}

void ReplySinks::remove(IReplySink *sink) {
    m_sinks.erase(std::remove(m_sinks.begin(), m_sinks.end(), sink), m_sinks.end());
}

bool ReplySinks::contains(const IReplySink *sink) const {
    return std::find(m_sinks.begin(), m_sinks.end(), sink) != m_sinks.end();
}

bool ReplySinks::offerRawLine(std::string_view line) {
    for (IReplySink *sink : m_sinks) {
        if (sink->takesRawLines()) {
            sink->onRawLine(line);
            return true;
        }
    }
    return false;
}

void ReplySinks::dispatch(const protocol::Reply &reply) {
    forEach([&reply](IReplySink &sink) { sink.onReply(reply); });
}

void ReplySinks::linkReset() {
    forEach([](IReplySink &sink) { sink.onLinkReset(); });
}

template <class Action> void ReplySinks::forEach(Action &&action) {
    if (m_sinks.size() == 1) {
        action(*m_sinks.front());
        return;
    }
    // Walk a copy and skip any sink that has left meanwhile (a dialog closing in its handler).
    const std::vector<IReplySink *> sinks = m_sinks;
    for (IReplySink *sink : sinks)
        if (contains(sink))
            action(*sink);
}

} // namespace session
