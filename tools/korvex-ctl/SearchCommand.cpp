// "search": tries the serial ports one by one as the console's "Search Machine" does and prints the
// first that answers.

#include "CommandArgs.h"
#include "Connection.h"
#include "serial/PortNaming.h"

#include <cstdio>

namespace {

int search(Connection &c) {
    session::LineController &line = c.line();
    line.startSearch();
    // Each port has its period and one more of quiet: the search ends on its own.
    c.loop().runUntil([&] { return line.state() != session::LineState::Searching; },
                      EventLoop::Clock::time_point::max());
    if (line.status().event != session::LineEvent::Found) {
        ReportError("Can not find available device for this console!");
        return kExitNoAnswer;
    }
    std::printf("%s\n", serial::PortName(line.status().port).c_str());
    return kExitOk;
}

} // namespace

ParsedCommand ParseSearchCommand(CommandArgs &args, const CommandLine &options) {
    args.finish();
    if (!options.host.empty())
        throw UsageError("search tries the serial ports: --host does not go with it");
    if (options.portGiven)
        throw UsageError("search tries every serial port: --port does not go with it");
    return ParsedCommand(search, false);
}
