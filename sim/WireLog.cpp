#include "sim/WireLog.h"

namespace korvexsim {

WireLog::~WireLog() {
    if (m_file)
        std::fclose(m_file);
}

bool WireLog::open(const std::string &path) {
    if (m_file)
        std::fclose(m_file);
    m_file = std::fopen(path.c_str(), "we");
    return m_file != nullptr;
}

void WireLog::write(std::string_view tag, std::string_view text) {
    if (!m_file)
        return;
    std::fwrite(tag.data(), 1, tag.size(), m_file);
    if (!text.empty()) {
        std::fputc(' ', m_file);
        std::fwrite(text.data(), 1, text.size(), m_file);
    }
    std::fputc('\n', m_file);
    std::fflush(m_file);
}

std::string WireLog::escape(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(bytes.size());
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '\r':
            s += "\\r";
            break;
        case '\n':
            s += "\\n";
            break;
        case '\t':
            s += "\\t";
            break;
        case '\\':
            s += "\\\\";
            break;
        default:
            if (u < 0x20 || u > 0x7E) {
                s += "\\x";
                s += digits[u >> 4];
                s += digits[u & 0x0F];
            } else {
                s += c;
            }
        }
    }
    return s;
}

std::string WireLog::hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        if (!s.empty())
            s += ' ';
        s += digits[u >> 4];
        s += digits[u & 0x0F];
    }
    return s;
}

} // namespace korvexsim
