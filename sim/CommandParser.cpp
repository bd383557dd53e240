#include "sim/CommandParser.h"

namespace korvexsim {
namespace {

// A read position in the command text; every reader advances only on success.
class Cursor {
public:
    explicit Cursor(std::string_view text) : m_text(text) {}

    bool literal(std::string_view word) {
        if (m_text.substr(m_pos, word.size()) != word)
            return false;
        m_pos += word.size();
        return true;
    }
    void optionalBlank() {
        if (m_pos < m_text.size() && m_text[m_pos] == ' ')
            ++m_pos;
    }
    bool blanks() {
        std::size_t start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] == ' ')
            ++m_pos;
        return m_pos > start;
    }
    // A decimal number of minDigits..maxDigits digits (as many as stand there, up to maxDigits).
    bool number(int &value, std::size_t minDigits, std::size_t maxDigits) {
        std::size_t n = 0;
        int v = 0;
        while (n < maxDigits && m_pos + n < m_text.size() && isDigit(m_text[m_pos + n])) {
            v = v * 10 + (m_text[m_pos + n] - '0');
            ++n;
        }
        if (n < minDigits)
            return false;
        // A longer run of digits than allowed is a different number, not this one.
        if (m_pos + n < m_text.size() && isDigit(m_text[m_pos + n]))
            return false;
        m_pos += n;
        value = v;
        return true;
    }
    bool numberIn(int &value, std::size_t minDigits, std::size_t maxDigits, int lo, int hi) {
        std::size_t saved = m_pos;
        if (!number(value, minDigits, maxDigits) || value < lo || value > hi) {
            m_pos = saved;
            return false;
        }
        return true;
    }
    // One digit, taken alone even when more digits follow (used where a keyword follows the digit).
    bool digit(int &value, int lo, int hi) {
        if (m_pos >= m_text.size() || !isDigit(m_text[m_pos]))
            return false;
        int v = m_text[m_pos] - '0';
        if (v < lo || v > hi)
            return false;
        ++m_pos;
        value = v;
        return true;
    }
    // count flags "0"/"1" joined by ".".
    bool flags(std::vector<int> &out, int count) {
        out.clear();
        for (int i = 0; i < count; ++i) {
            if (i > 0 && !literal("."))
                return false;
            int f = 0;
            if (!digit(f, 0, 1))
                return false;
            out.push_back(f);
        }
        return true;
    }
    // Four octets of one to three digits, joined by ".".
    bool address(std::vector<int> &out) {
        out.clear();
        for (int i = 0; i < 4; ++i) {
            if (i > 0 && !literal("."))
                return false;
            int v = 0;
            if (!numberIn(v, 1, 3, 0, 255))
                return false;
            out.push_back(v);
        }
        return true;
    }
    // The 256 bytes of an EDID as hexadecimal pairs, blanks between pairs optional.
    bool hexBytes(std::array<std::uint8_t, 256> &out) {
        for (std::size_t i = 0; i < out.size(); ++i) {
            while (m_pos < m_text.size() && m_text[m_pos] == ' ')
                ++m_pos;
            if (m_pos + 1 >= m_text.size())
                return false;
            int hi = hexValue(m_text[m_pos]);
            int lo = hexValue(m_text[m_pos + 1]);
            if (hi < 0 || lo < 0)
                return false;
            out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
            m_pos += 2;
        }
        return true;
    }
    std::string_view rest() const { return m_text.substr(m_pos); }
    bool atEnd() const { return m_pos == m_text.size(); }

private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

// The source field of routing and MV audio: "10" or a single digit 1..9.
bool sourceField(Cursor &c, int &value) {
    if (c.literal("10")) {
        value = 10;
        return true;
    }
    return c.digit(value, 1, 9);
}

std::optional<Command> finish(Cursor &c, Command cmd) {
    if (!c.atEnd())
        return std::nullopt;
    return cmd;
}

std::optional<Command> parseSetOut(Cursor &c) {
    Command cmd;
    if (!c.digit(cmd.port, 0, 9))
        return std::nullopt;
    if (c.literal(" VS IN")) {
        cmd.kind = CommandKind::SetRouting;
        if (!sourceField(c, cmd.value))
            return std::nullopt;
        return finish(c, cmd);
    }
    if (c.literal(" MAS IN")) {
        cmd.kind = CommandKind::SetMvAudio;
        if (!sourceField(c, cmd.value))
            return std::nullopt;
        return finish(c, cmd);
    }
    if (c.literal(" EAS IN")) {
        cmd.kind = CommandKind::SetAudioRouting;
        if (!c.digit(cmd.value, 1, 9))
            return std::nullopt;
        return finish(c, cmd);
    }
    if (c.literal(" VW XYZ ")) {
        cmd.kind = CommandKind::SetWallRect;
        int x1, y1, x2, y2, rot;
        if (!c.numberIn(x1, 4, 4, 0, 1919) || !c.literal(".") || !c.numberIn(y1, 4, 4, 0, 1079) ||
            !c.literal(".") || !c.numberIn(x2, 4, 4, 0, 1919) || !c.literal(".") ||
            !c.numberIn(y2, 4, 4, 0, 1079) || !c.literal(".") || !c.number(rot, 3, 3))
            return std::nullopt;
        if (rot != 0 && rot != 90 && rot != 180 && rot != 270)
            return std::nullopt;
        // An empty or inverted capture rectangle cannot be shown.
        if (x2 <= x1 || y2 <= y1)
            return std::nullopt;
        cmd.values = {x1, y1, x2, y2, rot};
        return finish(c, cmd);
    }
    return std::nullopt;
}

std::optional<Command> parseSetIn(Cursor &c) {
    Command cmd;
    if (!c.digit(cmd.port, 1, 9) || !c.literal(" EDID "))
        return std::nullopt;
    if (c.literal("U")) {
        cmd.kind = CommandKind::LoadUserEdid;
        if (!c.digit(cmd.value, 1, 3) || !c.literal(" DATA") || !c.blanks() || !c.hexBytes(cmd.edid))
            return std::nullopt;
        return finish(c, cmd);
    }
    cmd.kind = CommandKind::SetEdidChoice;
    if (!c.numberIn(cmd.value, 1, 2, 0, 13))
        return std::nullopt;
    return finish(c, cmd);
}

std::optional<Command> parseSet(Cursor &c) {
    Command cmd;
    if (c.literal("OUT"))
        return parseSetOut(c);
    if (c.literal("IN"))
        return parseSetIn(c);
    if (c.literal("ADDR ")) {
        cmd.kind = CommandKind::SetAddress;
        if (!c.numberIn(cmd.value, 2, 2, 0, 99))
            return std::nullopt;
        return finish(c, cmd);
    }
    if (c.literal("MVW MODE") || c.literal("QVW MODE")) {
        cmd.kind = CommandKind::SetMvMode;
        c.optionalBlank();
        if (!c.digit(cmd.value, 0, 1))
            return std::nullopt;
        return finish(c, cmd);
    }
    if (c.literal("QVW VS ")) {
        cmd.kind = CommandKind::SetQvSources;
        for (int i = 0; i < 4; ++i) {
            int v = 0;
            if ((i > 0 && !c.literal(".")) || !c.digit(v, 0, 9))
                return std::nullopt;
            cmd.values.push_back(v);
        }
        return finish(c, cmd);
    }
    if (c.literal("BLW ")) {
        cmd.kind = CommandKind::SetBorderWidth;
        if (!c.numberIn(cmd.value, 1, 3, 0, 15))
            return std::nullopt;
        return finish(c, cmd);
    }
    if (c.literal("BLC ")) {
        cmd.kind = CommandKind::SetBorderColour;
        for (int i = 0; i < 3; ++i) {
            int v = 0;
            if ((i > 0 && !c.literal(".")) || !c.numberIn(v, 1, 3, 0, 255))
                return std::nullopt;
            cmd.values.push_back(v);
        }
        return finish(c, cmd);
    }
    if (c.literal("DHCP ")) {
        cmd.kind = CommandKind::SetDhcp;
        if (!c.digit(cmd.value, 0, 1))
            return std::nullopt;
        return finish(c, cmd);
    }
    struct AddressKeyword {
        std::string_view word;
        CommandKind kind;
    };
    // "SET RIP" is sent with no blank before the address, the other two with one.
    for (const AddressKeyword &k :
         {AddressKeyword{"HIP", CommandKind::SetHostIp}, AddressKeyword{"NMK", CommandKind::SetNetMask},
          AddressKeyword{"RIP", CommandKind::SetRouterIp}}) {
        if (c.literal(k.word)) {
            cmd.kind = k.kind;
            c.optionalBlank();
            if (!c.address(cmd.values))
                return std::nullopt;
            return finish(c, cmd);
        }
    }
    if (c.literal("TIP ")) {
        cmd.kind = CommandKind::SetTcpPort;
        if (!c.numberIn(cmd.value, 1, 4, 1, 9999))
            return std::nullopt;
        return finish(c, cmd);
    }
    if (c.literal("MAC ")) {
        cmd.kind = CommandKind::SetMac;
        std::string_view mac = c.rest();
        if (mac.size() != 17)
            return std::nullopt;
        for (std::size_t i = 0; i < mac.size(); ++i) {
            char ch = mac[i];
            bool ok = (i % 3 == 2) ? (ch == '-' || ch == ':')
                                   : ((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') ||
                                      (ch >= 'A' && ch <= 'F'));
            if (!ok)
                return std::nullopt;
        }
        cmd.text = std::string(mac);
        return cmd;
    }
    if (c.literal("EXA MODE")) {
        cmd.kind = CommandKind::SetAudioMode;
        c.optionalBlank();
        if (!c.digit(cmd.value, 0, 2))
            return std::nullopt;
        return finish(c, cmd);
    }
    if (c.literal("IRT OUT")) {
        cmd.kind = CommandKind::SetIrRoute;
        if (!c.digit(cmd.port, 0, 9) || !c.literal(" IS IN") || !c.digit(cmd.value, 1, 4))
            return std::nullopt;
        return finish(c, cmd);
    }
    if (c.literal("IR EXT SW ")) {
        cmd.kind = CommandKind::SetIrExtSwitch;
        if (!c.flags(cmd.values, 13))
            return std::nullopt;
        return finish(c, cmd);
    }
    if (c.literal("IRC MUX ")) {
        cmd.kind = CommandKind::SetIrEmitter;
        if (!c.flags(cmd.values, 9))
            return std::nullopt;
        return finish(c, cmd);
    }
    if (c.literal("RS MUX ")) {
        cmd.kind = CommandKind::SetRs232;
        if (!c.flags(cmd.values, 9))
            return std::nullopt;
        return finish(c, cmd);
    }
    // "SET k EXA EN" / "SET k EXA DIS": the output digit comes straight after "SET ".
    if (c.digit(cmd.port, 0, 9)) {
        cmd.kind = CommandKind::SetAudioEnable;
        if (c.literal(" EXA EN"))
            cmd.value = 0;
        else if (c.literal(" EXA DIS"))
            cmd.value = 1;
        else
            return std::nullopt;
        return finish(c, cmd);
    }
    return std::nullopt;
}

std::optional<Command> parseGet(Cursor &c) {
    Command cmd;
    if (c.literal("STA")) {
        cmd.kind = CommandKind::GetStatus;
        return finish(c, cmd);
    }
    if (c.literal("ADDR")) {
        cmd.kind = CommandKind::GetAddress;
        return finish(c, cmd);
    }
    if (c.literal("OUT")) {
        cmd.kind = CommandKind::GetOutputEdid;
        if (!c.digit(cmd.port, 1, 9) || !c.literal(" EDID") || !c.blanks() || !c.literal("DATA"))
            return std::nullopt;
        return finish(c, cmd);
    }
    if (c.literal("IN")) {
        cmd.kind = CommandKind::GetInputEdid;
        if (!c.digit(cmd.port, 1, 9) || !c.literal(" EDID ") || !c.digit(cmd.value, 0, 4) ||
            !c.literal(" DATA"))
            return std::nullopt;
        return finish(c, cmd);
    }
    return std::nullopt;
}

} // namespace

std::optional<AddressedText> CommandParser::splitLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.remove_suffix(1);
    if (line.empty())
        return std::nullopt;
    for (char ch : line) {
        auto u = static_cast<unsigned char>(ch);
        if (u < 0x20 || u > 0x7E)
            return std::nullopt;
    }
    AddressedText out;
    out.text = line;
    if (line[0] == 'A') {
        // A line that starts with "A" must carry a whole prefix: "A", two digits, a blank.
        if (line.size() < 4 || line[1] < '0' || line[1] > '9' || line[2] < '0' || line[2] > '9' ||
            line[3] != ' ')
            return std::nullopt;
        out.address = (line[1] - '0') * 10 + (line[2] - '0');
        out.text = line.substr(4);
        if (out.text.empty())
            return std::nullopt;
    }
    return out;
}

std::optional<Command> CommandParser::parse(std::string_view text) {
    Cursor c(text);
    if (c.literal("SET "))
        return parseSet(c);
    if (c.literal("GET "))
        return parseGet(c);
    if (c.literal(">@")) {
        Command cmd;
        cmd.kind = CommandKind::Probe;
        return finish(c, cmd);
    }
    return std::nullopt;
}

} // namespace korvexsim
