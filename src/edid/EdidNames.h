#pragma once

// Display names the decoder prints for coded values. Each returns nullptr for a value that has no
// name, so callers can skip it.
namespace edid {

// Audio format code 0..15 (bits 6..3 of a short audio descriptor's first byte).
const char *audioFormatName(unsigned code);
// Sample-rate bit 0..6 of a short audio descriptor's second byte.
const char *sampleRateName(unsigned bit);
// Sample-size bit 0..2 of a linear PCM descriptor's third byte.
const char *sampleSizeName(unsigned bit);
// Video identification code 1..107.
const char *vicName(unsigned vic);

} // namespace edid
