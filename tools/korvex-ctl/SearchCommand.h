#pragma once

#include "session/HandOff.h"

#include <string>
#include <vector>

// What "search" says when no device answered.

// A serial port that is here (a COMn entry in this folder, or a device node of the system's table).
struct PortFinding {
    unsigned port = 0;
    std::string label;   // "COM3 (/dev/pts/4)"
    std::string problem; // why it does not open; empty: it opens, and nothing answered there
};

// Every port that is here, each opened for a moment to learn whether it opens.
std::vector<PortFinding> lookAtPorts(session::IHandOff &handOff);

// The lines on standard error: the console's own sentence, the ports tried, what to check.
std::vector<std::string> searchFailureReport(const std::vector<PortFinding> &findings);
