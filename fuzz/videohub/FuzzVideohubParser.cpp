// libFuzzer target for the router-protocol receive side: arbitrary bytes, cut into chunks at points the
// input chooses, go through the block reader and the request decoder for a router whose size the
// input chooses too. Blocks must come out the same however the bytes were cut, within the reader's
// bounds; a decoded request's ports must exist; an accepted label must come back unchanged through
// the update every client is sent.
//
// The first byte chooses the chunk length, the second the router's size.

#include "videohub/BlockReader.h"
#include "videohub/RequestDecoder.h"
#include "videohub/StatusBlocks.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using namespace videohub;

namespace {

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool inRange(int index, int count) {
    return index >= 0 && index < count;
}

void checkBlock(const Block &block) {
    std::size_t bytes = 0;
    for (const std::string_view line : block.lines) {
        check(!line.empty() && line.size() <= BlockReader::kMaxLine && line.find('\n') == line.npos);
        bytes += line.size() + 1;
    }
    check(!block.header.empty() && block.header.find('\n') == std::string::npos);
    check(bytes + block.header.size() + 1 <= BlockReader::kMaxBlock);
}

// Labels taken into a router's state reach a client as the same text.
void checkLabelsRoundTrip(const LabelRequest &request, RouterSize size) {
    RouterState before;
    before.present = true;
    before.inputLabels.assign(static_cast<std::size_t>(size.inputs), "?");
    before.outputLabels.assign(static_cast<std::size_t>(size.outputs), "?");
    RouterState after = before;
    auto &labels = request.side == PortSide::Input ? after.inputLabels : after.outputLabels;
    for (const LabelRequest::Label &label : request.labels)
        labels[static_cast<std::size_t>(label.index)] = label.text;

    BlockReader reader;
    for (const Block &block : reader.feed(statusUpdate(before, after, 1))) {
        const Request echoed = decodeRequest(block, size);
        const auto *sent = std::get_if<LabelRequest>(&echoed);
        check(sent != nullptr && sent->side == request.side);
        for (const LabelRequest::Label &label : sent->labels)
            check(labels[static_cast<std::size_t>(label.index)] == label.text);
    }
    check(!reader.failed());
}

void checkRequest(const Block &block, RouterSize size) {
    const Request request = decodeRequest(block, size);
    if (const auto *routing = std::get_if<RouteRequest>(&request)) {
        check(!routing->routes.empty());
        for (const RouteRequest::Route &route : routing->routes)
            check(inRange(route.output, size.outputs) && inRange(route.input, size.inputs));
    } else if (const auto *locks = std::get_if<LockRequest>(&request)) {
        check(!locks->locks.empty());
        for (const LockRequest::Lock &lock : locks->locks)
            check(inRange(lock.output, size.outputs));
    } else if (const auto *labels = std::get_if<LabelRequest>(&request)) {
        const int ports = labels->side == PortSide::Input ? size.inputs : size.outputs;
        for (const LabelRequest::Label &label : labels->labels)
            check(inRange(label.index, ports) && label.text.size() <= 4 * kMaxLabel);
        checkLabelsRoundTrip(*labels, size);
    } else if (const auto *malformed = std::get_if<Malformed>(&request)) {
        check(malformed->line < block.lines.size());
    } else if (std::holds_alternative<BlockQuery>(request)) {
        check(block.lines.empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t chunk = 1 + data[0] % 64;
    const RouterSize router{1 + data[1] % 16, 1 + data[1] / 16};
    const std::string_view bytes(reinterpret_cast<const char *>(data) + 2, size - 2);

    BlockReader whole;
    const std::vector<Block> expected = whole.feed(bytes);
    BlockReader pieces;
    std::size_t next = 0;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        for (const Block &block : pieces.feed(bytes.substr(at, chunk))) {
            check(next < expected.size() && block == expected[next++]);
            checkBlock(block);
            checkRequest(block, router);
        }
    }
    check(next == expected.size() && pieces.failed() == whole.failed());
    return 0;
}
