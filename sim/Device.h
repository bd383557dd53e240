#pragma once

#include "sim/Command.h"
#include "sim/DeviceState.h"

#include <string>
#include <vector>

namespace korvexsim {

// One switcher on the line: carries out a command on its state and answers with the status
// line(s) of what the command changed (or asked for).
class Device {
public:
    explicit Device(int address);

    std::vector<std::string> apply(const Command &cmd);
    // Plugs another display into an output (1..9); other outputs are ignored.
    void setSinkEdid(int output, const EdidImage &image);

    const DeviceState &state() const { return m_state; }
    int address() const { return m_state.address; }

private:
    // Runs fn for the one output named, or for all nine when output is 0; collects their lines.
    template <typename Fn> std::vector<std::string> forOutputs(int output, Fn fn);

    DeviceState m_state;
};

} // namespace korvexsim
