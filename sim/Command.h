#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvexsim {

// What a command line or frame asks a switcher to do, after the wire text has been read and its
// fields range-checked. Output number 0 means all outputs where the command allows it.
enum class CommandKind {
    GetStatus,       // GET STA
    GetAddress,      // GET ADDR
    SetAddress,      // SET ADDR nn                    value = new address
    SetMvMode,       // SET MVW MODEm / SET QVW MODEm  value = mode 0/1
    SetQvSources,    // SET QVW VS a.b.c.d             values = 4 inputs 1..9, 0 = keep
    SetMvAudio,      // SET OUTo MAS INs               port = output, value = 1..9 or 10 (mute)
    SetRouting,      // SET OUTo VS INs                port = output, value = 1..9 or 10 (MV)
    SetBorderWidth,  // SET BLW nnn                    value = 0..15
    SetBorderColour, // SET BLC rrr.ggg.bbb            values = red, green, blue
    SetEdidChoice,   // SET INi EDID cc                port = input, value = 0..13
    GetOutputEdid,   // GET OUTo EDID  DATA            port = output 1..9
    GetInputEdid,    // GET INi EDID c DATA            port = input, value = choice 0..4
    LoadUserEdid,    // SET INi EDID Uu DATA hh hh ... port = input, value = slot 1..3, edid
    SetDhcp,         // SET DHCP d                     value = 0/1
    SetHostIp,       // SET HIP a.b.c.d                values = 4 octets
    SetNetMask,      // SET NMK a.b.c.d
    SetRouterIp,     // SET RIPa.b.c.d (blank optional)
    SetTcpPort,      // SET TIP pppp                   value = 1..9999
    SetMac,          // SET MAC xx-xx-xx-xx-xx-xx      text = the 17 characters
    ResetLan,        // binary frame, code 0x7802
    SetAudioMode,    // SET EXA MODEm                  value = 0..2
    SetAudioRouting, // SET OUTo EAS INj               port = output, value = input 1..9
    SetAudioEnable,  // SET k EXA EN / DIS             port = output, value = 0 on, 1 mute
    SetIrRoute,      // SET IRT OUTo IS INs            port = output, value = 1..4
    SetIrExtSwitch,  // SET IR EXT SW f.f...           values = 13 flags
    SetIrEmitter,    // SET IRC MUX f.f...             values = 9 flags
    SetRs232,        // SET RS MUX f.f...              values = 9 flags
    SetWallRect,     // SET OUTo VW XYZ ...            port = output, values = x1,y1,x2,y2,rotation
    Probe,           // >@
};

struct Command {
    CommandKind kind = CommandKind::GetStatus;
    int port = 0;
    int value = 0;
    std::vector<int> values;
    std::string text;
    std::array<std::uint8_t, 256> edid{};
};

} // namespace korvexsim
