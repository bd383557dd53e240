#include "files/StarredDescription.h"

namespace files {

StarredDescription readStarredDescription(TextScanner &in) {
    StarredDescription result;

    for (std::size_t taken = 0; taken < kDescriptionSearchLimit; ++taken) {
        const int c = in.readChar();
        if (c == TextScanner::kEnd)
            return result;
        if (c == '*')
            break;
    }

    result.read = true;
    while (result.text.size() < kDescriptionMaxLength) {
        const int c = in.readChar();
        if (c == TextScanner::kEnd || c == '\r' || c == '\n' || c == '\0')
            return result;
        result.text.push_back(static_cast<char>(c));
    }
    result.full = true;
    return result;
}

void skipRestOfLine(TextScanner &in) {
    for (int c = in.readChar(); c != TextScanner::kEnd && c != '\n'; c = in.readChar()) {
    }
}

std::string storedDescription(const std::string &description) {
    // One byte per character (Latin-1), so ten characters are always the first ten bytes.
    std::string text = description.substr(0, kDescriptionMaxLength);
    for (char &c : text)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return text;
}

std::string formatStarredLine(const std::string &description) {
    return "*" + storedDescription(description) + "\r\n";
}

} // namespace files
