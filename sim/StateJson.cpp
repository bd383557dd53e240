#include "sim/StateJson.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace korvexsim {
namespace {

// Members keep the order they are written in, so the file reads in the order of the layout.
using Json = nlohmann::ordered_json;

std::string dotted(const std::array<int, 4> &v) {
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
           std::to_string(v[3]);
}

std::string hex(const EdidImage &image) {
    static const char digits[] = "0123456789abcdef";
    std::string s(2 * image.size(), '0');
    for (std::size_t i = 0; i < image.size(); ++i) {
        s[2 * i] = digits[image[i] >> 4];
        s[2 * i + 1] = digits[image[i] & 0x0F];
    }
    return s;
}

// Values go out the way the console's pages hold them: routing, QV sources, audio routing and IR
// routes 0-based; MV audio 1..10 like the console's MV audio table.
template <std::size_t N> Json zeroBased(const std::array<int, N> &values) {
    Json array = Json::array();
    for (int v : values)
        array.push_back(v - 1);
    return array;
}

Json device(const DeviceState &s) {
    Json userEdid = Json::array();
    for (const auto &slots : s.userEdid) {
        Json input = Json::array();
        for (const EdidImage &image : slots)
            input.push_back(hex(image));
        userEdid.push_back(std::move(input));
    }
    Json sinkEdid = Json::array();
    for (const EdidImage &image : s.sinkEdid)
        sinkEdid.push_back(hex(image));
    Json wall = Json::array();
    for (const WallRect &w : s.wall)
        wall.push_back({{"x1", w.x1}, {"y1", w.y1}, {"x2", w.x2}, {"y2", w.y2}, {"rotation", w.rotation}});

    Json j;
    j["address"] = s.address;
    j["routing"] = zeroBased(s.routing);
    j["mvMode"] = s.mvMode;
    j["qvSources"] = zeroBased(s.qvSources);
    j["mvAudio"] = s.mvAudio;
    j["borderWidth"] = s.borderWidth;
    j["borderColour"] = s.borderColour;
    j["edidChoice"] = s.edidChoice;
    j["userEdid"] = std::move(userEdid);
    j["sinkEdid"] = std::move(sinkEdid);
    j["lan"] = {{"dhcp", s.lan.dhcp},         {"host", dotted(s.lan.host)},
                {"mask", dotted(s.lan.mask)}, {"router", dotted(s.lan.router)},
                {"tcpPort", s.lan.tcpPort},   {"mac", s.mac}};
    j["audioMode"] = s.audioMode;
    j["audioRouting"] = zeroBased(s.audioRouting);
    j["audioMute"] = s.audioMute;
    j["irRoute"] = zeroBased(s.irRoute);
    j["irExtSwitch"] = s.irExtSwitch;
    j["irEmitter"] = s.irEmitter;
    j["rs232"] = s.rs232;
    j["wall"] = std::move(wall);
    return j;
}

} // namespace

std::string StateJson::render(const std::vector<Device> &devices, const Meta &meta) {
    Json j;
    j["commands"] = meta.commands;
    j["hungUp"] = meta.hungUp;
    j["devices"] = Json::array();
    for (const Device &d : devices)
        j["devices"].push_back(device(d.state()));
    // Compact, one line: scripts pick members out of it with grep.
    return j.dump() + "\n";
}

bool StateJson::writeAtomically(const std::string &path, const std::string &content) {
    std::string temp = path + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    int failure = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failure = errno;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temp.c_str(), path.c_str()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temp.c_str());
        errno = failure; // the caller reports why
        return false;
    }
    return true;
}

} // namespace korvexsim
