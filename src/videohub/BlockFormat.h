#pragma once

#include "videohub/RouterState.h"

#include <string>
#include <string_view>
#include <vector>

namespace videohub {

// The headers of the blocks we read and write.
inline constexpr std::string_view kPreambleHeader = "PROTOCOL PREAMBLE:";
inline constexpr std::string_view kDeviceHeader = "VIDEOHUB DEVICE:";
inline constexpr std::string_view kInputLabelsHeader = "INPUT LABELS:";
inline constexpr std::string_view kOutputLabelsHeader = "OUTPUT LABELS:";
inline constexpr std::string_view kOutputLocksHeader = "VIDEO OUTPUT LOCKS:";
inline constexpr std::string_view kOutputRoutingHeader = "VIDEO OUTPUT ROUTING:";
inline constexpr std::string_view kEndPreludeHeader = "END PRELUDE:";
inline constexpr std::string_view kPingHeader = "PING:";

// The blocks that show the router's ports, in the order of the dump. A client changes them by
// sending them and asks for one again by sending its header alone.
enum class StatusBlock { InputLabels, OutputLabels, OutputLocks, OutputRouting };
inline constexpr StatusBlock kStatusBlocks[] = {StatusBlock::InputLabels, StatusBlock::OutputLabels,
                                                StatusBlock::OutputLocks, StatusBlock::OutputRouting};
std::string_view headerOf(StatusBlock block);

// A block as the server sends it: the header, each line, then the blank line; every line ends with LF.
std::string formatBlock(std::string_view header, const std::vector<std::string> &lines);

// "<index> <text>", the line of every port block. Line breaks and other control characters in the
// text go out as blanks, so no text can end the line or the block early.
std::string portLine(std::size_t index, std::string_view text);

std::string preambleBlock();
// The device block: counts and names when present, only "Device present: false" when not.
std::string deviceBlock(const RouterState &state);
std::string endPreludeBlock();
std::string ackBlock();
std::string nakBlock();

} // namespace videohub
