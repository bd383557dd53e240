// The line traffic log and its window: how bytes become shown lines, and the 10,000-line bound.
#include "pages/traffic/CTrafficDlg.h"
#include "session/MemoryTransport.h"
#include "session/TrafficLog.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> texts(const session::TrafficLog &log) {
    std::vector<std::string> out;
    for (const session::TrafficLog::Entry &e : log.entries())
        out.push_back((e.direction == session::TrafficLog::Direction::Sent ? ">> " : "<< ") +
                      session::TrafficLog::asText(e.bytes));
    return out;
}

} // namespace

TEST(TrafficLog, BytesBecomeOneEntryPerLine) {
    struct Case {
        const char *name;
        std::vector<std::pair<bool, std::string>> chunks; // sent?, bytes
        std::vector<std::string> shown;
    };
    const std::string frame("\xAA\x06\x00\x05\x00\x00\x01\x02\x78\xD0", 10);
    const Case cases[] = {
        {"one command", {{true, "\r\nA01 GET STA\r\n"}}, {">> \\r\\nA01 GET STA\\r\\n"}},
        {"two commands in one request",
         {{true, "\r\nA07 SET BLW 015\r\n\r\nA07 SET BLC 255.000.128\r\n"}},
         {">> \\r\\nA07 SET BLW 015\\r\\n", ">> \\r\\nA07 SET BLC 255.000.128\\r\\n"}},
        {"a line without line ends (an EDID upload)",
         {{true, "SET IN1 EDID U1 DATA 00 FF"}},
         {">> SET IN1 EDID U1 DATA 00 FF"}},
        {"a command frame stays whole",
         {{true, frame}},
         {">> \\xAA\\x06\\x00\\x05\\x00\\x00\\x01\\x02x\\xD0"}},
        {"received lines cut across chunks",
         {{false, "OUT1 VS I"}, {false, "N3 \r\nMVW MO"}, {false, "DE1\r\n"}},
         {"<< OUT1 VS IN3 \\r\\n", "<< MVW MODE1\\r\\n"}},
        {"garbage is escaped", {{false, std::string("\x01\\\x7F\xFF\n", 5)}}, {"<< \\x01\\\\\\x7F\\xFF\\n"}},
    };
    for (const Case &c : cases) {
        session::TrafficLog log;
        for (const auto &[sent, bytes] : c.chunks)
            sent ? log.recordSent(bytes, 0) : log.recordReceived(bytes, 0);
        EXPECT_EQ(texts(log), c.shown) << c.name;
    }
    EXPECT_EQ(session::TrafficLog::asHex(frame), "AA 06 00 05 00 00 01 02 78 D0");
}

TEST(TrafficWindow, TheLineAfterTheLastKeptDropsTheFirst) {
    // The window hears the session's line as the console's does.
    session::DeviceSession session;
    auto owned = std::make_unique<session::MemoryTransport>();
    session::MemoryTransport &line = *owned;
    session.setTransport(std::move(owned));
    ASSERT_TRUE(session.open());
    CTrafficDlg window(&session);
    window.show();
    for (int i = 1; i <= 10001; ++i)
        line.feed("LINE " + std::to_string(i) + "\n");
    EXPECT_EQ(window.log().entries().size(), 10000u);
    EXPECT_EQ(window.log().dropped(), 1u);
    auto *view = window.findChild<QPlainTextEdit *>("Traffic");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->document()->blockCount(), 10000);
    EXPECT_TRUE(view->document()->firstBlock().text().endsWith("<< LINE 2\\n"));
    EXPECT_TRUE(view->document()->lastBlock().text().endsWith("<< LINE 10001\\n"));
}
