#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvexsim {

// Command-line settings of korvex-sim.
struct SimOptions {
    std::vector<int> addresses{1};
    std::string link; // symlink to the pseudo-terminal's slave
    // --tcp [HOST:]PORT: the line is served on a TCP port instead of a pseudo-terminal (port 0: any
    // free port).
    bool tcp = false;
    std::string tcpHost = "127.0.0.1";
    int tcpPort = 0;
    std::string inject; // named FIFO whose lines are handled as if received on the line
    std::string log;
    std::string state;
    bool pace = false;
    bool silent = false;
    bool flood = false;
    int garbage = 0;       // random bytes after each reply
    long hangupAfter = 0;  // close the line after this many commands; 0 = never (TCP: per connection)
    long hangupAtByte = 0; // close the line once this many reply bytes went out; 0 = never (ditto)
    int delayMs = 0;
    unsigned seed = 1;
    bool help = false;
    bool version = false;
    // --edid-out N=FILE: output N (1..9) of every device shows the EDID in FILE; later ones win.
    std::vector<std::pair<int, std::string>> edidOut;

    // Returns nothing and sets error (one line, "unknown option \"--x\"", "--delay takes milliseconds
    // 0..600000, not \"soon\"") for an unknown option, a missing or a bad value.
    static std::optional<SimOptions> parse(const std::vector<std::string> &args, std::string &error);
    static std::string helpText();
};

} // namespace korvexsim
