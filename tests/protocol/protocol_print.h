#pragma once

// Readable gtest output for reply records and wire bytes.

#include "protocol/ReplyDecoder.h"

#include <ostream>
#include <string>
#include <string_view>

namespace protocol {

inline std::string escapeBytes(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (b < 0x20 || b > 0x7E)
            out += std::string("\\x") + kHex[b >> 4] + kHex[b & 0x0F];
        else
            out += c;
    }
    return out;
}

namespace print_detail {

template <typename T> void field(std::ostream &os, const char *name, const std::optional<T> &v) {
    os << ' ' << name << '=';
    if (!v)
        os << '-';
    else if constexpr (std::is_same_v<T, std::string>)
        os << '"' << escapeBytes(*v) << '"';
    else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, bool>)
        os << static_cast<int>(*v);
    else
        os << *v;
}

template <typename T, std::size_t N>
void field(std::ostream &os, const char *name, const std::array<std::optional<T>, N> &values) {
    os << ' ' << name << "=[";
    for (std::size_t i = 0; i < N; ++i) {
        if (i > 0)
            os << ',';
        if (values[i])
            os << static_cast<int>(*values[i]);
        else
            os << '-';
    }
    os << ']';
}

struct Printer {
    std::ostream &os;
    void operator()(const NoKeyword &) const {}
    void operator()(const RoutingReply &r) const {
        field(os, "output", r.output), field(os, "input", r.input);
    }
    void operator()(const EdidChoiceReply &r) const {
        field(os, "input", r.input), field(os, "choice", r.choice);
    }
    void operator()(const MacReply &r) const { field(os, "mac", r.mac); }
    void operator()(const IpAddressFields &r) const { field(os, "octets", r.octets); }
    void operator()(const TcpPortReply &r) const { os << " text=\"" << escapeBytes(r.text) << '"'; }
    void operator()(const DhcpReply &r) const { field(os, "enabled", r.enabled); }
    void operator()(const AudioRouteReply &r) const {
        field(os, "output", r.output), field(os, "input", r.input);
    }
    void operator()(const AudioOnReply &r) const {
        field(os, "output", r.output), field(os, "muted", r.muted);
    }
    void operator()(const AudioModeReply &r) const { field(os, "mode", r.mode); }
    void operator()(const RsMuxReply &r) const { field(os, "outputs", r.outputs); }
    void operator()(const IrRouteReply &r) const {
        field(os, "output", r.output), field(os, "source", r.source);
    }
    void operator()(const IrSwitchReply &r) const {
        field(os, "hdbt", r.hdbt), field(os, "external", r.external);
    }
    void operator()(const IrEmitterReply &r) const { field(os, "outputs", r.outputs); }
    void operator()(const MvModeReply &r) const { field(os, "mode", r.mode); }
    void operator()(const QvSourcesReply &r) const { field(os, "digits", r.digits); }
    void operator()(const BorderColourReply &r) const {
        field(os, "red", r.red), field(os, "green", r.green), field(os, "blue", r.blue);
    }
    void operator()(const BorderWidthReply &r) const { field(os, "width", r.width); }
    void operator()(const MvAudioReply &r) const {
        field(os, "output", r.output), field(os, "source", r.source);
    }
    void operator()(const AddressReply &r) const { field(os, "address", r.address); }
};

} // namespace print_detail

// gtest finds this by argument-dependent lookup.
inline void PrintTo(const Reply &reply, std::ostream *os) {
    *os << "row " << reply.index() << " {";
    std::visit(print_detail::Printer{*os}, reply);
    *os << " }";
}

} // namespace protocol
