#pragma once

#include "pages/base/DeviceConsole.h"

#include <functional>
#include <string_view>
#include <vector>

// The registered reply sinks of a console and the one way a received line reaches them: a sink that
// takes raw lines (the EDID capture while it waits) gets the line whole; otherwise it is decoded once
// and every sink gets the record. A sink may register or leave while a line is handed out.
class ReplySinks {
public:
    void add(IReplySink *sink);
    void remove(IReplySink *sink);

    // True when a raw-line taker had the line (it is then neither decoded nor handed out).
    bool offerRawLine(std::string_view line);
    // Hands the record to every sink, in registration order.
    void dispatch(const link::Reply &reply);
    // The port closed or a search started.
    void linkReset();

private:
    void forEach(const std::function<void(IReplySink &)> &action);

    std::vector<IReplySink *> m_sinks;
};
