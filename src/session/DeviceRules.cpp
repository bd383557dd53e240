#include "session/DeviceRules.h"

#include "protocol/TextPrefix.h"

namespace session {
namespace {

// The value less `offset` when the value lies in [low, high], else unknown.
std::optional<int> within(int value, int low, int high, int offset = 0) {
    if (value < low || value > high)
        return std::nullopt;
    return value - offset;
}

} // namespace

std::optional<int> routingSelection(int input) {
    return within(input, 1, 10, 1);
}

std::optional<int> edidChoice(int choice) {
    return within(choice, 0, protocol::kEdidChoiceCount - 1);
}

std::optional<int> audioRouteInput(int input) {
    return within(input, 1, 9, 1);
}

std::optional<int> irRouteSource(int source) {
    return within(source, 1, 4, 1);
}

std::optional<int> audioMode(int mode) {
    return within(mode, 0, 2);
}

std::optional<int> mvMode(int mode) {
    return within(mode, 0, 1);
}

std::optional<int> qvSource(int digit) {
    return within(digit, 1, 9, 1);
}

std::optional<int> colourComponent(int value) {
    return within(value, 0, 255);
}

std::optional<int> borderWidth(int width) {
    return within(width, 0, 15);
}

std::optional<int> mvAudioSource(int source) {
    return within(source, 1, 10);
}

std::optional<int> deviceAddress(int address) {
    return within(address, 0, protocol::kMaxDeviceAddress);
}

int flagValue(bool flag) {
    return flag ? 1 : 0;
}

std::optional<DeviceState::IpAddress> ipAddress(const protocol::IpAddressFields &fields,
                                                const std::optional<DeviceState::IpAddress> &known) {
    DeviceState::IpAddress out = known.value_or(DeviceState::IpAddress{});
    bool all = true;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (fields.octets[i])
            out[i] = *fields.octets[i];
        else
            all = false;
    }
    if (!all && !known)
        return std::nullopt;
    return out;
}

std::optional<std::string> tcpPortText(const std::string &text) {
    if (text.empty())
        return std::nullopt;
    return text;
}

std::array<int, 4> chooseQvSource(std::array<int, 4> sources, int window, int source) {
    if (window < 0 || window >= static_cast<int>(sources.size()))
        return sources;
    const auto w = static_cast<std::size_t>(window);
    for (std::size_t other = 0; other < sources.size(); ++other) {
        if (other != w && sources[other] == source) {
            sources[other] = sources[w];
            break;
        }
    }
    sources[w] = source;
    return sources;
}

} // namespace session
