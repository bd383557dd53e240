#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// korvexd cuts each client's byte stream into units that go on the shared line whole, so that no
// other client's bytes land in the middle of a command.
namespace share {

enum class UnitKind {
    Text,  // one command line up to and including its LF, with at most one blank line before it
    Frame, // a binary command frame (AA 06 00, length, ..., checksum)
};

// A unit ready for the line. The bytes are valid only during the sink's call.
struct Unit {
    UnitKind kind = UnitKind::Text;
    std::span<const std::uint8_t> bytes;
};

// A unit that must not reach the line. Its bytes are gone: nothing of them is passed.
struct Refusal {
    enum class Reason {
        TooLong,     // longer than the write limit
        BadChecksum, // a frame whose bytes do not sum to 0 modulo 256
        BadLength,   // a frame header whose length cannot hold the frame's own fields
    };
    UnitKind kind = UnitKind::Text;
    Reason reason = Reason::TooLong;
    std::size_t size = 0; // bytes refused (for a too-long frame, as its header says)
};

// One line for the log: "text line of 1500 bytes refused: longer than the write limit (1024)".
std::string describeRefusal(const Refusal &refusal, std::size_t limit);

// Hears the units and refusals as feed() finds them; it must not call back into the cutter.
class IUnitSink {
public:
    virtual ~IUnitSink() = default;
    virtual void onUnit(const Unit &unit) = 0;
    virtual void onRefusal(const Refusal &refusal) = 0;
};

// Cuts one client's bytes, as they arrive in chunks of any size, into units:
// - a text line is everything up to and including LF; a blank line ("\r\n" or "\n") is held and goes
//   out with the line after it, so that "\r\nGET STA\r\n" stays one unit as the console writes it;
// - a frame starts with AA 06 00 at a unit boundary, is as long as its length field says (length
//   + 5 bytes) and passes whatever its bytes hold, LF included, once its checksum is right.
// A unit longer than the limit is refused, never cut: a text line is dropped up to its LF (and
// reported there, with its whole size), a frame is refused from its header and its bytes skipped. At
// most `limit` bytes are ever held, whatever arrives.
class UnitCutter {
public:
    // The smallest limit: a frame without payload.
    static constexpr std::size_t kMinLimit = 10;

    // `limit` is the longest unit that may pass (the session's write limit); below kMinLimit it is
    // raised to kMinLimit.
    explicit UnitCutter(std::size_t limit);

    // Takes the next bytes of the stream; reports every unit and refusal they complete, in order.
    void feed(std::span<const std::uint8_t> bytes, IUnitSink &sink);

    // Forgets everything held (a client that went away, or a fresh start).
    void reset();

    std::size_t limit() const { return m_limit; }
    // Bytes held in memory for the unit being collected (never more than the limit).
    std::size_t heldSize() const { return m_buffer.size(); }
    // Bytes taken that are neither passed nor refused yet: those held, and those of a too-long text
    // line dropped so far (its refusal comes with its LF).
    std::size_t pendingSize() const { return m_buffer.size() + m_dropped; }
    // Bytes still to come of a frame already refused from its header, which will be skipped.
    std::size_t skipRemaining() const { return m_skip; }

private:
    enum class Mode { Start, Header, Text, Frame, DropText };

    void take(std::uint8_t byte, IUnitSink &sink);
    void startUnit(std::uint8_t byte);
    void textByte(std::uint8_t byte, IUnitSink &sink);
    void headerByte(std::uint8_t byte, IUnitSink &sink);
    void frameByte(std::uint8_t byte, IUnitSink &sink);
    void passHeldBlankLine(IUnitSink &sink);
    void pass(UnitKind kind, IUnitSink &sink);
    void refuse(UnitKind kind, Refusal::Reason reason, std::size_t size, IUnitSink &sink);

    std::size_t m_limit;
    Mode m_mode = Mode::Start;
    std::vector<std::uint8_t> m_buffer; // the unit so far, a held blank line first
    std::size_t m_blankLine = 0;        // length of the held blank line at the front of m_buffer
    std::size_t m_frameSize = 0;        // the frame's whole size, once its length field is in
    std::size_t m_dropped = 0;          // bytes of a too-long text line dropped so far
    std::size_t m_skip = 0;             // bytes of a refused frame still to skip
};

} // namespace share
