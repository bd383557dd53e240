#pragma once

#include <string>
#include <vector>

namespace simtest {

// Reads a reply line the way the console's reply parser does: keywords tried in its table order,
// fields taken at fixed positions. Written from that table, not from the simulator's formatter, so
// the two readings of the wire format check each other.
struct Reading {
    int row = 0;             // keyword row 1..21 of the parser's table; 0 = no keyword
    std::vector<int> fields; // the row's numeric fields in table order (see ReplyReader.cpp)
    std::string text;        // MAC and TIP texts
    bool outOfLine = false;  // a field position lay past the end of the line
};

// line: the received bytes up to and including the LF (CR LF is added when missing).
Reading readReply(std::string line);

// The 256 bytes an EDID capture takes from a line: after the first "DATA ", pairs of
// [0-9a-f] characters, at most up to character 2000. Returns fewer bytes when pairs run out.
std::vector<int> captureEdid(const std::string &line);

} // namespace simtest
