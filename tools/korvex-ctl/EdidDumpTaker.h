#pragma once

#include "session/ReplySink.h"

#include <string>

// The EDID capture of korvex-ctl: while armed it takes every received line whole through the
// session's raw-line hook and keeps the first EDID dump line; other lines are dropped unread, as the
// console's capture drops them.
class EdidDumpTaker : public session::IReplySink {
public:
    void arm() {
        m_armed = true;
        m_line.clear();
    }
    bool taken() const { return !m_armed && !m_line.empty(); }
    const std::string &line() const { return m_line; }

    void onReply(const protocol::Reply &reply) override { (void)reply; }
    bool takesRawLines() const override { return m_armed; }
    void onRawLine(std::string_view line) override;

private:
    bool m_armed = false;
    std::string m_line;
};
