#pragma once

#include "edid/EdidImage.h"

#include <string>
#include <string_view>

namespace edid {

// The EDID inputs people have on a Linux desk, told apart by their bytes:
// - raw EDID of any length: a .bin file, or /sys/class/drm/*/edid (empty when no display is attached);
// - a text of hex pairs, upper or lower case, separated by any white space or run together on one line.
//   This covers what `edid-decode --output-format hex` writes: the bare dump, or its report, whose hex
//   dump under "edid-decode (hex):" ends at the first line of dashes;
// - the output of `xrandr --verbose`: the hex lines under the first "EDID:" property.
// A text must hold whole 128-byte blocks: a shorter dump is a cut-off copy, not an EDID.

// The EDID bytes the content holds, all of them. Returns false, with a one-line reason in error,
// when it holds none or a text is malformed.
bool extractEdidBytes(std::string_view content, std::string &bytes, std::string &error);

// Reads a file of any of those kinds into an image as the console reads a .bin: its first 256 EDID
// bytes, 0xFF for the bytes it lacks. Returns false, leaving image untouched and a one-line reason in
// error, when the file cannot be read or holds no EDID (an empty file included).
bool readEdidInput(const std::string &path, EdidImage &image, std::string &error);

} // namespace edid
