#include "videohub/BlockReader.h"

namespace videohub {

std::vector<Block> BlockReader::feed(std::string_view bytes) {
    std::vector<Block> done;
    while (!m_failed && !bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        // One byte of slack for the CR of a CR LF that has not reached its LF yet.
        if (m_line.size() + piece.size() > kMaxLine + 1) {
            fail();
            break;
        }
        m_line.append(piece);
        if (end == std::string_view::npos)
            break;
        bytes.remove_prefix(end + 1);
        if (!m_line.empty() && m_line.back() == '\r')
            m_line.pop_back();
        if (m_line.size() > kMaxLine) {
            fail();
            break;
        }
        takeLine(done);
        m_line.clear();
    }
    return done;
}

void BlockReader::takeLine(std::vector<Block> &done) {
    if (m_line.empty()) {
        if (m_inBlock)
            done.push_back(std::move(m_block));
        m_block = {};
        m_inBlock = false;
        m_blockBytes = 0;
        return;
    }
    m_blockBytes += m_line.size() + 1;
    if (m_blockBytes > kMaxBlock)
        return fail();
    if (m_inBlock) {
        m_block.lines.push_back(m_line);
    } else {
        m_block.header = m_line;
        m_inBlock = true;
    }
}

void BlockReader::fail() {
    m_failed = true;
    m_line = {};
    m_block = {};
}

} // namespace videohub
