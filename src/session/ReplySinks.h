#pragma once

#include "session/ReplySink.h"

#include <string_view>
#include <vector>

namespace session {

// The registered reply sinks and the one way a received line reaches them: a sink that takes raw
// lines (the EDID capture while it waits) gets the line whole; otherwise it is decoded once and
// every sink gets the record, in registration order. A sink may register or leave while a line is
// handed out.
class ReplySinks {
public:
    void add(IReplySink *sink);
    void remove(IReplySink *sink);
    bool contains(const IReplySink *sink) const;

    // True when a raw-line taker had the line (it is then neither decoded nor handed out).
    bool offerRawLine(std::string_view line);
    void dispatch(const protocol::Reply &reply);
    void linkReset();

private:
    template <class Action> void forEach(Action &&action);

    std::vector<IReplySink *> m_sinks;
};

} // namespace session
