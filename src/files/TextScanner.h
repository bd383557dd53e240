#pragma once

#include <istream>
#include <string_view>

namespace files {

// Formatted reads over a text stream or the bytes of a whole file, shaped like the C library's "%d"
// and "%c" conversions the console files were designed around: a number that cannot be read is
// reported and leaves the input at the offending character, so every later number read fails the
// same way.
class TextScanner {
public:
    static constexpr int kEnd = -1;

    explicit TextScanner(std::istream &in) : m_stream(in.rdbuf()) {}
    // Reads the bytes in place (they must outlive the scanner): no stream call per character.
    explicit TextScanner(std::string_view bytes) : m_at(bytes.data()), m_end(bytes.data() + bytes.size()) {}

    // Skips white space, then reads an optional sign and decimal digits. Returns false (value left
    // alone) at end of input or when no digit follows. Values beyond the int range saturate before
    // being narrowed to int, so huge digit runs never overflow.
    bool readInt(int &value);

    // The next character as 0..255, or kEnd at end of input. Inline: files are read a character at a
    // time, and the bytes in memory need no call.
    int readChar() {
        if (m_stream)
            return readStreamChar();
        return m_at != m_end ? static_cast<unsigned char>(*m_at++) : kEnd;
    }

    // The next character without taking it, or kEnd.
    int peekChar() {
        if (m_stream)
            return peekStreamChar();
        return m_at != m_end ? static_cast<unsigned char>(*m_at) : kEnd;
    }

private:
    int peekStreamChar();
    int readStreamChar();

    std::streambuf *m_stream = nullptr; // null: the bytes from m_at to m_end
    const char *m_at = nullptr;
    const char *m_end = nullptr;
};

} // namespace files
