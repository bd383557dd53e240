#pragma once

#include <istream>

namespace files {

// Formatted reads over a text stream, shaped like the C library's "%d" and "%c" conversions the
// console files were designed around: a number that cannot be read is reported and leaves the
// stream at the offending character, so every later number read fails the same way.
class TextScanner {
public:
    static constexpr int kEnd = -1;

    explicit TextScanner(std::istream &in) : m_in(in) {}

    // Skips white space, then reads an optional sign and decimal digits. Returns false (value left
    // alone) at end of input or when no digit follows. Values beyond the int range saturate before
    // being narrowed to int, so huge digit runs never overflow.
    bool readInt(int &value);

    // The next character as 0..255, or kEnd at end of input.
    int readChar();

    // The next character without taking it, or kEnd.
    int peekChar();

private:
    std::istream &m_in;
};

} // namespace files
