#include "CtlCommands.h"

#include "CommandArgs.h"
#include "CommandHelp.h"

ParsedCommand ParseCommand(const CommandLine &options) {
    const std::vector<std::string> &words = options.words;
    if (words.empty())
        return ParsedCommand::usageError("no command given" + SeeHelp());
    const std::string &command = words.front();
    CommandArgs args(command, std::vector<std::string>(words.begin() + 1, words.end()));
    try {
        if (command == "edid")
            return ParseEdidCommand(args, options);
        if (command == "wall")
            return ParseWallCommand(args, options);
        if (command == "search")
            return ParseSearchCommand(args, options);
        if (command == "watch")
            return ParseWatchCommand(args, options);
        if (command == "backup" || command == "restore")
            return ParseBackupCommand(args, options);
        for (const char *known :
             {"status", "route", "mv", "border", "audio", "ir", "rs232", "address", "lan", "send"})
            if (command == known)
                return ParseSettingCommand(command, args, options);
        return ParsedCommand::usageError("unknown command \"" + command + "\"" + SeeHelp());
    } catch (const UsageError &error) {
        return ParsedCommand::usageError(error.what() + SeeHelp(command));
    } catch (const FileError &error) {
        return ParsedCommand::usageError(error.what());
    }
}
