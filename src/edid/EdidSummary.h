#pragma once

#include <string>

namespace edid {

// The few lines of an EDID's decoded texts that the EDID page shows as its basic information: for each
// key in turn, the characters from the key's first occurrence in its text up to and including the
// next line feed (to the end of the text when no line feed follows). The keys, in order:
// "Manufacture's Name", "Maximum Pixel Clock" and "3D video" from the general text; "Preferred Timing"
// and "Detailed Timing" from the video text (the latter may start inside an "Extension Detailed
// Timing" line); "Audio Format" from the audio text and, only when that was found, "Audio Channel".
std::string summarizeEdid(const std::string &videoText, const std::string &audioText,
                          const std::string &generalText);

} // namespace edid
