#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Binary command frames: AA 06 00, length (n + 5, little-endian), group, device, command code
// (little-endian), n payload bytes, checksum. All n + 10 bytes sum to 0 modulo 256.
namespace protocol {

inline constexpr std::uint8_t kFrameGroup = 0x00;    // the group byte is always 0
inline constexpr std::size_t kMaxFramePayload = 290; // larger payloads are refused
inline constexpr std::size_t kFrameOverhead = 10;    // header, code and checksum bytes
inline constexpr std::size_t kMaxFrameSize = kMaxFramePayload + kFrameOverhead;

// The operator's message for a refused frame.
inline constexpr const char *kTooMuchParameterText = "Too much parameter.";

enum class FrameError {
    TooMuchParameter, // payload above kMaxFramePayload: nothing may be sent
};

// Result of building a frame: the bytes, or why there are none.
struct FrameResult {
    std::vector<std::uint8_t> bytes; // the whole frame; empty when error is set
    std::optional<FrameError> error; // set when the frame was refused

    bool ok() const { return !error.has_value(); }
};

// Two's complement of the 8-bit sum of `bytes`: appending it makes the sum 0 modulo 256.
std::uint8_t frameChecksum(std::span<const std::uint8_t> bytes);

// A frame with a payload of 0..290 bytes; 291 and more give FrameError::TooMuchParameter.
FrameResult buildFrame(std::uint8_t group, std::uint8_t device, std::uint16_t code,
                       std::span<const std::uint8_t> payload);

// The 10-byte frame without payload.
std::vector<std::uint8_t> buildShortFrame(std::uint8_t group, std::uint8_t device, std::uint16_t code);

} // namespace protocol
