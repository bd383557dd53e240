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
    void DecodeAll(const EdidImage &image);

    // Empties the three texts; Decode only ever appends.
    void ClearTexts();

    const std::string &VideoText() const { return m_video; }
    const std::string &AudioText() const { return m_audio; }
    const std::string &GeneralText() const { return m_general; }

private:
    void DecodeVideo(const EdidImage &image);
    void DecodeAudio(const EdidImage &image);
    void DecodeGeneral(const EdidImage &image);

    void AppendPreferredAndDetailedTimings(const EdidImage &image);
    void AppendExtensionTimings(const EdidImage &image);
    void AppendShortVideoDescriptors(const EdidImage &image);

    void AppendManufacturer(const EdidImage &image);
    void AppendProductName(const EdidImage &image);
    void AppendRangeLimits(const EdidImage &image);
    void AppendExtensionSupport(const EdidImage &image);
    void AppendNativeTimings(const EdidImage &image);
    void AppendDeepColour(const EdidImage &image);
    void AppendHdmiVideo(const EdidImage &image);
    void AppendYcbcr420(const EdidImage &image);

    std::string m_video;
    std::string m_audio;
    std::string m_general;
};

} // namespace edid
