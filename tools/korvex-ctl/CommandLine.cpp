#include "CommandLine.h"

#include "CommandHelp.h"

#include <algorithm>
#include <cctype>

namespace {

bool startsWith(const std::string &text, const std::string &prefix) {
    return text.rfind(prefix, 0) == 0;
}

// "HOST" or "HOST:PORT"; a bracketed IPv6 address keeps its colons ("[::1]:8000").
bool parseHost(const std::string &text, std::string &host, unsigned &port) {
    std::string name = text;
    std::string portText;
    if (startsWith(text, "[")) {
        const std::size_t close = text.find(']');
        if (close == std::string::npos)
            return false;
        name = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':')
                return false;
            portText = text.substr(close + 2);
            if (portText.empty())
                return false;
        }
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
        if (text.find(':') != colon)
            return false; // an IPv6 address needs its brackets
        name = text.substr(0, colon);
        portText = text.substr(colon + 1);
        if (portText.empty())
            return false;
    }
    if (name.empty())
        return false;
    if (!portText.empty()) {
        const std::optional<int> number = parseNumber(portText, 1, 65535);
        if (!number)
            return false;
        port = static_cast<unsigned>(*number);
    }
    host = name;
    return true;
}

} // namespace

std::optional<int> parseNumber(const std::string &text, int low, int high) {
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        }))
        return std::nullopt;
    const int value = std::stoi(text);
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

CommandLineResult parseCommandLine(const std::vector<std::string> &args) {
    CommandLineResult result;
    CommandLine &line = result.line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            line.action = CommandLine::Action::Help;
            if (!line.words.empty() && line.helpTopic.empty())
                line.helpTopic = line.words.front();
            continue;
        }
        if (optionsEnded || !startsWith(arg, "-") || arg == "-") {
            line.words.push_back(arg);
            continue;
        }
        if (!startsWith(arg, "--")) {
            // A short option is a command's ("-o FILE"); before the command there are none.
            if (line.words.empty()) {
                result.error = "unknown option \"" + arg + "\"" + seeHelp();
                return result;
            }
            line.words.push_back(arg);
            continue;
        }
        // "--name value" or "--name=value" for the options that take one.
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        const auto value = [&](std::string &out) {
            if (inlineValue) {
                out = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                result.error = name + " needs a value" + seeHelp();
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (name == "--") {
            optionsEnded = true;
        } else if (name == "--version") {
            line.action = CommandLine::Action::Version;
        } else if (name == "--json") {
            line.json = true;
        } else if (name == "--port") {
            if (!value(text))
                return result;
            if (text.empty()) {
                result.error = "--port needs COMn or a device path" + seeHelp();
                return result;
            }
            line.port = text;
            line.portGiven = true;
        } else if (name == "--host") {
            if (!value(text))
                return result;
            if (!parseHost(text, line.host, line.hostPort)) {
                result.error =
                    "--host takes HOST or HOST:PORT (port 1..65535), not \"" + text + "\"" + seeHelp();
                return result;
            }
        } else if (name == "--address") {
            if (!value(text))
                return result;
            const std::optional<int> address = parseNumber(text, 0, 99);
            if (!address) {
                result.error = "--address takes a device address 00..99, not \"" + text + "\"" + seeHelp();
                return result;
            }
            line.address = *address;
            line.addressGiven = true;
        } else if (name == "--timeout") {
            if (!value(text))
                return result;
            const std::optional<int> timeout = parseNumber(text, 1, 3600000);
            if (!timeout) {
                result.error = "--timeout takes milliseconds 1..3600000, not \"" + text + "\"" + seeHelp();
                return result;
            }
            line.timeoutMs = *timeout;
        } else if (line.words.empty()) {
            // Before the command every option is korvex-ctl's own.
            result.error = "unknown option \"" + name + "\"" + seeHelp();
            return result;
        } else {
            // The command's own options ("--all", "--wait MS", ...) are its business.
            line.words.push_back(arg);
        }
    }
    // "help COMMAND" is "COMMAND --help".
    if (line.action == CommandLine::Action::Run && !line.words.empty() && line.words.front() == "help") {
        line.action = CommandLine::Action::Help;
        if (line.words.size() > 2)
            result.error = "help: one command at a time, not \"" + line.words[2] + "\"" + seeHelp();
        line.helpTopic = line.words.size() > 1 ? line.words[1] : std::string();
    } else if (line.action == CommandLine::Action::Help && line.helpTopic == "help") {
        line.helpTopic = line.words.size() > 1 ? line.words[1] : std::string();
    }
    if (!result.error.empty())
        return result;
    if (line.action == CommandLine::Action::Help && !line.helpTopic.empty() &&
        !CommandHelp::find(line.helpTopic))
        result.error = "help: unknown command \"" + line.helpTopic + "\"" + seeHelp();
    else if (line.portGiven && !line.host.empty())
        result.error = "--port and --host exclude each other" + seeHelp();
    else if (line.action == CommandLine::Action::Run && line.words.empty())
        result.error = "no command given" + seeHelp();
    return result;
}
