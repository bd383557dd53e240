// A device state as JSON: the whole state as korvex-ctl's "status --json" prints it, and the members
// a change touched.
#include "session/DeviceStateJson.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace {

using session::DeviceMember;
using session::DeviceState;

TEST(DeviceStateJson, HoldsWhatIsKnownInTheSimulatorsOrder) {
    const struct {
        std::function<void(DeviceState &)> set;
        std::string json;
        std::optional<session::DeviceMembers> changed = std::nullopt; // the JSON of a change instead
    } cases[] = {
        {[](DeviceState &) {}, "{}"},
        {[](DeviceState &s) { s.routing[2] = 9; },
         R"({"routing":[null,null,9,null,null,null,null,null,null]})"},
        {[](DeviceState &s) { s.mvAudio.fill(10); }, R"({"mvAudio":[10,10,10,10,10,10,10,10,10]})"},
        {[](DeviceState &s) {
             s.qvSources = {3, 2, std::nullopt, 0};
         },
         R"({"qvSources":[3,2,null,0]})"},
        {[](DeviceState &s) { s.irExtSwitch[1] = 0; },
         R"({"irExtSwitch":[null,0,null,null,null,null,null,null,null,null,null,null,null]})"},
        {[](DeviceState &s) {
             s.rs232[8] = 1;
             s.borderColour = {5, 10, 255};
             s.borderWidth = 1;
             s.edidChoice[8] = 13;
             s.address = 7;
         },
         R"({"address":7,"borderWidth":1,"borderColour":[5,10,255],)"
         R"("edidChoice":[null,null,null,null,null,null,null,null,13],)"
         R"("rs232":[null,null,null,null,null,null,null,null,1]})"},
        {[](DeviceState &s) {
             s.tcpPort = "0080";
             s.dhcp = 0;
             s.router = {10, 0, 0, 1};
         },
         R"({"lan":{"dhcp":0,"router":"10.0.0.1","tcpPort":80}})"},
        // Device texts: control bytes and Latin-1 characters escaped, a port that is no number as text.
        {[](DeviceState &s) {
             s.tcpPort = "80a\"";
             s.mac = "00-1C\x01\xe9\\";
         },
         R"({"lan":{"tcpPort":"80a\"","mac":"00-1C\u0001\u00e9\\"}})"},
        {[](DeviceState &s) {
             s.routing[0] = 1;
             s.host = {192, 168, 1, 100};
             s.audioMode = 2;
         },
         R"({"routing":[1,null,null,null,null,null,null,null,null],"mvMode":null,)"
         R"("lan":{"dhcp":null,"host":"192.168.1.100","mask":null,"router":null,"tcpPort":null,"mac":null}})",
         session::DeviceMembers{DeviceMember::Lan, DeviceMember::MvMode, DeviceMember::Routing}},
    };
    for (const auto &c : cases) {
        DeviceState state;
        c.set(state);
        EXPECT_EQ(session::jsonText(c.changed ? session::toJson(state, *c.changed) : session::toJson(state)),
                  c.json);
    }
}

} // namespace
