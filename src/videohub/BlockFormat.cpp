#include "videohub/BlockFormat.h"

namespace videohub {

namespace {

// The protocol version we speak; clients check only the major number.
constexpr std::string_view kVersion = "2.3";

std::string countLine(std::string_view name, std::size_t count) {
    return std::string(name) + ": " + std::to_string(count);
}

} // namespace

std::string_view headerOf(StatusBlock block) {
    switch (block) {
    case StatusBlock::InputLabels:
        return kInputLabelsHeader;
    case StatusBlock::OutputLabels:
        return kOutputLabelsHeader;
    case StatusBlock::OutputLocks:
        return kOutputLocksHeader;
    case StatusBlock::OutputRouting:
        return kOutputRoutingHeader;
    }
    return {};
}

std::string formatBlock(std::string_view header, const std::vector<std::string> &lines) {
    std::string out(header);
    out += '\n';
    for (const std::string &line : lines) {
        out += line;
        out += '\n';
    }
    out += '\n';
    return out;
}

std::string portLine(std::size_t index, std::string_view text) {
    std::string out = std::to_string(index) + ' ';
    for (const char c : text)
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    return out;
}

std::string preambleBlock() {
    return formatBlock(kPreambleHeader, {"Version: " + std::string(kVersion)});
}

std::string deviceBlock(const RouterState &state) {
    if (!state.present)
        return formatBlock(kDeviceHeader, {"Device present: false"});
    std::vector<std::string> lines = {"Device present: true", "Model name: " + state.modelName};
    if (!state.friendlyName.empty())
        lines.push_back("Friendly name: " + state.friendlyName);
    if (!state.uniqueId.empty())
        lines.push_back("Unique ID: " + state.uniqueId);
    lines.push_back(countLine("Video inputs", state.inputLabels.size()));
    lines.push_back(countLine("Video processing units", 0));
    lines.push_back(countLine("Video outputs", state.outputLabels.size()));
    lines.push_back(countLine("Video monitoring outputs", 0));
    lines.push_back(countLine("Serial ports", 0));
    return formatBlock(kDeviceHeader, lines);
}

std::string endPreludeBlock() {
    return formatBlock(kEndPreludeHeader, {});
}

std::string ackBlock() {
    return "ACK\n\n";
}

std::string nakBlock() {
    return "NAK\n\n";
}

} // namespace videohub
