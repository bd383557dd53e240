#include "StateReport.h"

#include "session/DeviceRules.h"
#include "session/DeviceStateJson.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using session::DeviceState;

std::string dotted(const DeviceState::IpAddress &a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

template <std::size_t N> bool any(const DeviceState::Values<N> &values) {
    return std::any_of(values.begin(), values.end(),
                       [](const std::optional<int> &v) { return v.has_value(); });
}

// A text the device sent, on one line: control bytes, bytes past ASCII and the backslash escaped as
// in the JSON, so nothing it sent can move the cursor or start a terminal sequence.
std::string deviceText(const std::string &text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

// ---- Text ----

std::string input(int zeroBased) {
    return zeroBased == 9 ? "MV" : "in" + std::to_string(zeroBased + 1);
}

template <class Format> std::string cell(const std::optional<int> &value, Format format) {
    return value ? format(*value) : std::string("-");
}

void line(std::string &out, const char *label, const std::string &value) {
    char head[32];
    std::snprintf(head, sizeof head, "%-17s", label);
    out += head + value + "\n";
}

// Columns padded to their widest cell, two blanks apart; the last column is not padded.
void table(std::string &out, const std::vector<std::vector<std::string>> &rows) {
    std::vector<std::size_t> widths;
    for (const auto &row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths.resize(std::max(widths.size(), row.size()));
            widths[c] = std::max(widths[c], row[c].size());
        }
    for (const auto &row : rows) {
        std::string text;
        for (std::size_t c = 0; c < row.size(); ++c)
            text += c + 1 < row.size() ? row[c] + std::string(widths[c] - row[c].size() + 2, ' ') : row[c];
        out += text + "\n";
    }
}

std::string flagList(const DeviceState::Values<13> &flags, std::size_t first, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<int> &f = flags[first + i];
        if (!f)
            return "-";
        if (*f)
            out += (out.empty() ? "" : " ") + std::to_string(i + 1);
    }
    return out.empty() ? "none" : out;
}

} // namespace

std::string StateReport::edidChoiceName(int choice) {
    return session::edidChoice(choice)
               ? std::string(session::kEdidChoiceNames[static_cast<std::size_t>(choice)])
               : std::string();
}

std::string StateReport::json(const DeviceState &s) {
    return session::jsonText(session::toJson(s)) + "\n";
}

std::string StateReport::lanJson(const DeviceState &s) {
    return session::jsonText(session::lanJson(s)) + "\n";
}

std::string StateReport::lanText(const DeviceState &s) {
    std::string out;
    if (s.dhcp)
        line(out, "DHCP", *s.dhcp ? "on" : "off");
    if (s.host)
        line(out, "Host IP", dotted(*s.host));
    if (s.mask)
        line(out, "Net mask", dotted(*s.mask));
    if (s.router)
        line(out, "Router IP", dotted(*s.router));
    if (s.tcpPort)
        line(out, "TCP port", deviceText(*s.tcpPort));
    if (s.mac)
        line(out, "MAC", deviceText(*s.mac));
    return out;
}

std::string StateReport::text(const DeviceState &s) {
    std::string out;
    if (s.address) {
        char two[4];
        std::snprintf(two, sizeof two, "%02d", *s.address);
        line(out, "Address", two);
    }
    if (s.mvMode)
        line(out, "Multiview", *s.mvMode == 0 ? "3x3" : "2x2");
    if (any(s.qvSources)) {
        std::string windows;
        for (std::size_t w = 0; w < s.qvSources.size(); ++w)
            windows += (w > 0 ? "  " : "") + std::to_string(w + 1) + ": " + cell(s.qvSources[w], input);
        line(out, "Quick view", windows);
    }
    if (s.borderWidth || any(s.borderColour)) {
        const auto number = [](int v) { return std::to_string(v); };
        line(out, "Border line",
             "width " + cell(s.borderWidth, number) + ", colour " + cell(s.borderColour[0], number) + "." +
                 cell(s.borderColour[1], number) + "." + cell(s.borderColour[2], number));
    }
    if (s.audioMode) {
        static const char *const modes[] = {"follow the input", "follow the output", "independent routing"};
        line(out, "Audio mode", modes[*s.audioMode]);
    }
    if (any(s.irExtSwitch))
        line(out, "IR control",
             "HDBT " + flagList(s.irExtSwitch, 0, 9) + "; IR.ext " + flagList(s.irExtSwitch, 9, 4));
    out += lanText(s);

    const auto yesNo = [](int v) { return std::string(v ? "yes" : "no"); };
    if (any(s.routing) || any(s.mvAudio) || any(s.audioRouting) || any(s.audioMute) || any(s.irRoute) ||
        any(s.irEmitter) || any(s.rs232)) {
        std::vector<std::vector<std::string>> rows = {
            {"Output", "Video", "MV audio", "Audio", "Audio on", "IR from", "IR emitter", "RS-232"}};
        for (std::size_t o = 0; o < 9; ++o)
            rows.push_back(
                {std::to_string(o + 1), cell(s.routing[o], input),
                 cell(s.mvAudio[o], [](int v) { return v == 10 ? std::string("mute") : input(v - 1); }),
                 cell(s.audioRouting[o], input),
                 cell(s.audioMute[o], [](int v) { return std::string(v ? "mute" : "on"); }),
                 cell(s.irRoute[o], [](int v) { return "IRext" + std::to_string(v + 1); }),
                 cell(s.irEmitter[o], yesNo), cell(s.rs232[o], yesNo)});
        out += "\n";
        table(out, rows);
    }
    if (any(s.edidChoice)) {
        std::vector<std::vector<std::string>> rows = {{"Input", "EDID"}};
        for (std::size_t i = 0; i < 9; ++i)
            rows.push_back({std::to_string(i + 1), cell(s.edidChoice[i], [](int v) {
                                // The first name ends in a blank; trailing blanks are not shown.
                                std::string name = edidChoiceName(v);
                                return name.substr(0, name.find_last_not_of(' ') + 1);
                            })});
        out += "\n";
        table(out, rows);
    }
    return out;
}
