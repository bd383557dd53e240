#pragma once

#include "sim/Command.h"

#include <optional>
#include <string_view>

namespace korvexsim {

// A received text line split into its address prefix ("Ann ", absent on a line meant for every
// device) and the command text behind it.
struct AddressedText {
    std::optional<int> address;
    std::string_view text;
};

// Reads the switcher's command language. Everything is strict: keywords in capitals, fields of the
// expected widths and ranges; anything else is not a command and yields nothing.
class CommandParser {
public:
    // Splits off the "Ann " prefix and trailing CR/blanks. Returns nothing for a line that is not
    // printable ASCII or is empty.
    static std::optional<AddressedText> splitLine(std::string_view line);

    // Parses a command text (no prefix, no line end).
    static std::optional<Command> parse(std::string_view text);
};

} // namespace korvexsim
