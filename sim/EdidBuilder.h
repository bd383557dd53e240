#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvexsim {

// Assembles a 256-byte EDID image: an EDID 1.3 base block and a CEA-861 extension with video,
// audio, HDMI vendor, speaker and optional YCbCr 4:2:0 blocks. Both checksums are filled in.
class EdidBuilder {
public:
    struct Timing {
        int pixelClock10kHz;
        int hActive, hBlank, hSyncOffset, hSyncWidth;
        int vActive, vBlank, vSyncOffset, vSyncWidth; // per field when interlaced
        bool interlaced = false;
    };
    struct AudioFormat {
        int code;     // 1 LPCM, 2 AC-3, 7 DTS, ...
        int channels; // 1..8
        int rates;    // bit 0 32 kHz .. bit 6 192 kHz
        int third;    // LPCM: sample sizes (bit 0 16, 1 20, 2 24); others: max bit rate / 8 kHz
    };
    struct Hdmi {
        int physicalAddress = 0x1000; // 1.0.0.0
        int deepColour = 0;           // vendor block byte 6: 0x40 48 bit, 0x20 36, 0x10 30, 0x08 Y444
        int maxTmdsMHz = 165;
        bool threeD = false;
        std::vector<int> hdmiVics; // 1 4K30, 2 4K25, 3 4K24, 4 4K24 SMPTE
    };

    EdidBuilder &manufacturer(std::string_view pnpId);
    EdidBuilder &product(int code, std::uint32_t serial, int week, int year);
    EdidBuilder &screenSizeCm(int width, int height);
    EdidBuilder &preferred(const Timing &timing);
    EdidBuilder &secondTiming(const Timing &timing);
    EdidBuilder &rangeLimits(int vMin, int vMax, int hMinKHz, int hMaxKHz, int maxClockMHz);
    EdidBuilder &name(std::string_view text);
    EdidBuilder &ceaFlags(bool underscan, bool basicAudio, bool ycbcr444, bool ycbcr422);
    EdidBuilder &svd(int vic, bool native = false);
    EdidBuilder &audio(const AudioFormat &format);
    EdidBuilder &hdmi(const Hdmi &vendor);
    EdidBuilder &speakers(int allocation);
    EdidBuilder &y420CapabilityMap(std::vector<std::uint8_t> map);
    EdidBuilder &extensionTiming(const Timing &timing);

    std::array<std::uint8_t, 256> build() const;

    // The 18-byte detailed timing descriptor for a timing, image size in millimetres.
    static std::array<std::uint8_t, 18> descriptor(const Timing &timing, int widthMm, int heightMm);

private:
    std::string m_pnpId = "KVX";
    int m_product = 0x0001;
    std::uint32_t m_serial = 1;
    int m_week = 1, m_year = 2020;
    int m_widthCm = 60, m_heightCm = 34;
    Timing m_preferred{14850, 1920, 280, 88, 44, 1080, 45, 4, 5};
    bool m_hasSecond = false;
    Timing m_second{};
    int m_vMin = 48, m_vMax = 76, m_hMin = 30, m_hMax = 83, m_maxClock = 170;
    std::string m_name = "KORVEX SINK";
    std::uint8_t m_ceaFlags = 0x70;
    std::vector<std::uint8_t> m_svds;
    std::vector<AudioFormat> m_audio;
    Hdmi m_hdmi;
    int m_speakers = 0x01;
    std::vector<std::uint8_t> m_y420Map;
    bool m_hasY420 = false;
    std::vector<Timing> m_extensionTimings;
};

} // namespace korvexsim
