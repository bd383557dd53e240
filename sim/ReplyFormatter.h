#pragma once

#include "sim/DeviceState.h"

#include <string>
#include <vector>

namespace korvexsim {

// Writes a switcher's status lines (without their CR LF). Each line starts with its keyword text at
// the column the console reads it from; numbers the console reads by position are not padded
// where a pad would shift them ("BLW 7", "IN1 EDID 3").
class ReplyFormatter {
public:
    static std::string routing(const DeviceState &s, int output);      // OUT3 VS IN7 / OUT3 VS IN10
    static std::string mvMode(const DeviceState &s);                   // MVW MODE1
    static std::string qvSources(const DeviceState &s);                // QVW VS 1.2.3.4
    static std::string mvAudio(const DeviceState &s, int output);      // OUT3 MAS IN7 / OUT3 MAS IN10
    static std::string borderWidth(const DeviceState &s);              // BLW 12
    static std::string borderColour(const DeviceState &s);             // BLC 255.0.128
    static std::string edidChoice(const DeviceState &s, int input);    // IN1 EDID 13
    static std::string dhcp(const DeviceState &s);                     // DHCP 0
    static std::string hostIp(const DeviceState &s);                   // HIP 192.168.001.100
    static std::string netMask(const DeviceState &s);                  // NMK 255.255.255.000
    static std::string routerIp(const DeviceState &s);                 // RIP 192.168.001.001
    static std::string tcpPort(const DeviceState &s);                  // TIP 8000
    static std::string mac(const DeviceState &s);                      // MAC 00-1C-91-4B-00-01
    static std::string audioMode(const DeviceState &s);                // EXA MODE2
    static std::string audioRouting(const DeviceState &s, int output); // OUT3 EAS IN7
    static std::string audioEnable(const DeviceState &s, int output);  // OUT3 EXA EN / OUT3 EXA DIS
    static std::string irRoute(const DeviceState &s, int output);      // IRT OUT3 IS IN2
    static std::string irExtSwitch(const DeviceState &s);              // IR EXT SW 1.0.1...
    static std::string irEmitter(const DeviceState &s);                // IRC MUX 1.0...
    static std::string rs232(const DeviceState &s);                    // RS MUX 0.1...
    static std::string wallRect(const DeviceState &s, int output);     // OUT3 VW XYZ 0640.0000.1279.0359.090
    static std::string address(const DeviceState &s);                  // ADDR 05
    static std::string probeAnswer(const DeviceState &s);              // KORVEX HDMI MATRIX 9X9 DEVICE 05
    // EDID dump: "EDID OUT3 DATA 00 ff ff ..." or "EDID IN3 2 DATA ...", 256 lower-case pairs.
    static std::string edidDump(const std::string &source, const EdidImage &image);

    // Every status line of the device, each per-output/per-input group complete and in order 1..9.
    static std::vector<std::string> allStatus(const DeviceState &s);
    static std::vector<std::string> lanStatus(const DeviceState &s);
};

} // namespace korvexsim
