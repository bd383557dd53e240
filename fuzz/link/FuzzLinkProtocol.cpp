// libFuzzer target for the received-line buffer and the reply decoder, plus address prefixing:
// arbitrary bytes from the serial line must never read outside a line, never grow the buffer past
// its bound, and always give records whose selectors and texts are within their documented ranges.

#include "protocol/LineAssembler.h"
#include "protocol/ReplyDecoder.h"
#include "protocol/TextPrefix.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

namespace {

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

void checkSelector(const std::optional<int> &digit, int lowest = 1) {
    check(!digit || (*digit >= lowest && *digit <= 9));
}

void checkReply(const protocol::Reply &reply) {
    std::visit(
        [](const auto &r) {
            using R = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<R, protocol::RoutingReply> ||
                          std::is_same_v<R, protocol::AudioRouteReply> ||
                          std::is_same_v<R, protocol::AudioOnReply> ||
                          std::is_same_v<R, protocol::IrRouteReply>)
                checkSelector(r.output);
            else if constexpr (std::is_same_v<R, protocol::EdidChoiceReply>)
                checkSelector(r.input);
            else if constexpr (std::is_same_v<R, protocol::MvAudioReply>)
                checkSelector(r.output, 0);
            else if constexpr (std::is_same_v<R, protocol::MacReply>)
                check(!r.mac || r.mac->size() == 17);
            else if constexpr (std::is_same_v<R, protocol::TcpPortReply>)
                check(r.text.size() <= 4 && r.text.find('\r') == std::string::npos);
            else if constexpr (std::is_same_v<R, protocol::MvModeReply>)
                check(!r.mode || *r.mode == 0 || *r.mode == 1);
            else if constexpr (std::is_same_v<R, protocol::QvSourcesReply>)
                for (const std::optional<int> &digit : r.digits)
                    check(!digit || (*digit >= -48 && *digit <= 207));
            else if constexpr (std::is_same_v<R, protocol::AddressReply>)
                check(!r.address || (*r.address >= 0 && *r.address <= 99));
        },
        reply);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char *>(data) + 1, size - 1);

    // The whole input as one line, and in pieces through the received-line buffer.
    checkReply(protocol::decodeReply(bytes));

    const std::size_t chunk = 1 + data[0] % 64;
    protocol::LineAssembler assembler;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        assembler.feed(bytes.substr(at, chunk), [](std::string_view line) {
            check(!line.empty() && line.size() <= protocol::LineAssembler::kMaxLine && line.back() == '\n');
            check(line.find('\n') == line.size() - 1);
            checkReply(protocol::decodeReply(line));
        });
        check(assembler.pending().size() <= protocol::LineAssembler::kMaxLine);
    }

    // Prefixing adds exactly four bytes per prefixed line and never passes the limit.
    const std::uint8_t device = data[0];
    const std::size_t limit = 1 + (static_cast<std::size_t>(data[0]) * 8);
    std::size_t lines = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        lines += protocol::needsPrefix(bytes, i) ? 1 : 0;
    if (const auto out = protocol::prefixText(bytes, device, limit)) {
        check(out->size() <= limit);
        check(out->size() == bytes.size() + 4 * lines);
        check(lines == 0 || device <= 99);
    } else {
        check((lines > 0 && device > 99) || bytes.size() + 4 * lines > limit);
    }
    return 0;
}
