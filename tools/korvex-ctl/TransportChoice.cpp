#include "TransportChoice.h"

#include "net/TcpTransport.h"
#include "serial/PortNaming.h"

#include <filesystem>
#include <system_error>

namespace {

#ifndef _WIN32
// A device path becomes the single entry of the port table, which names a device by a prefix and
// a number: the canonical name without its last digit, and that digit, on a port number that no
// COMn entry of the current folder hides. Device nodes and pseudo-terminals all end in a digit.
std::optional<unsigned> portNumberForPath(const std::string &path, std::string &error) {
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::canonical(path, ec);
    if (ec) {
        error = "no such device";
        return std::nullopt;
    }
    const std::string name = canonical.string();
    if (name.empty() || name.back() < '0' || name.back() > '9') {
        error = "not a serial device";
        return std::nullopt;
    }
    // "/dev/pts/15" is "/dev/pts/1" and 5.
    const unsigned index = static_cast<unsigned>(name.back() - '0');
    const std::string prefix = name.substr(0, name.size() - 1);
    for (unsigned port = index + 1; port <= serial::kLastPort; ++port) {
        if (std::filesystem::exists(std::filesystem::symlink_status(serial::PortName(port), ec)))
            continue;
        serial::SetDeviceTable(serial::DeviceTable{{{port - index, index + 1, prefix}}});
        return port;
    }
    error = "every port number is taken by a COMn entry in this folder";
    return std::nullopt;
}
#endif

} // namespace

std::optional<unsigned> SerialPortNumber(const std::string &port, std::string &error) {
    if (const std::optional<unsigned> number = ParseComPort(port))
        return number;
#ifdef _WIN32
    error = "not a port name: use COM1..COM99";
    return std::nullopt;
#else
    return portNumberForPath(port, error);
#endif
}

TransportChoice MakeTransport(const CommandLine &options,
                              const SerialTransport::HandOffFactory &makeHandOff) {
    TransportChoice choice;
    if (!options.host.empty()) {
        // The switcher's LAN port: connects in the background, reports through the same hand-off.
        auto tcp = std::make_unique<net::TcpTransport>(options.host, static_cast<std::uint16_t>(options.hostPort),
                                                       makeHandOff);
        choice.label = tcp->name();
        choice.transport = std::move(tcp);
        choice.connectsLater = true;
        return choice;
    }
    choice.label = options.port;
    std::string why;
    const std::optional<unsigned> number = SerialPortNumber(options.port, why);
    if (!number) {
        choice.error = choice.label + ": " + why;
        return choice;
    }
    choice.transport = std::make_unique<SerialTransport>(*number, makeHandOff);
    return choice;
}
