#pragma once

#include <optional>
#include <string>
#include <vector>

// What korvex-ctl was asked: the options that choose the line and the target device, and the
// command words. Global options may stand anywhere before "--"; every other word belongs to the
// command, which checks its own arguments (CtlCommands.h). -h or --help after the command word, and
// the command "help COMMAND", ask for that command's help (helpTopic).
struct CommandLine {
    enum class Action { Run, Help, Version };

    static constexpr unsigned kDefaultHostPort = 8000;
    static constexpr int kDefaultTimeoutMs = 2000;

    Action action = Action::Run;
    std::string port = "COM1"; // "COMn" or a device path
    bool portGiven = false;
    std::string host; // empty: the serial port
    unsigned hostPort = kDefaultHostPort;
    int address = 0; // the device byte, 0..99; 0 reaches every device
    bool addressGiven = false;
    int timeoutMs = kDefaultTimeoutMs;
    bool json = false;
    std::vector<std::string> words; // the command and its arguments
    std::string helpTopic;          // with Action::Help: the command whose help was asked for
};

struct CommandLineResult {
    CommandLine line;
    std::string error; // empty when the words parsed
};

CommandLineResult parseCommandLine(const std::vector<std::string> &args);

// A whole decimal number within [low, high]; std::nullopt for anything else ("", "+3", "3x", "1e2").
std::optional<int> parseNumber(const std::string &text, int low, int high);
