#include "sim/ReplyFormatter.h"

#include <cstdio>

namespace korvexsim {
namespace {

std::string format(const char *pattern, auto... args) {
    char buf[128];
    int n = std::snprintf(buf, sizeof buf, pattern, args...);
    if (n < 0)
        return {};
    return std::string(buf, static_cast<std::size_t>(n < static_cast<int>(sizeof buf) ? n : sizeof buf - 1));
}

int at(const auto &array, int oneBased) {
    return array[static_cast<std::size_t>(oneBased - 1)];
}

std::string flags(const char *keyword, const auto &values) {
    std::string line = keyword;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            line += '.';
        line += values[i] ? '1' : '0';
    }
    return line;
}

std::string ip(const char *keyword, const std::array<int, 4> &v) {
    return format("%s %03d.%03d.%03d.%03d", keyword, v[0], v[1], v[2], v[3]);
}

} // namespace

std::string ReplyFormatter::routing(const DeviceState &s, int output) {
    return format("OUT%d VS IN%d", output, at(s.routing, output));
}

std::string ReplyFormatter::mvMode(const DeviceState &s) {
    return format("MVW MODE%d", s.mvMode);
}

std::string ReplyFormatter::qvSources(const DeviceState &s) {
    return format("QVW VS %d.%d.%d.%d", s.qvSources[0], s.qvSources[1], s.qvSources[2], s.qvSources[3]);
}

std::string ReplyFormatter::mvAudio(const DeviceState &s, int output) {
    return format("OUT%d MAS IN%d", output, at(s.mvAudio, output));
}

std::string ReplyFormatter::borderWidth(const DeviceState &s) {
    return format("BLW %d", s.borderWidth);
}

std::string ReplyFormatter::borderColour(const DeviceState &s) {
    return format("BLC %d.%d.%d", s.borderColour[0], s.borderColour[1], s.borderColour[2]);
}

std::string ReplyFormatter::edidChoice(const DeviceState &s, int input) {
    return format("IN%d EDID %d", input, at(s.edidChoice, input));
}

std::string ReplyFormatter::dhcp(const DeviceState &s) {
    return format("DHCP %d", s.lan.dhcp);
}
std::string ReplyFormatter::hostIp(const DeviceState &s) {
    return ip("HIP", s.lan.host);
}
std::string ReplyFormatter::netMask(const DeviceState &s) {
    return ip("NMK", s.lan.mask);
}
std::string ReplyFormatter::routerIp(const DeviceState &s) {
    return ip("RIP", s.lan.router);
}
std::string ReplyFormatter::tcpPort(const DeviceState &s) {
    return format("TIP %d", s.lan.tcpPort);
}
std::string ReplyFormatter::mac(const DeviceState &s) {
    return "MAC " + s.mac;
}

std::string ReplyFormatter::audioMode(const DeviceState &s) {
    return format("EXA MODE%d", s.audioMode);
}

std::string ReplyFormatter::audioRouting(const DeviceState &s, int output) {
    return format("OUT%d EAS IN%d", output, at(s.audioRouting, output));
}

std::string ReplyFormatter::audioEnable(const DeviceState &s, int output) {
    return format("OUT%d EXA %s", output, at(s.audioMute, output) ? "DIS" : "EN");
}

std::string ReplyFormatter::irRoute(const DeviceState &s, int output) {
    return format("IRT OUT%d IS IN%d", output, at(s.irRoute, output));
}

std::string ReplyFormatter::irExtSwitch(const DeviceState &s) {
    return flags("IR EXT SW ", s.irExtSwitch);
}
std::string ReplyFormatter::irEmitter(const DeviceState &s) {
    return flags("IRC MUX ", s.irEmitter);
}
std::string ReplyFormatter::rs232(const DeviceState &s) {
    return flags("RS MUX ", s.rs232);
}

std::string ReplyFormatter::wallRect(const DeviceState &s, int output) {
    const WallRect &w = s.wall[static_cast<std::size_t>(output - 1)];
    return format("OUT%d VW XYZ %04d.%04d.%04d.%04d.%03d", output, w.x1, w.y1, w.x2, w.y2, w.rotation);
}

std::string ReplyFormatter::address(const DeviceState &s) {
    return format("ADDR %02d", s.address);
}

std::string ReplyFormatter::probeAnswer(const DeviceState &s) {
    return format("KORVEX HDMI MATRIX 9X9 DEVICE %02d", s.address);
}

std::string ReplyFormatter::edidDump(const std::string &source, const EdidImage &image) {
    static const char digits[] = "0123456789abcdef";
    std::string line = "EDID " + source + " DATA";
    line.reserve(line.size() + 3 * image.size());
    for (std::uint8_t b : image) {
        line += ' ';
        line += digits[b >> 4];
        line += digits[b & 0x0F];
    }
    return line;
}

std::vector<std::string> ReplyFormatter::lanStatus(const DeviceState &s) {
    // The MAC line comes last: the console shows the TCP port when a later line refreshes its page.
    return {dhcp(s), hostIp(s), netMask(s), routerIp(s), tcpPort(s), mac(s)};
}

std::vector<std::string> ReplyFormatter::allStatus(const DeviceState &s) {
    std::vector<std::string> lines;
    for (int o = 1; o <= 9; ++o)
        lines.push_back(routing(s, o));
    lines.push_back(mvMode(s));
    lines.push_back(qvSources(s));
    for (int o = 1; o <= 9; ++o)
        lines.push_back(mvAudio(s, o));
    lines.push_back(borderWidth(s));
    lines.push_back(borderColour(s));
    for (int i = 1; i <= 9; ++i)
        lines.push_back(edidChoice(s, i));
    for (std::string &l : lanStatus(s))
        lines.push_back(std::move(l));
    lines.push_back(audioMode(s));
    for (int o = 1; o <= 9; ++o)
        lines.push_back(audioRouting(s, o));
    for (int o = 1; o <= 9; ++o)
        lines.push_back(audioEnable(s, o));
    for (int o = 1; o <= 9; ++o)
        lines.push_back(irRoute(s, o));
    lines.push_back(irExtSwitch(s));
    lines.push_back(irEmitter(s));
    lines.push_back(rs232(s));
    for (int o = 1; o <= 9; ++o)
        lines.push_back(wallRect(s, o));
    return lines;
}

} // namespace korvexsim
