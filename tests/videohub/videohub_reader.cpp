#include "videohub/BlockReader.h"

#include <gtest/gtest.h>

namespace videohub {
namespace {

struct ReaderCase {
    const char *name;
    std::string bytes;
    std::vector<Block> blocks;
    bool failed = false;
};

std::string manyLines(std::size_t count, const std::string &line) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += line + '\n';
    return out;
}

TEST(VideohubReader, BlocksComeOutWholeHoweverTheBytesArrive) {
    const std::string longest(BlockReader::kMaxLine, 'x');
    const ReaderCase cases[] = {
        {"LF", "PING:\n\n", {{"PING:", {}}}},
        {"CR LF", "VIDEO OUTPUT ROUTING:\r\n7 2\r\n3 1\r\n\r\n", {{"VIDEO OUTPUT ROUTING:", {"7 2", "3 1"}}}},
        {"stray blank lines",
         "\n\r\nPING:\n\n\n\nINPUT LABELS:\n0 A\n\n",
         {{"PING:", {}}, {"INPUT LABELS:", {"0 A"}}}},
        {"unfinished block", "INPUT LABELS:\n0 A\n", {}},
        {"a lone CR stays in its line", "INPUT LABELS:\n0 a\rb\n\n", {{"INPUT LABELS:", {"0 a\rb"}}}},
        {"longest line", "INPUT LABELS:\n" + longest + "\r\n\n", {{"INPUT LABELS:", {longest}}}},
        {"line too long, nothing read after it",
         "PING:\n\n" + longest + "x\nPING:\n\n",
         {{"PING:", {}}},
         true},
        {"flood without line end", std::string(3 * BlockReader::kMaxLine, 'x'), {}, true},
        {"block too long", "INPUT LABELS:\n" + manyLines(BlockReader::kMaxBlock / 4, "0 x") + "\n", {}, true},
    };
    for (const ReaderCase &c : cases) {
        for (const std::size_t chunk : {c.bytes.size(), std::size_t{1}, std::size_t{7}}) {
            SCOPED_TRACE(std::string(c.name) + ", chunk " + std::to_string(chunk));
            BlockReader reader;
            std::vector<Block> blocks;
            for (std::size_t at = 0; at < c.bytes.size(); at += chunk)
                for (Block &block : reader.feed(std::string_view(c.bytes).substr(at, chunk)))
                    blocks.push_back(std::move(block));
            EXPECT_EQ(blocks, c.blocks);
            EXPECT_EQ(reader.failed(), c.failed);
        }
    }
}

} // namespace
} // namespace videohub
