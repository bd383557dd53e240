#pragma once

#include "edid/EdidImage.h"

#include <cstddef>
#include <string>

namespace edid {

// The fields of an 18-byte detailed timing descriptor that the decoder prints.
struct DetailedTiming {
    unsigned pixelClock = 0; // units of 10 kHz
    unsigned hActive = 0;
    unsigned hBlanking = 0;
    unsigned vActive = 0;
    unsigned vBlanking = 0;
    bool interlaced = false;
};

// Reads the descriptor at image bytes offset .. offset + 17; offset must be at most 238.
DetailedTiming parseDetailedTiming(const EdidImage &image, std::size_t offset);

// True when both pixel clock bytes are non-zero: the rule for listing a timing slot at all.
bool isListedTiming(const EdidImage &image, std::size_t offset);

// Refresh in Hz, rounded half up, from the field values (an interlaced timing gives its field rate).
// A horizontal or vertical total of 0 gives 0.
unsigned refreshHz(const DetailedTiming &timing);

// The vertical size as printed: the frame height, twice the field height for an interlaced timing.
unsigned printedVerticalSize(const DetailedTiming &timing);

// "<h>x<v>@<r>Hz" or "<h>x<v>i@<r>Hz".
std::string formatTiming(const DetailedTiming &timing);

} // namespace edid
