// The device session over a line in memory: what goes on the line, and how received bytes reach
// the reply sinks.
#include "session/DeviceSession.h"
#include "session/MemoryTransport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Recorder : session::IReplySink, session::ISessionObserver {
    void onReply(const protocol::Reply &reply) override { replies.push_back(reply); }
    bool takesRawLines() const override { return takeRaw; }
    void onRawLine(std::string_view line) override {
        raw.emplace_back(line);
        takeRaw = false;
    }
    void onLinkReset() override { ++resets; }
    void onLineSeen(std::string_view) override { ++seen; }
    void onLineDropped() override { ++drops; }

    std::vector<protocol::Reply> replies;
    std::vector<std::string> raw;
    bool takeRaw = false;
    int resets = 0, seen = 0, drops = 0;
};

struct Line {
    Line() {
        auto transport = std::make_unique<session::MemoryTransport>();
        line = transport.get();
        session.setTransport(std::move(transport));
        session.addObserver(&recorder);
        session.addReplySink(&recorder);
        session.open();
    }
    session::DeviceSession session;
    session::MemoryTransport *line;
    Recorder recorder;
};

} // namespace

TEST(Session, SendsTextWithThePrefixAndFramesOnlyWhenOn) {
    using session::SendStatus;
    struct Case {
        const char *what;
        bool portOn;
        int device;
        std::string text;         // a text, or empty for a frame
        std::size_t framePayload; // the frame's payload length
        SendStatus status;
        std::size_t wireBytes; // bytes that went out
        std::string wire;      // their text, when it is one
    };
    const Case cases[] = {
        {"prefix on each line", false, 5, "\r\nSET OUT3 VS IN7 \r\nGET STA\r\n", 0, SendStatus::Sent, 0,
         "\r\nA05 SET OUT3 VS IN7 \r\nA05 GET STA\r\n"},
        {"own address kept", true, 5, "\r\nA00 GET ADDR\r\n", 0, SendStatus::Sent, 0, "\r\nA00 GET ADDR\r\n"},
        {"too long once prefixed", true, 1, "\r\n" + std::string(1020, 'X'), 0, SendStatus::Refused, 0, ""},
        {"frame, size before port", false, 1, "", 291, SendStatus::TooMuchParameter, 0, ""},
        {"frame with the port off", false, 1, "", 0, SendStatus::PortOff, 0, ""},
        {"largest frame", true, 1, "", 290, SendStatus::Sent, 300, ""},
        {"short frame", true, 7, "", 0, SendStatus::Sent, 10, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Line l;
        l.session.setPortOn(c.portOn);
        l.session.setDeviceByte(static_cast<std::uint8_t>(c.device));
        if (!c.text.empty()) {
            EXPECT_EQ(l.session.SendText(c.text), c.status);
            EXPECT_EQ(l.line->written, c.wire);
            continue;
        }
        const std::vector<std::uint8_t> payload(c.framePayload, 0x5A);
        EXPECT_EQ(l.session.SendFrame(0x7802, payload), c.status);
        ASSERT_EQ(l.line->written.size(), c.wireBytes);
        if (c.wireBytes == 0)
            continue;
        const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(l.line->written[i]); };
        EXPECT_EQ(byte(0), 0xAA);
        EXPECT_EQ(byte(3) | byte(4) << 8, c.wireBytes - 5) << "length field";
        EXPECT_EQ(byte(6), c.device);
        unsigned sum = 0;
        for (std::size_t i = 0; i < c.wireBytes; ++i)
            sum += byte(i);
        EXPECT_EQ(sum % 256, 0u) << "checksum";
    }
}

TEST(Session, ReceivedLinesAreTakenRawOrDecodedOnceForEverySink) {
    Line l;
    Recorder second;
    l.session.addReplySink(&second);
    l.session.addReplySink(&second); // held once
    // A line split over chunks, a raw taker's line, then a line the taker no longer wants.
    l.line->feed("\r\nOUT3 VS ");
    l.line->feed("IN7 \r\n");
    l.recorder.takeRaw = true;
    l.line->feed("OUT1 EDID DATA 00ff\r\nOUT2 VS IN1 \r\n");
    EXPECT_EQ(l.recorder.raw, std::vector<std::string>{"OUT1 EDID DATA 00ff\r\n"});
    ASSERT_EQ(l.recorder.replies.size(), 3u); // "\r\n", "OUT3 ...", "OUT2 ..."
    EXPECT_EQ(second.replies, l.recorder.replies);
    EXPECT_EQ(l.recorder.seen, 3);
    EXPECT_EQ(std::get<protocol::RoutingReply>(l.recorder.replies[1]).input, 7);
    EXPECT_EQ(l.session.counters().lines, 4u);
}

TEST(Session, ASinkMayLeaveWhileARecordIsHandedOut) {
    Line l;
    struct Leaver : session::IReplySink {
        void onReply(const protocol::Reply &) override {
            ++heard;
            session->removeReplySink(other);
        }
        session::DeviceSession *session = nullptr;
        session::IReplySink *other = nullptr;
        int heard = 0;
    } leaver;
    Recorder after;
    leaver.session = &l.session;
    leaver.other = &after;
    l.session.removeReplySink(&l.recorder);
    l.session.addReplySink(&leaver);
    l.session.addReplySink(&after);
    l.line->feed("OUT2 VS IN1 \r\n");
    EXPECT_EQ(leaver.heard, 1);
    EXPECT_TRUE(after.replies.empty()) << "a sink that left is not called";
}

TEST(Session, ADropIsReportedOnceAndNothingIsReadAfterIt) {
    Line l;
    l.line->drop();
    l.line->drop();
    EXPECT_EQ(l.recorder.drops, 1);
    l.session.receive(reinterpret_cast<const std::uint8_t *>("OUT2 VS IN1 \r\n"), 14);
    EXPECT_TRUE(l.recorder.replies.empty());
    EXPECT_EQ(l.session.SendText("\r\nGET STA\r\n"), session::SendStatus::Refused);
    // Closing tells every sink; a new opening reads again and may report a new drop.
    l.session.close();
    EXPECT_EQ(l.recorder.resets, 1);
    ASSERT_TRUE(l.session.open());
    l.line->feed("OUT2 VS IN1 \r\n");
    EXPECT_EQ(l.recorder.replies.size(), 1u);
    l.line->drop();
    EXPECT_EQ(l.recorder.drops, 2);
}
