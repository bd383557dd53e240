#pragma once

#include "edid/EdidImage.h"

#include <functional>
#include <string>
#include <string_view>

namespace edid {

// The pure half of reading an EDID from a switcher port: recognising and reading the device's dump
// line, and naming the numbered .bin file it is saved to.

// A dump line carries both "EDID " and "DATA " (case as written); any other line is not one.
bool isEdidDumpLine(std::string_view line);

// The image a dump line carries: after the first "DATA ", each byte is the next pair of lower-case
// hexadecimal digits (whatever separates the pairs is skipped; only the first 2000 characters of the
// line are looked at). The bytes start at 0xFF and the parse ends at the first pair that is cut off
// or whose second character is not a lower-case hexadecimal digit, so a short or broken dump leaves
// 0xFF where it ran out. A line without "DATA " gives all 0xFF.
EdidImage parseEdidDump(std::string_view line);

// The stem of the capture files of one port: "Matrix_EDID_out3_" for output 3, "Matrix_EDID_inp3_"
// for input 3.
enum class EdidPortKind { Output, Input };
std::string edidCaptureStem(EdidPortKind kind, int port);

// stem, the number as two digits, ".bin": "Matrix_EDID_out3_07.bin".
std::string edidCaptureFileName(const std::string &stem, int number);

// The first of the numbers 00..99 whose file does not exist yet; when all 100 exist, the 99th is
// taken again (and replaced).
std::string nextEdidCaptureFileName(const std::string &stem,
                                    const std::function<bool(const std::string &)> &exists);

} // namespace edid
