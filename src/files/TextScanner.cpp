#include "files/TextScanner.h"

#include <cstdint>

namespace files {

namespace {

bool isSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

} // namespace

int TextScanner::peekStreamChar() {
    const auto c = m_stream->sgetc();
    if (c == std::char_traits<char>::eof())
        return kEnd;
    return static_cast<unsigned char>(std::char_traits<char>::to_char_type(c));
}

int TextScanner::readStreamChar() {
    const int c = peekStreamChar();
    if (c != kEnd)
        m_stream->sbumpc();
    return c;
}

bool TextScanner::readInt(int &value) {
    while (isSpace(peekChar()))
        readChar();

    bool negative = false;
    int c = peekChar();
    if (c == '+' || c == '-') {
        // Like the C library, the sign is taken even when no digit follows it.
        negative = c == '-';
        readChar();
        c = peekChar();
    }
    if (!isDigit(c))
        return false;

    constexpr int64_t limit = INT64_C(1) << 40; // far beyond int, far below int64 overflow
    int64_t magnitude = 0;
    while (isDigit(c = peekChar())) {
        readChar();
        if (magnitude < limit)
            magnitude = magnitude * 10 + (c - '0');
    }
    int64_t result = negative ? -magnitude : magnitude;
    if (result > INT32_MAX)
        result = INT32_MAX;
    if (result < INT32_MIN)
        result = INT32_MIN;
    value = static_cast<int>(result);
    return true;
}

} // namespace files
