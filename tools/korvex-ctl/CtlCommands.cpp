#include "CtlCommands.h"

#include "CommandArgs.h"
#include "CommandHelp.h"

ParsedCommand parseCommand(const CommandLine &options) {
    const std::vector<std::string> &words = options.words;
    if (words.empty())
        return ParsedCommand::usageError("no command given" + seeHelp());
    const std::string &command = words.front();
    CommandArgs args(command, std::vector<std::string>(words.begin() + 1, words.end()));
    try {
        if (command == "edid")
            return parseEdidCommand(args, options);
        if (command == "wall")
            return parseWallCommand(args, options);
        if (command == "search")
            return parseSearchCommand(args, options);
        if (command == "watch")
            return parseWatchCommand(args, options);
        if (command == "backup" || command == "restore")
            return parseBackupCommand(args, options);
        for (const char *known :
             {"status", "route", "mv", "border", "audio", "ir", "rs232", "address", "lan", "send"})
            if (command == known)
                return parseSettingCommand(command, args, options);
        return ParsedCommand::usageError("unknown command \"" + command + "\"" + seeHelp());
    } catch (const UsageError &error) {
        return ParsedCommand::usageError(error.what() + seeHelp(command));
    } catch (const FileError &error) {
        return ParsedCommand::usageError(error.what());
    }
}
