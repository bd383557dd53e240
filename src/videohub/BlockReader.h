#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace videohub {

// One block as a client sent it: its first line ("VIDEO OUTPUT ROUTING:") and the lines up to the
// blank line that ended it, all without their line ends.
struct Block {
    std::string header;
    std::vector<std::string> lines;
    friend bool operator==(const Block &, const Block &) = default;
};

// Cuts one client's bytes, as they arrive in pieces, into lines (LF or CR LF) and the lines into
// blocks. Any non-blank line outside a block opens one; blank lines between blocks are skipped. A
// line over kMaxLine bytes, or a block whose lines pass kMaxBlock bytes, cannot be a request to a
// router of our size: the reader fails, reads nothing more, and the endpoint closes the client.
class BlockReader {
public:
    static constexpr std::size_t kMaxLine = 4096;   // bytes of one line, its line end excluded
    static constexpr std::size_t kMaxBlock = 65536; // bytes of one block's lines together

    // Takes the next bytes and returns the blocks they complete, in order.
    std::vector<Block> feed(std::string_view bytes);

    bool failed() const { return m_failed; }

private:
    void takeLine(std::vector<Block> &done);
    void fail();

    std::string m_line; // the unfinished line, a CR before its LF included
    Block m_block;
    bool m_inBlock = false;
    std::size_t m_blockBytes = 0;
    bool m_failed = false;
};

} // namespace videohub
