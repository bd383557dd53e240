#pragma once

#include "sim/DeviceState.h"

#include <string>

namespace korvexsim {

// The EDID images a simulated switcher carries: its two built-in input EDIDs (choices 0 and 1,
// "1080P_2CH(PCM)" and "1080P_ audio5.1") and the sink EDID of the display on each output, a
// different, realistic display per output.
class EdidCatalog {
public:
    static const EdidImage &builtin(int choice); // 0 or 1
    static const EdidImage &sink(int output);    // 1..9

    // An EDID file (.bin) as the console writes it: the first 256 bytes, 0xFF for any a shorter
    // file lacks. False with a reason when it cannot be read.
    static bool readFile(const std::string &path, EdidImage &image, std::string &error);
};

} // namespace korvexsim
