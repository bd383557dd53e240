// korvex-ctl: every switcher operation from a shell, on the same device session as the console.

#include "CommandHelp.h"
#include "CommandLine.h"
#include "Connection.h"
#include "CtlCommands.h"
#include "res/Version.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char **argv) {
    const CommandLineResult parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    const CommandLine &options = parsed.line;
    if (!parsed.error.empty()) {
        ReportError(parsed.error);
        return kExitUsage;
    }
    if (options.action == CommandLine::Action::Help) {
        const CommandHelp *topic = CommandHelp::find(options.helpTopic);
        std::fputs((topic ? topic->page() : CommandHelp::overview()).c_str(), stdout);
        return kExitOk;
    }
    if (options.action == CommandLine::Action::Version) {
        std::printf("korvex-ctl %s\n", KORVEX_VERSION);
        return kExitOk;
    }
    const ParsedCommand command = parseCommand(options);
    if (!command.run) {
        ReportError(command.error);
        return kExitUsage;
    }

    Connection connection(options);
    if (command.needsLine) {
        if (const int status = connection.open())
            return status;
    }
    const int status = command.run(connection);
    std::fflush(stdout);
    return status;
}
