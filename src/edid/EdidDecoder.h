#pragma once

#include "edid/EdidImage.h"

#include <string>

namespace edid {

// Turns an EDID image into the three texts the console shows: video (timings and video formats),
// audio (audio formats) and general (manufacturer, product, ranges, extension capabilities). Every
// line ends in CR LF. Nothing is validated: a malformed image yields whatever its bytes say, and no
// byte past the image is ever read.
class EdidDecoder {
public:
    enum Section { kVideo = 0, kAudio = 1, kGeneral = 2 };

    // Appends the decoding of one section (0 video, 1 audio, 2 general) to that section's text. Any
    // other section value does nothing.
    void Decode(const EdidImage &image, int section);

    // Empties the three texts, then decodes sections 0, 1 and 2 in that order.
    void decodeAll(const EdidImage &image);

    // Empties the three texts; Decode only ever appends.
    void clearTexts();

    const std::string &videoText() const { return m_video; }
    const std::string &audioText() const { return m_audio; }
    const std::string &generalText() const { return m_general; }

private:
    void decodeVideo(const EdidImage &image);
    void decodeAudio(const EdidImage &image);
    void decodeGeneral(const EdidImage &image);

    void appendPreferredAndDetailedTimings(const EdidImage &image);
    void appendExtensionTimings(const EdidImage &image);
    void appendShortVideoDescriptors(const EdidImage &image);

    void appendManufacturer(const EdidImage &image);
    void appendProductName(const EdidImage &image);
    void appendRangeLimits(const EdidImage &image);
    void appendExtensionSupport(const EdidImage &image);
    void appendNativeTimings(const EdidImage &image);
    void appendDeepColour(const EdidImage &image);
    void appendHdmiVideo(const EdidImage &image);
    void appendYcbcr420(const EdidImage &image);

    std::string m_video;
    std::string m_audio;
    std::string m_general;
};

} // namespace edid
