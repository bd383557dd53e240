#pragma once

#include "files/TextScanner.h"

#include <string>

namespace files {

// Both console files keep their descriptions as lines of "*", the text, CR LF. The reader looks for
// the "*" within 50 characters, then takes at most 10 characters, ending early at CR, LF or NUL.
inline constexpr std::size_t kDescriptionSearchLimit = 50;
inline constexpr std::size_t kDescriptionMaxLength = 10;

struct StarredDescription {
    bool read = false; // false: the input ended before the description's characters began
    bool full = false; // ended because 10 characters were taken; the rest of the line is unread
    std::string text;
};

StarredDescription readStarredDescription(TextScanner &in);

// Passes over what is left of the current line, up to and including its LF.
void skipRestOfLine(TextScanner &in);

// The description as the files store it: its first 10 characters (Latin-1, one byte each), with CR, LF
// and NUL (which would end it early when read back and push its tail into the next entry) turned into
// spaces.
std::string storedDescription(const std::string &description);

// "*", the stored form of the description and CR LF.
std::string formatStarredLine(const std::string &description);

} // namespace files
