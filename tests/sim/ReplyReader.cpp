#include "ReplyReader.h"

#include <algorithm>

namespace simtest {
namespace {

class Line {
public:
    explicit Line(const std::string &text, Reading &r) : m_text(text), m_reading(r) {}
    char at(std::size_t i) const {
        if (i >= m_text.size()) {
            m_reading.outOfLine = true;
            return '\0';
        }
        return m_text[i];
    }
    int digit(std::size_t i) const { return at(i) - '0'; }
    bool flag(std::size_t i) const { return at(i) == '1'; }
    int dec3(std::size_t i) const { return digit(i) * 100 + digit(i + 1) * 10 + digit(i + 2); }
    std::size_t find(const char *keyword) const { return m_text.find(keyword); }
    const std::string &text() const { return m_text; }

private:
    const std::string &m_text;
    Reading &m_reading;
};

// One to three digits ended by the terminator; returns the position after the terminator.
std::size_t blcNumber(const Line &l, std::size_t pos, char terminator, int &value) {
    value = 0;
    std::size_t n = 0;
    while (n < 3 && l.at(pos + n) >= '0' && l.at(pos + n) <= '9') {
        value = value * 10 + l.digit(pos + n);
        ++n;
    }
    if (l.at(pos + n) != terminator)
        value = -1;
    return pos + n + 1;
}

} // namespace

Reading readReply(std::string text) {
    if (text.empty() || text.back() != '\n')
        text += "\r\n";
    Reading r;
    Line l(text, r);
    const std::size_t npos = std::string::npos;
    std::size_t k;

    if ((k = l.find("VS IN")) != npos && k >= 1) {
        r.row = 1;
        int input = (l.at(k + 5) == '1' && l.at(k + 6) == '0') ? 10 : l.digit(k + 5);
        r.fields = {l.digit(k - 2), input};
    } else if ((k = l.find("EDID ")) != npos && k >= 1) {
        r.row = 2;
        int value = l.at(k + 6) == '\r' ? l.digit(k + 5) : l.digit(k + 5) * 10 + l.digit(k + 6);
        r.fields = {l.digit(k - 2), value};
    } else if ((k = l.find("MAC ")) != npos) {
        r.row = 3;
        for (std::size_t i = k + 4; i <= k + 20; ++i)
            r.text += l.at(i);
    } else if (l.find("HIP ") != npos || l.find("NMK ") != npos || l.find("RIP ") != npos) {
        r.row = l.find("HIP ") != npos ? 4 : l.find("NMK ") != npos ? 5 : 6;
        r.fields = {l.dec3(4) % 256, l.dec3(8) % 256, l.dec3(12) % 256, l.dec3(16) % 256};
    } else if ((k = l.find("TIP ")) != npos) {
        r.row = 7;
        for (std::size_t i = k + 4; i < k + 8 && l.at(i) != '\r'; ++i)
            r.text += l.at(i);
    } else if (l.find("DHCP ") != npos) {
        r.row = 8;
        r.fields = {l.at(5) == '0' ? 0 : 1};
    } else if (l.find("EAS ") != npos) {
        r.row = 9;
        r.fields = {l.digit(3), l.digit(11)};
    } else if (l.find(" EXA ") != npos) {
        r.row = 10;
        r.fields = {l.digit(3), l.at(9) == 'E' ? 0 : 1};
    } else if (l.find("EXA MODE") != npos) {
        r.row = 11;
        r.fields = {l.digit(8)};
    } else if (l.find("RS MUX") != npos) {
        r.row = 12;
        for (std::size_t i = 7; i <= 23; i += 2)
            r.fields.push_back(l.flag(i));
    } else if (l.find("IRT OUT") != npos) {
        r.row = 13;
        r.fields = {l.digit(7), l.digit(14)};
    } else if (l.find("IR EXT SW") != npos) {
        r.row = 14;
        for (std::size_t i = 10; i <= 34; i += 2)
            r.fields.push_back(l.flag(i));
    } else if (l.find("IRC MUX") != npos) {
        r.row = 15;
        for (std::size_t i = 8; i <= 24; i += 2)
            r.fields.push_back(l.flag(i));
    } else if (l.find("MVW ") != npos) {
        r.row = 16;
        r.fields = {l.at(8) == '0' ? 0 : 1};
    } else if (l.find("QVW VS") != npos) {
        r.row = 17;
        r.fields = {l.digit(7), l.digit(9), l.digit(11), l.digit(13)};
    } else if (l.find("BLC ") != npos) {
        r.row = 18;
        int red, green, blue;
        std::size_t pos = blcNumber(l, 4, '.', red);
        pos = blcNumber(l, pos, '.', green);
        blcNumber(l, pos, '\r', blue);
        r.fields = {red, green, blue};
    } else if (l.find("BLW ") != npos) {
        r.row = 19;
        char second = l.at(5);
        r.fields = {second >= '0' && second <= '5' ? l.digit(4) * 10 + (second - '0') : l.digit(4)};
    } else if (l.find(" MAS ") != npos) {
        r.row = 20;
        r.fields = {l.digit(3), l.at(12) == '0' ? 10 : l.digit(11)};
    } else if (l.find("ADDR ") == 0) {
        r.row = 21;
        r.fields = {l.digit(5) * 10 + l.digit(6)};
    }
    return r;
}

std::vector<int> captureEdid(const std::string &line) {
    std::vector<int> bytes;
    std::size_t pos = line.find("DATA ");
    if (line.find("EDID ") == std::string::npos || pos == std::string::npos)
        return bytes;
    pos += 5;
    auto value = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    const std::size_t limit = std::min<std::size_t>(line.size(), 2000);
    while (bytes.size() < 256) {
        while (pos < limit && value(line[pos]) < 0)
            ++pos;
        if (pos + 1 >= limit || value(line[pos + 1]) < 0)
            break;
        bytes.push_back(value(line[pos]) * 16 + value(line[pos + 1]));
        pos += 2;
    }
    return bytes;
}

} // namespace simtest
