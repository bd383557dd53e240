#include "sim/StateJson.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace korvexsim {
namespace {

template <typename Array> std::string intArray(const Array &values) {
    std::string s = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            s += ',';
        s += std::to_string(values[i]);
    }
    return s + "]";
}

std::string quoted(const std::string &text) {
    std::string s = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            s += '\\';
            s += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(c));
            s += buf;
        } else {
            s += c;
        }
    }
    return s + "\"";
}

std::string dotted(const std::array<int, 4> &v) {
    return quoted(std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
                  std::to_string(v[3]));
}

std::string hex(const EdidImage &image) {
    static const char digits[] = "0123456789abcdef";
    // Written through a pointer into a sized string: a state file spells out 108 images.
    std::string s(2 * image.size() + 2, '"');
    char *out = s.data() + 1;
    for (std::uint8_t b : image) {
        *out++ = digits[b >> 4];
        *out++ = digits[b & 0x0F];
    }
    return s;
}

// Values go out the way the console's pages hold them: routing, QV sources, audio routing and IR
// routes 0-based; MV audio 1..10 like the console's MV audio table.
std::string device(const DeviceState &s) {
    auto minusOne = [](const auto &a) {
        auto b = a;
        for (auto &v : b)
            v -= 1;
        return b;
    };
    std::string j = "{";
    j += "\"address\":" + std::to_string(s.address);
    j += ",\"routing\":" + intArray(minusOne(s.routing));
    j += ",\"mvMode\":" + std::to_string(s.mvMode);
    j += ",\"qvSources\":" + intArray(minusOne(s.qvSources));
    j += ",\"mvAudio\":" + intArray(s.mvAudio);
    j += ",\"borderWidth\":" + std::to_string(s.borderWidth);
    j += ",\"borderColour\":" + intArray(s.borderColour);
    j += ",\"edidChoice\":" + intArray(s.edidChoice);
    j += ",\"userEdid\":[";
    for (std::size_t i = 0; i < s.userEdid.size(); ++i) {
        j += i > 0 ? ",[" : "[";
        for (std::size_t k = 0; k < s.userEdid[i].size(); ++k)
            j += (k > 0 ? "," : "") + hex(s.userEdid[i][k]);
        j += "]";
    }
    j += "]";
    j += ",\"sinkEdid\":[";
    for (std::size_t i = 0; i < s.sinkEdid.size(); ++i)
        j += (i > 0 ? "," : "") + hex(s.sinkEdid[i]);
    j += "]";
    j += ",\"lan\":{\"dhcp\":" + std::to_string(s.lan.dhcp) + ",\"host\":" + dotted(s.lan.host) +
         ",\"mask\":" + dotted(s.lan.mask) + ",\"router\":" + dotted(s.lan.router) +
         ",\"tcpPort\":" + std::to_string(s.lan.tcpPort) + ",\"mac\":" + quoted(s.mac) + "}";
    j += ",\"audioMode\":" + std::to_string(s.audioMode);
    j += ",\"audioRouting\":" + intArray(minusOne(s.audioRouting));
    j += ",\"audioMute\":" + intArray(s.audioMute);
    j += ",\"irRoute\":" + intArray(minusOne(s.irRoute));
    j += ",\"irExtSwitch\":" + intArray(s.irExtSwitch);
    j += ",\"irEmitter\":" + intArray(s.irEmitter);
    j += ",\"rs232\":" + intArray(s.rs232);
    j += ",\"wall\":[";
    for (std::size_t i = 0; i < s.wall.size(); ++i) {
        const WallRect &w = s.wall[i];
        j += (i > 0 ? ",{" : "{");
        j += "\"x1\":" + std::to_string(w.x1) + ",\"y1\":" + std::to_string(w.y1) +
             ",\"x2\":" + std::to_string(w.x2) + ",\"y2\":" + std::to_string(w.y2) +
             ",\"rotation\":" + std::to_string(w.rotation) + "}";
    }
    j += "]}";
    return j;
}

} // namespace

std::string StateJson::render(const std::vector<Device> &devices, const Meta &meta) {
    std::string j = "{\"commands\":" + std::to_string(meta.commands);
    j += ",\"hungUp\":";
    j += meta.hungUp ? "true" : "false";
    j += ",\"devices\":[";
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (i > 0)
            j += ",\n";
        j += device(devices[i].state());
    }
    j += "]}\n";
    return j;
}

bool StateJson::writeAtomically(const std::string &path, const std::string &content) {
    std::string temp = path + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace korvexsim
