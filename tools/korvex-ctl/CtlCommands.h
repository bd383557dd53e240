#pragma once

#include "CommandLine.h"

#include <functional>
#include <string>
#include <vector>

class Connection;

// A command checked against its arguments before any line is opened: what it does once it runs.
struct ParsedCommand {
    using Run = std::function<int(Connection &)>; // returns the exit status

    ParsedCommand(Run command, bool opensLine = true) : run(std::move(command)), needsLine(opensLine) {}
    static ParsedCommand usageError(std::string why) {
        ParsedCommand parsed(Run{});
        parsed.error = std::move(why);
        return parsed;
    }

    Run run;
    bool needsLine = true; // false: it opens lines itself (search)
    std::string error;     // a usage error; run is then empty
};

// The command of the words (CommandLine::words), with the global options it depends on. A usage
// error ends with where the command's help is.
ParsedCommand parseCommand(const CommandLine &options);
