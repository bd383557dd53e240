#pragma once

#include "edid/EdidImage.h"

#include <string>
#include <string_view>

namespace edid {

// EDID files (.bin) are raw images. A reader takes at most the first 256 bytes of the file and treats
// the bytes a shorter file lacks as 0xFF, so a 128-byte base-only file reads as having no extension.
EdidImage edidImageFromBytes(std::string_view bytes);

// Reads the file the same way. Returns false, leaving image untouched, when the file cannot be opened
// or read; error then holds a one-line reason.
bool readEdidFile(const std::string &path, EdidImage &image, std::string &error);

} // namespace edid
