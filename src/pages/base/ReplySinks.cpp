#include "pages/base/ReplySinks.h"

#include <algorithm>

void ReplySinks::add(IReplySink *sink) {
    if (sink && std::find(m_sinks.begin(), m_sinks.end(), sink) == m_sinks.end())
        m_sinks.push_back(sink);
}

void ReplySinks::remove(IReplySink *sink) {
    m_sinks.erase(std::remove(m_sinks.begin(), m_sinks.end(), sink), m_sinks.end());
}

bool ReplySinks::offerRawLine(std::string_view line) {
    for (IReplySink *sink : m_sinks) {
        if (sink->TakesRawLines()) {
            sink->OnRawLine(line);
            return true;
        }
    }
    return false;
}

void ReplySinks::dispatch(const link::Reply &reply) {
    forEach([&reply](IReplySink &sink) { sink.OnReply(reply); });
}

void ReplySinks::linkReset() {
    forEach([](IReplySink &sink) { sink.OnLinkReset(); });
}

void ReplySinks::forEach(const std::function<void(IReplySink &)> &action) {
    // Walk a copy and skip any sink that has left meanwhile (a dialog closing in its handler).
    const std::vector<IReplySink *> sinks = m_sinks;
    for (IReplySink *sink : sinks)
        if (std::find(m_sinks.begin(), m_sinks.end(), sink) != m_sinks.end())
            action(*sink);
}
