#pragma once

#include "CommandLine.h"
#include "CtlCommands.h"

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The arguments of one command, read one by one; a word that does not fit throws UsageError with
// the reason, which parseCommand reports.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file a command needs before the line is opened (restore's) that cannot be used: reported as it
// is, with the exit status of a usage error.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CommandArgs {
public:
    CommandArgs(std::string command, std::vector<std::string> words)
        : m_command(std::move(command)), m_words(std::move(words)) {}

    const std::string &command() const { return m_command; }
    bool empty() const { return m_next >= m_words.size(); }
    // The next word; `what` names it in the error when there is none.
    std::string word(const char *what);
    // The next word as a number in [low, high]: "OUT 1..9".
    int number(const char *what, int low, int high);
    // The next word as a number in [low, high], or keywordValue for the keyword ("all", "mv", "mute").
    int numberOr(const char *what, int low, int high, const char *keyword, int keywordValue);
    // The next word as one of the choices; returns its index.
    std::size_t choice(const char *what, const std::vector<std::string> &choices);
    // The next word as a set of numbers 1..N: "none", "all", or numbers joined by commas.
    template <std::size_t N> std::array<bool, N> set(const char *what);
    // The next word as an IPv4 address A.B.C.D.
    std::array<std::uint8_t, 4> ipAddress(const char *what);
    // The value of an option word just taken ("--wait MS").
    std::string optionValue(const std::string &option);
    // Fails when words are left over.
    void finish() const;
    // Throws the usage error for a word the command does not take: an unknown option, or an unexpected
    // argument.
    [[noreturn]] void unexpected(const std::string &word) const;

private:
    std::vector<bool> setOf(const char *what, std::size_t count);

    std::string m_command;
    std::vector<std::string> m_words;
    std::size_t m_next = 0;
};

template <std::size_t N> std::array<bool, N> CommandArgs::set(const char *what) {
    const std::vector<bool> flags = setOf(what, N);
    std::array<bool, N> out{};
    for (std::size_t i = 0; i < N; ++i)
        out[i] = flags[i];
    return out;
}

// The parsers of each command group, given the words after the command's own.
ParsedCommand parseSettingCommand(const std::string &command, CommandArgs &args, const CommandLine &options);
ParsedCommand parseEdidCommand(CommandArgs &args, const CommandLine &options);
ParsedCommand parseWallCommand(CommandArgs &args, const CommandLine &options);
ParsedCommand parseSearchCommand(CommandArgs &args, const CommandLine &options);
ParsedCommand parseWatchCommand(CommandArgs &args, const CommandLine &options);
ParsedCommand parseBackupCommand(CommandArgs &args, const CommandLine &options);
