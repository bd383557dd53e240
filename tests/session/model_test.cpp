// The device model on a session over a line in memory: what each reply line sets, which device it is
// credited to, and what the observers hear.
#include "protocol/Commands.h"
#include "session/DeviceModel.h"
#include "session/DeviceSession.h"
#include "session/MemoryTransport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using session::DeviceMember;
using session::DeviceMembers;
using session::DeviceState;

// A session on a line in memory with a model attached; `ask` sends "GET STA" to a device first, so
// that the answers are credited to it.
struct ModelLine {
    ModelLine() {
        auto transport = std::make_unique<session::MemoryTransport>();
        line = transport.get();
        session.setTransport(std::move(transport));
        session.open();
        model.attach(session);
    }
    void ask(std::uint8_t device) {
        session.setDeviceByte(device);
        session.SendText(protocol::buildGetStatus());
    }
    void feed(const std::vector<std::string> &lines) {
        for (const std::string &l : lines)
            line->feed(l + "\r\n");
    }
    session::DeviceSession session;
    session::MemoryTransport *line;
    session::DeviceModel model;
};

struct Heard : session::IDeviceModelObserver {
    void onDeviceChanged(std::uint8_t device, DeviceMembers changed) override {
        changes.emplace_back(device, changed);
        if (leaveWhenTold)
            model->removeObserver(this);
    }
    void onDeviceCleared(std::uint8_t device) override { cleared.push_back(device); }
    std::vector<std::pair<std::uint8_t, DeviceMembers>> changes;
    std::vector<std::uint8_t> cleared;
    session::DeviceModel *model = nullptr;
    bool leaveWhenTold = false;
};

TEST(DeviceModel, RepliesSetTheValuesTheyCarryOnTheDeviceAsked) {
    const struct {
        const char *what;
        std::vector<std::string> lines;
        std::function<void(DeviceState &)> expected; // null: the device stays unknown
        std::uint8_t asked = 1;
        std::uint8_t credited = 1;
        std::vector<std::uint8_t> kept = {}; // empty: every device
    } cases[] = {
        {"MV input", {"OUT3 VS IN10"}, [](DeviceState &s) { s.routing[2] = 9; }},
        {"input out of range", {"OUT3 VS IN7", "OUT3 VS IN0"}, [](DeviceState &) {}},
        {"absent input keeps", {"OUT3 VS IN7", "OUT3 VS IN"}, [](DeviceState &s) { s.routing[2] = 6; }},
        {"no output", {"OUTx VS IN4"}, [](DeviceState &) {}},
        {"EDID choices", {"IN9 EDID 13", "IN2 EDID 14"}, [](DeviceState &s) { s.edidChoice[8] = 13; }},
        {"MV audio to all, then a stray",
         {"OUT0 MAS IN10", "OUT4 MAS INx "},
         [](DeviceState &s) {
             s.mvAudio.fill(10);
             s.mvAudio[3].reset();
         }},
        {"QV digits and a short line",
         {"QVW VS 4.3.x.1", "QVW VS 6.7"},
         [](DeviceState &s) {
             s.qvSources = {5, 6, std::nullopt, 0};
         }},
        {"border",
         {"BLW 12", "BLC 5.300.255", "BLW x"},
         [](DeviceState &s) {
             s.borderColour = {5, std::nullopt, 255};
         }},
        {"flags as far as the line goes",
         {"IR EXT SW 1.0.1", "IRC MUX 0.1", "RS MUX 0.0.1.1.0.0.0.0.1"},
         [](DeviceState &s) {
             s.irExtSwitch[0] = 1, s.irExtSwitch[1] = 0, s.irExtSwitch[2] = 1;
             s.irEmitter[0] = 0, s.irEmitter[1] = 1;
             s.rs232 = {0, 0, 1, 1, 0, 0, 0, 0, 1};
         }},
        {"audio",
         {"EXA MODE2", "EXA MODE3", "OUT4 EAS IN9", "OUT6 EXA DIS", "OUT7 EXA EN", "IRT OUT7 IS IN4",
          "IRT OUT8 IS IN5"},
         [](DeviceState &s) {
             s.audioRouting[3] = 8;
             s.audioMute[5] = 1, s.audioMute[6] = 0;
             s.irRoute[6] = 3;
         }},
        {"LAN",
         {"DHCP 1", "HIP 192.168.001.01", "NMK 255.255.255.000", "RIP 010.000.000.001", "RIP 192.168.001.",
          "TIP 80a0", "MAC 00-1C-91-4B-00-01"},
         [](DeviceState &s) {
             s.dhcp = 1;
             s.mask = {255, 255, 255, 0};
             s.router = {192, 168, 1, 1};
             s.tcpPort = "80a0";
             s.mac = "00-1C-91-4B-00-01";
         }},
        {"an empty port is none", {"TIP 8000", "TIP "}, [](DeviceState &) {}},
        {"address at the start only",
         {" ADDR 07", "MVW MODE1", "ADDR 07"},
         [](DeviceState &s) {
             s.mvMode = 1;
             s.address = 7;
         }},
        {"no keyword", {"KORVEX HDMI MATRIX 9X9 DEVICE 01"}, nullptr},
        {"credited to the device asked", {"OUT1 VS IN2"}, [](DeviceState &s) { s.routing[0] = 1; }, 5, 5},
        {"00: every answer is device 0's",
         {"ADDR 01", "ADDR 05"},
         [](DeviceState &s) { s.address = 5; },
         0,
         0},
        {"a device not kept", {"OUT1 VS IN2"}, nullptr, 5, 5, {1, 12}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ModelLine l;
        if (!c.kept.empty())
            l.model.keepOnly(c.kept);
        l.ask(c.asked);
        l.feed(c.lines);
        if (!c.expected) {
            EXPECT_TRUE(l.model.devices().empty());
            continue;
        }
        EXPECT_EQ(l.model.devices(), std::vector<std::uint8_t>{c.credited});
        DeviceState expected;
        c.expected(expected);
        ASSERT_NE(l.model.state(c.credited), nullptr);
        EXPECT_TRUE(*l.model.state(c.credited) == expected);
    }
}

TEST(DeviceModel, ObserversHearWhichMembersChangedAndNothingElse) {
    const std::vector<std::string> burst = {"OUT1 VS IN2", "MVW MODE1", "TIP 8000", "OUT0 MAS IN3 "};
    const struct {
        const char *what;
        std::vector<std::string> before, lines;
        std::vector<DeviceMembers> heard;
    } cases[] = {
        {"a status answer",
         {},
         burst,
         {{DeviceMember::Routing}, {DeviceMember::MvMode}, {DeviceMember::Lan}, {DeviceMember::MvAudio}}},
        {"the same answer again", burst, burst, {}},
        {"a value becomes unknown",
         burst,
         {"OUT1 VS IN0", "TIP "},
         {{DeviceMember::Routing}, {DeviceMember::Lan}}},
        {"absent fields, no keyword", burst, {"OUT1 VS IN", "MVW ", "GARBAGE"}, {}},
        {"a line of several entries",
         {},
         {"BLC 1.2.3", "IR EXT SW 0.0"},
         {{DeviceMember::BorderColour}, {DeviceMember::IrExtSwitch}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ModelLine l;
        Heard heard;
        l.ask(3);
        l.feed(c.before);
        l.model.addObserver(&heard);
        l.feed(c.lines);
        std::vector<DeviceMembers> members;
        for (const auto &[device, changed] : heard.changes) {
            EXPECT_EQ(device, 3);
            members.push_back(changed);
        }
        EXPECT_TRUE(members == c.heard) << members.size() << " reports";
    }
}

TEST(DeviceModel, ObserversMayLeaveWhileToldAndHearClearing) {
    session::DeviceModel model;
    Heard twice, leaver, after;
    leaver.model = &model;
    leaver.leaveWhenTold = true;
    for (Heard *h : {&twice, &twice, &leaver, &after})
        model.addObserver(h);
    model.apply(2, protocol::decodeReply("OUT1 VS IN2"));
    model.apply(2, protocol::decodeReply("OUT1 VS IN3"));
    EXPECT_EQ(twice.changes.size(), 2u);
    EXPECT_EQ(leaver.changes.size(), 1u);
    EXPECT_EQ(after.changes.size(), 2u);

    model.apply(4, protocol::decodeReply("MVW MODE0"));
    model.clearAll();
    EXPECT_EQ(twice.cleared, (std::vector<std::uint8_t>{2, 4}));
    EXPECT_TRUE(model.devices().empty());
    model.clear(2); // nothing known: nothing told
    EXPECT_EQ(after.cleared.size(), 2u);
}

} // namespace
