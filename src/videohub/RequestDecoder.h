#pragma once

#include "videohub/BlockFormat.h"
#include "videohub/BlockReader.h"

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

// Decoding of one block a client sent into what it asks of the router. A request is either taken
// whole or refused whole: one bad line refuses the block (the endpoint answers NAK and changes
// nothing), so a client never sees half of a routing change it sent as one block. Indexes are the
// protocol's, from 0.
namespace videohub {

// The size of the router requests are checked against.
struct RouterSize {
    int inputs = 0;
    int outputs = 0;
};

// "VIDEO OUTPUT ROUTING:" with lines "<output> <input>". Several lines of one block may name the same
// output; they are carried in order and the last one stands.
struct RouteRequest {
    struct Route {
        int output;
        int input;
        friend bool operator==(const Route &, const Route &) = default;
    };
    std::vector<Route> routes;
    friend bool operator==(const RouteRequest &, const RouteRequest &) = default;
};

enum class PortSide { Input, Output };

// "INPUT LABELS:" or "OUTPUT LABELS:" with lines "<index> <label>", the label being the rest of the
// line after the index and one blank, kept as sent. An empty label is allowed: it clears the port's
// name, and korvexd then shows its default one.
struct LabelRequest {
    struct Label {
        int index;
        std::string text;
        friend bool operator==(const Label &, const Label &) = default;
    };
    PortSide side;
    std::vector<Label> labels;
    friend bool operator==(const LabelRequest &, const LabelRequest &) = default;
};

// "VIDEO OUTPUT LOCKS:" with lines "<output> O|U|F": lock for oneself, unlock one's own lock, force
// another client's lock open. Whether the router can do it is the endpoint's to decide.
enum class LockAction { Own, Release, Force };
struct LockRequest {
    struct Lock {
        int output;
        LockAction action;
        friend bool operator==(const Lock &, const Lock &) = default;
    };
    std::vector<Lock> locks;
    friend bool operator==(const LockRequest &, const LockRequest &) = default;
};

// A status block's header alone: send that block again.
struct BlockQuery {
    StatusBlock block;
    friend bool operator==(const BlockQuery &, const BlockQuery &) = default;
};

// "PING:": answered with ACK; any lines in it are ignored.
struct Ping {
    friend bool operator==(const Ping &, const Ping &) = default;
};

// A block the router does not take from a client: unknown blocks, blocks only a server sends, and
// blocks for ports we do not have. No answer, nothing changes.
struct Ignored {
    friend bool operator==(const Ignored &, const Ignored &) = default;
};

// Why a block is refused with NAK.
enum class NakReason {
    MalformedLine,   // not "<index> <value>": no blank, or an index or input that is not a decimal number
    IndexOutOfRange, // the port the line is about does not exist
    InputOutOfRange, // a route from an input that does not exist
    BadLockLetter,   // a lock line whose value is not O, U or F
    BadLabel,        // a label that is not UTF-8 or holds control characters
    LabelTooLong,    // a label over kMaxLabel code points
};
struct Malformed {
    NakReason reason;
    std::size_t line; // the offending line, 0 for the first one after the header
    friend bool operator==(const Malformed &, const Malformed &) = default;
};

using Request = std::variant<RouteRequest, LabelRequest, LockRequest, BlockQuery, Ping, Ignored, Malformed>;

// korvexd's names hold at most 32 characters.
inline constexpr std::size_t kMaxLabel = 32;

Request decodeRequest(const Block &block, RouterSize size);

} // namespace videohub
