// "search": tries the serial ports one by one as the console's "Search Machine" does and prints the
// first that answers; when none does, which ports are here, why each did not do, and what to check.

#include "SearchCommand.h"
#include "CommandArgs.h"
#include "Connection.h"
#include "serial/PortNaming.h"
#include "serial/PortPresence.h"
#include "serial/SerialTransport.h"

#include <cstdio>

namespace {

int search(Connection &c) {
    session::LineController &line = c.line();
    line.startSearch();
    // Each port has its period and one more of quiet: the search ends on its own.
    c.loop().runUntil([&] { return line.state() != session::LineState::Searching; },
                      EventLoop::Clock::time_point::max());
    if (line.status().event != session::LineEvent::Found) {
        for (const std::string &text : searchFailureReport(lookAtPorts(c.loop())))
            ReportError(text);
        return kExitNoAnswer;
    }
    std::printf("%s\n", serial::portName(line.status().port).c_str());
    return kExitOk;
}

} // namespace

std::vector<PortFinding> lookAtPorts(session::IHandOff &handOff) {
    std::vector<PortFinding> findings;
    for (unsigned port = serial::kFirstPort; port <= serial::kLastPort; ++port) {
        if (!serial::portPresent(port))
            continue;
        serial::SerialTransport transport(port, handOff);
        // Opened without its worker: only whether it opens is of interest.
        const bool opened = transport.open(nullptr, false);
        findings.push_back({port, serialLineLabel(serial::portName(port), port),
                            opened ? std::string() : transport.failureText()});
        transport.close();
    }
    return findings;
}

std::vector<std::string> searchFailureReport(const std::vector<PortFinding> &findings) {
    std::string ports;
    for (const PortFinding &f : findings)
        ports += (ports.empty() ? "" : "; ") + f.label + ": " +
                 (f.problem.empty() ? std::string("opened, no answer") : f.problem);
    if (ports.empty())
        ports = "none is here (no COMn link in this folder, no /dev/ttyS*, ttyUSB*, ttyACM* or ttyAMA* "
                "device)";
    return {
        // The console's own words first.
        "Can not find available device for this console!",
        "tried COM1..COM99: " + ports,
        "check the cable, the switcher's power and 57600 8N1; a port you may not open needs the dialout "
        "group (sudo adduser $USER dialout, then log in again); USB adapters are COM33..COM64 "
        "(/dev/ttyUSB0..31) and COM65..COM96 (/dev/ttyACM0..31); a switcher on the LAN is reached with "
        "--host HOST[:PORT]",
    };
}

ParsedCommand parseSearchCommand(CommandArgs &args, const CommandLine &options) {
    args.finish();
    if (!options.host.empty())
        throw UsageError("search tries the serial ports: --host does not go with it");
    if (options.portGiven)
        throw UsageError("search tries every serial port: --port does not go with it");
    return ParsedCommand(search, false);
}
