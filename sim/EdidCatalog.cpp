#include "sim/EdidCatalog.h"

#include "sim/EdidBuilder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace korvexsim {
namespace {

using T = EdidBuilder::Timing;
using A = EdidBuilder::AudioFormat;

// Common VESA/CEA timings (pixel clock in 10 kHz units).
const T k1080p60{14850, 1920, 280, 88, 44, 1080, 45, 4, 5};
const T k1080p50{14850, 1920, 720, 528, 44, 1080, 45, 4, 5};
const T k1080i60{7425, 1920, 280, 88, 44, 540, 22, 2, 5, true};
const T k720p60{7425, 1280, 370, 110, 40, 720, 30, 5, 5};
const T k2160p30{29700, 3840, 560, 176, 88, 2160, 90, 8, 10};
const T k1200p60rb{15400, 1920, 160, 48, 32, 1200, 35, 3, 6};
const T k1440p60rb{24150, 2560, 160, 48, 32, 1440, 41, 3, 5};
const T k768p60{8550, 1366, 426, 70, 143, 768, 30, 3, 3};
const T k1024p60{10800, 1280, 408, 48, 112, 1024, 42, 1, 3};

const A kPcm2{1, 2, 0x07, 0x07};
const A kPcm2Wide{1, 2, 0x7F, 0x07};
const A kPcm6{1, 6, 0x7F, 0x07};
const A kPcm8{1, 8, 0x7F, 0x07};
const A kAc3{2, 6, 0x07, 80};
const A kDts{7, 6, 0x06, 192};
const A kEac3{10, 8, 0x07, 0x01};

EdidImage makeBuiltin(int choice) {
    EdidBuilder b;
    b.manufacturer("KVX").product(0x0900 + choice, 0x20240001u + choice, 12, 2023).screenSizeCm(88, 50);
    b.preferred(k1080p60).rangeLimits(23, 76, 15, 83, 170).ceaFlags(true, true, true, true);
    for (int vic : {4, 31, 19, 5, 20, 32, 34, 3, 18, 2, 17, 1})
        b.svd(vic);
    b.svd(16, true);
    b.hdmi({0x1000, 0, 165, false, {}});
    if (choice == 0) {
        b.name("KORVEX 2CH").audio(kPcm2).speakers(0x01);
    } else {
        b.name("KORVEX 5.1CH").audio(kPcm2Wide).audio(kPcm6).audio(kAc3).audio(kDts).speakers(0x0F);
    }
    return b.build();
}

EdidImage makeSink(int output) {
    EdidBuilder b;
    switch (output) {
    case 1: // living-room style television
        b.manufacturer("SAM").product(0x0F21, 0x01000A11, 14, 2021).screenSizeCm(121, 68).name("Demo TV 55");
        b.preferred(k1080p60).rangeLimits(24, 75, 15, 81, 230).ceaFlags(true, true, true, true);
        for (int vic : {16, 4, 5, 31, 19, 20, 1, 3, 18, 32, 33, 34})
            b.svd(vic, vic == 16);
        b.audio(kPcm2).audio(kAc3).speakers(0x0F);
        b.hdmi({0x1000, 0x38, 225, false, {}});
        b.extensionTiming(k720p60);
        break;
    case 2: // lobby signage screen
        b.manufacturer("GSM")
            .product(0x5B0E, 0x0000C2F1, 33, 2019)
            .screenSizeCm(107, 60)
            .name("Lobby LCD 49");
        b.preferred(k1080p60).rangeLimits(56, 61, 30, 68, 150).ceaFlags(true, true, true, true);
        for (int vic : {16, 4, 31, 19, 3})
            b.svd(vic, vic == 16);
        b.audio(kPcm2).speakers(0x01);
        b.hdmi({0x2000, 0, 165, false, {}});
        break;
    case 3: // projector
        b.manufacturer("SNY").product(0x0B05, 0x00102233, 7, 2018).screenSizeCm(160, 100).name("Stage Proj");
        b.preferred(k1200p60rb).secondTiming(k1080p60).rangeLimits(48, 62, 30, 75, 170);
        b.ceaFlags(true, true, true, false);
        for (int vic : {16, 4, 2, 3, 17, 18})
            b.svd(vic);
        b.audio(kPcm2).speakers(0x01);
        b.hdmi({0x3000, 0x10, 170, false, {}});
        b.extensionTiming(k1080p60);
        break;
    case 4: // 4K meeting-room display
        b.manufacturer("PHL")
            .product(0xC2A7, 0x00004E21, 45, 2022)
            .screenSizeCm(143, 80)
            .name("Conf Room 4K");
        b.preferred(k2160p30).secondTiming(k1080p60).rangeLimits(23, 61, 30, 135, 300);
        b.ceaFlags(true, true, true, true);
        for (int vic : {95, 94, 93, 16, 31, 4, 19})
            b.svd(vic, vic == 95);
        b.audio(kPcm8).audio(kAc3).audio(kDts).audio(kEac3).speakers(0x4F);
        b.hdmi({0x4000, 0x78, 300, true, {1, 2, 3}});
        b.extensionTiming(k1080p60);
        b.extensionTiming(k720p60);
        break;
    case 5: // desk monitor
        b.manufacturer("DEL").product(0xA0C4, 0x4C4B3033, 2, 2020).screenSizeCm(60, 34).name("Desk Monitor");
        b.preferred(k1440p60rb).secondTiming(k1080p60).rangeLimits(29, 76, 30, 113, 250);
        b.ceaFlags(false, true, true, true);
        for (int vic : {16, 4, 3, 2, 1})
            b.svd(vic, vic == 16);
        b.audio(kPcm2).speakers(0x01);
        b.hdmi({0x5000, 0x30, 300, false, {}});
        break;
    case 6: // broadcast reference monitor, 50 Hz first
        b.manufacturer("BNQ").product(0x7F31, 0x00005A5A, 20, 2021).screenSizeCm(70, 39).name("Studio Ref");
        b.preferred(k1080p50).secondTiming(k1080p60).rangeLimits(23, 61, 26, 68, 150);
        b.ceaFlags(true, true, true, true);
        for (int vic : {31, 16, 19, 4, 20, 5, 17, 18, 32, 33, 34})
            b.svd(vic, vic == 31);
        b.audio(kPcm2).audio(kPcm6).audio(kAc3).speakers(0x0B);
        b.hdmi({0x6000, 0x08, 165, false, {}});
        break;
    case 7: // small kiosk panel
        b.manufacturer("HWP").product(0x3031, 0x00000777, 51, 2017).screenSizeCm(41, 23).name("Kiosk 1366");
        b.preferred(k768p60).rangeLimits(50, 61, 30, 49, 90).ceaFlags(false, true, false, false);
        for (int vic : {4, 16, 3, 2})
            b.svd(vic, vic == 4);
        b.audio(kPcm2).speakers(0x01);
        b.hdmi({0x7000, 0, 150, false, {}});
        break;
    case 8: // video-wall panel with interlaced support and 4:2:0 4K modes
        b.manufacturer("ACR").product(0x0566, 0x7A4B0001, 30, 2022).screenSizeCm(121, 68).name("Wall Panel");
        b.preferred(k1080p60).secondTiming(k1080i60).rangeLimits(24, 61, 15, 135, 300);
        b.ceaFlags(true, true, true, true);
        for (int vic : {16, 5, 4, 20, 31, 96, 97})
            b.svd(vic, vic == 16);
        b.audio(kPcm2Wide).speakers(0x01);
        b.hdmi({0x8000, 0x30, 300, true, {}});
        b.y420CapabilityMap({0x60});
        break;
    default: // control-desk 5:4 monitor
        b.manufacturer("LEN").product(0x2415, 0x0001E240, 9, 2016).screenSizeCm(38, 30).name("Control Desk");
        b.preferred(k1024p60).rangeLimits(50, 76, 30, 82, 140).ceaFlags(false, true, false, false);
        for (int vic : {4, 16, 1})
            b.svd(vic, vic == 1);
        b.audio(kPcm2).speakers(0x01);
        b.hdmi({0x9000, 0, 165, false, {}});
        break;
    }
    return b.build();
}

} // namespace

const EdidImage &EdidCatalog::builtin(int choice) {
    static const EdidImage images[2] = {makeBuiltin(0), makeBuiltin(1)};
    return images[choice == 1 ? 1 : 0];
}

const EdidImage &EdidCatalog::sink(int output) {
    static const std::vector<EdidImage> images = [] {
        std::vector<EdidImage> v;
        for (int o = 1; o <= 9; ++o)
            v.push_back(makeSink(o));
        return v;
    }();
    if (output < 1 || output > 9)
        output = 1;
    return images[static_cast<std::size_t>(output - 1)];
}

bool EdidCatalog::readFile(const std::string &path, EdidImage &image, std::string &error) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    EdidImage read;
    read.fill(0xFF);
    const std::size_t got = std::fread(read.data(), 1, read.size(), file);
    const bool failed = got < read.size() && std::ferror(file);
    const int readErrno = errno;
    std::fclose(file);
    if (failed) {
        error = readErrno ? std::strerror(readErrno) : "read error";
        return false;
    }
    image = read;
    return true;
}

} // namespace korvexsim
