#include "files/StarredDescription.h"

namespace files {

StarredDescription ReadStarredDescription(TextScanner &in) {
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

void SkipRestOfLine(TextScanner &in) {
    for (int c = in.readChar(); c != TextScanner::kEnd && c != '\n'; c = in.readChar()) {
    }
}

std::string StoredDescription(const std::string &description) {
    std::size_t end = description.size();
    if (end > kDescriptionMaxLength) {
        end = kDescriptionMaxLength;
        // Back up over continuation bytes so a multi-byte character is kept whole or left out whole.
        while (end > 0 && (static_cast<unsigned char>(description[end]) & 0xC0) == 0x80)
            --end;
    }
    std::string text = description.substr(0, end);
    for (char &c : text)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return text;
}

std::string FormatStarredLine(const std::string &description) {
    return "*" + StoredDescription(description) + "\r\n";
}

} // namespace files
