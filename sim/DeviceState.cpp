#include "sim/DeviceState.h"

#include "sim/EdidCatalog.h"

#include <cstdio>

namespace korvexsim {

DeviceState DeviceState::factory(int address) {
    DeviceState s;
    s.address = address;
    for (int i = 0; i < 9; ++i) {
        s.routing[i] = i + 1;
        s.mvAudio[i] = 1;
        s.audioRouting[i] = i + 1;
        s.irRoute[i] = 1;
        s.irEmitter[i] = 1;
        s.userEdid[i].fill(EdidCatalog::builtin(0));
        s.sinkEdid[i] = EdidCatalog::sink(i + 1);
    }
    s.qvSources = {1, 2, 3, 4};
    s.borderColour = {255, 255, 255};
    for (int i = 0; i < 9; ++i)
        s.irExtSwitch[i] = 1;
    // The MAC is the device's own and follows the address it was installed with.
    char mac[18];
    std::snprintf(mac, sizeof mac, "00-1C-91-4B-00-%02X", address & 0xFF);
    s.mac = mac;
    return s;
}

} // namespace korvexsim
