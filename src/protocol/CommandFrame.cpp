#include "protocol/CommandFrame.h"

namespace protocol {

std::uint8_t frameChecksum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    return static_cast<std::uint8_t>(-sum);
}

FrameResult buildFrame(std::uint8_t group, std::uint8_t device, std::uint16_t code,
                       std::span<const std::uint8_t> payload) {
    FrameResult result;
    if (payload.size() > kMaxFramePayload) {
        result.error = FrameError::TooMuchParameter;
        return result;
    }
    const std::size_t length = payload.size() + 5;
    std::vector<std::uint8_t> &frame = result.bytes;
    frame.reserve(payload.size() + kFrameOverhead);
    frame = {0xAA,
             0x06,
             0x00,
             static_cast<std::uint8_t>(length & 0xFF),
             static_cast<std::uint8_t>(length >> 8),
             group,
             device,
             static_cast<std::uint8_t>(code & 0xFF),
             static_cast<std::uint8_t>(code >> 8)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(frameChecksum(frame));
    return result;
}

std::vector<std::uint8_t> buildShortFrame(std::uint8_t group, std::uint8_t device, std::uint16_t code) {
    return buildFrame(group, device, code, {}).bytes;
}

} // namespace protocol
