#include "videohub/StatusBlocks.h"

#include <gtest/gtest.h>

#include <functional>

namespace videohub {
namespace {

// Device 05 with output 8's routing not yet known; client 1 holds output 1's lock, client 2 output 2's.
RouterState router() {
    RouterState state = korvexRouter(5);
    state.present = true;
    state.uniqueId = "001A2B3C4D5E";
    state.routing = {0, 1, 2, 3, 4, 5, 6, 9, std::nullopt};
    state.lockOwners[1] = 1;
    state.lockOwners[2] = 2;
    state.inputLabels[3] = "Cam\nera";
    return state;
}

const std::string kPreamble = "PROTOCOL PREAMBLE:\nVersion: 2.3\n\n";
const std::string kEndPrelude = "END PRELUDE:\n\n";
const std::string kStatus =
    "VIDEOHUB DEVICE:\nDevice present: true\nModel name: Korvex 9x9 HDMI Matrix\n"
    "Friendly name: Korvex 05\nUnique ID: 001A2B3C4D5E\nVideo inputs: 10\n"
    "Video processing units: 0\nVideo outputs: 9\nVideo monitoring outputs: 0\n"
    "Serial ports: 0\n\n"
    "INPUT LABELS:\n0 in1\n1 in2\n2 in3\n3 Cam era\n4 in5\n5 in6\n6 in7\n7 in8\n8 in9\n"
    "9 MV\n\n"
    "OUTPUT LABELS:\n0 Out1\n1 Out2\n2 Out3\n3 Out4\n4 Out5\n5 Out6\n6 Out7\n7 Out8\n"
    "8 Out9\n\n"
    "VIDEO OUTPUT LOCKS:\n0 U\n1 O\n2 L\n3 U\n4 U\n5 U\n6 U\n7 U\n8 U\n\n"
    "VIDEO OUTPUT ROUTING:\n0 0\n1 1\n2 2\n3 3\n4 4\n5 5\n6 6\n7 9\n\n";
const std::string kAbsent = "VIDEOHUB DEVICE:\nDevice present: false\n\n";

TEST(VideohubStatus, InitialDumpAsClientOneSeesIt) {
    RouterState absent = router();
    absent.present = false;
    EXPECT_EQ(initialDump(router(), 1), kPreamble + kStatus + kEndPrelude);
    EXPECT_EQ(initialDump(absent, 1), kPreamble + kAbsent + kEndPrelude);
}

TEST(VideohubStatus, UpdatesCarryOnlyWhatTheClientSeesChange) {
    struct UpdateCase {
        const char *name;
        std::function<void(RouterState &before, RouterState &after)> change;
        ClientId viewer;
        std::string expected;
    };
    const UpdateCase cases[] = {
        {"nothing", [](RouterState &, RouterState &) {}, 1, ""},
        {"route", [](RouterState &, RouterState &a) { a.routing[7] = 2; }, 1,
         "VIDEO OUTPUT ROUTING:\n7 2\n\n"},
        {"route now known", [](RouterState &, RouterState &a) { a.routing[8] = 9; }, 1,
         "VIDEO OUTPUT ROUTING:\n8 9\n\n"},
        {"route no longer known", [](RouterState &, RouterState &a) { a.routing[0].reset(); }, 1, ""},
        {"labels",
         [](RouterState &, RouterState &a) {
             a.inputLabels[9] = "Multiview";
             a.outputLabels[0] = "Stage";
             a.outputLabels[8] = "Booth";
         },
         1, "INPUT LABELS:\n9 Multiview\n\nOUTPUT LABELS:\n0 Stage\n8 Booth\n\n"},
        {"lock taken, seen by its owner", [](RouterState &, RouterState &a) { a.lockOwners[4] = 1; }, 1,
         "VIDEO OUTPUT LOCKS:\n4 O\n\n"},
        {"lock taken, seen by another", [](RouterState &, RouterState &a) { a.lockOwners[4] = 1; }, 2,
         "VIDEO OUTPUT LOCKS:\n4 L\n\n"},
        {"lock passes between others", [](RouterState &, RouterState &a) { a.lockOwners[2] = 3; }, 1, ""},
        {"lock passes to the viewer", [](RouterState &, RouterState &a) { a.lockOwners[2] = 1; }, 1,
         "VIDEO OUTPUT LOCKS:\n2 O\n\n"},
        {"lock forced open", [](RouterState &, RouterState &a) { a.lockOwners[1].reset(); }, 2,
         "VIDEO OUTPUT LOCKS:\n1 U\n\n"},
        {"name", [](RouterState &, RouterState &a) { a.friendlyName = "Korvex 06"; }, 1,
         "VIDEOHUB DEVICE:\nDevice present: true\nModel name: Korvex 9x9 HDMI Matrix\n"
         "Friendly name: Korvex 06\nUnique ID: 001A2B3C4D5E\nVideo inputs: 10\nVideo processing units: 0\n"
         "Video outputs: 9\nVideo monitoring outputs: 0\nSerial ports: 0\n\n"},
        {"device gone", [](RouterState &, RouterState &a) { a.present = false; }, 1, kAbsent},
        {"changes while gone",
         [](RouterState &b, RouterState &a) {
             b.present = a.present = false;
             a.routing[7] = 2;
         },
         1, ""},
        {"device back", [](RouterState &b, RouterState &) { b.present = false; }, 1, kStatus},
    };
    for (const UpdateCase &c : cases) {
        SCOPED_TRACE(c.name);
        RouterState before = router();
        RouterState after = router();
        c.change(before, after);
        EXPECT_EQ(statusUpdate(before, after, c.viewer), c.expected);
    }
}

} // namespace
} // namespace videohub
