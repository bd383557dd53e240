// Decoding of real EDID images: whole-text golden comparisons, and a cross-check of every sample
// against the edid-decode program. Both read the sample folder named by KORVEX_EDID_SAMPLES and skip
// when it is absent.

#include "EdidImageBuilder.h"

#include "edid/EdidDecoder.h"
#include "edid/EdidFile.h"
#include "edid/EdidNames.h"
#include "edid/EdidSummary.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string samplesDir() {
    const char *dir = std::getenv("KORVEX_EDID_SAMPLES");
    return dir ? dir : "";
}

#define SKIP_WITHOUT_SAMPLES()                                                                               \
    do {                                                                                                     \
        if (samplesDir().empty() || !fs::is_directory(samplesDir()))                                         \
            GTEST_SKIP() << "EDID sample folder not found (KORVEX_EDID_SAMPLES=\"" << samplesDir()           \
                         << "\"); sample tests skipped";                                                     \
    } while (0)

edid::EdidImage readSample(const std::string &path) {
    edid::EdidImage image{};
    std::string error;
    EXPECT_TRUE(edid::readEdidFile(path, image, error)) << path << ": " << error;
    return image;
}

std::vector<std::string> splitLines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// ---- Golden texts ----

// A golden file holds "=== video", "=== audio", "=== general" and "=== summary" sections; each line of a
// section stands for that line followed by CR LF.
std::map<std::string, std::string> readGolden(const std::string &path) {
    std::map<std::string, std::string> sections;
    std::string *current = nullptr;
    for (const std::string &line : splitLines(testsupport::readFile(path))) {
        if (line.rfind("=== ", 0) == 0) {
            current = &sections[line.substr(4)];
            continue;
        }
        if (current)
            *current += line + "\r\n";
    }
    return sections;
}

class EdidGolden : public testing::TestWithParam<const char *> {};

TEST_P(EdidGolden, WholeTextsMatch) {
    SKIP_WITHOUT_SAMPLES();
    const std::string name = GetParam();
    const auto golden = readGolden(std::string(KORVEX_EDID_GOLDEN_DIR) + "/" + name + ".txt");
    ASSERT_EQ(golden.size(), 4u) << "golden file for " << name << " lacks a section";

    edid::EdidDecoder decoder;
    decoder.decodeAll(readSample(samplesDir() + "/" + name + ".bin"));
    EXPECT_EQ(decoder.videoText(), golden.at("video"));
    EXPECT_EQ(decoder.audioText(), golden.at("audio"));
    EXPECT_EQ(decoder.generalText(), golden.at("general"));
    EXPECT_EQ(edid::summarizeEdid(decoder.videoText(), decoder.audioText(), decoder.generalText()),
              golden.at("summary"));
}

INSTANTIATE_TEST_SUITE_P(Samples, EdidGolden,
                         testing::Values("apple-cinema-display-app921d", "aoc-l19w831-hdmi",
                                         "pixio-icb2700-hdmi", "boe-boe9002-panel",
                                         "samsung-ns24d310-lge0000-hdmi", "dell-p2415q-hdmi20"),
                         [](const testing::TestParamInfo<const char *> &info) {
                             std::string n = info.param;
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });

// ---- Cross-check against edid-decode ----

struct Timing {
    unsigned width = 0;
    unsigned height = 0;
    bool interlaced = false;
    double refresh = 0;
};

struct Svd {
    unsigned vic = 0;
    bool native = false;
    bool operator==(const Svd &o) const { return vic == o.vic && native == o.native; }
};

struct Audio {
    int code = -1;
    std::optional<unsigned> channels;
    std::optional<std::set<std::string>> rates; // in this console's rate names
};

struct Facts {
    std::string manufacturer;
    std::optional<unsigned> productCode;
    std::optional<Timing> preferred;
    std::vector<Svd> svds;
    std::vector<std::string> svdFormats; // edid-decode's "WxH[i] rate Hz aspect" per SVD
    std::vector<Audio> audio;
};

std::string run(const std::string &command) {
    std::string out;
#ifdef _WIN32
    (void)command; // edid-decode is a Linux program: the cross-check skips there
#else
    const std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.c_str(), "r"), &pclose);
    if (!pipe)
        return out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        out.append(buffer, n);
#endif
    return out;
}

bool haveEdidDecode() {
#ifdef _WIN32
    return false; // a Linux program
#else
    return !run("command -v edid-decode 2>/dev/null").empty();
#endif
}

int edidDecodeAudioCode(const std::string &name) {
    static const std::map<std::string, int> codes = {{"Reserved (0x00)", 0},
                                                     {"Linear PCM", 1},
                                                     {"AC-3", 2},
                                                     {"MPEG 1 (Layers 1 & 2)", 3},
                                                     {"MPEG 1 Layer 3 (MP3)", 4},
                                                     {"MPEG2 (multichannel)", 5},
                                                     {"AAC LC", 6},
                                                     {"DTS", 7},
                                                     {"ATRAC", 8},
                                                     {"One Bit Audio", 9},
                                                     {"Enhanced AC-3 (DD+)", 10},
                                                     {"DTS-HD", 11},
                                                     {"MAT (MLP)", 12},
                                                     {"DST", 13},
                                                     {"WMA Pro", 14}};
    if (const auto it = codes.find(name); it != codes.end())
        return it->second;
    // Every format that edid-decode names through the extended type code has code 15 here.
    for (const char *prefix : {"MPEG-4", "MPEG-H", "AC-4", "L-PCM 3D", "Unknown Audio Ext Format"}) {
        if (name.rfind(prefix, 0) == 0)
            return 15;
    }
    return -1;
}

// The facts both decoders define alike, as edid-decode reports them.
Facts referenceFacts(const std::string &path) {
    static const std::regex manufacturer(R"(^    Manufacturer: (\S+)$)");
    static const std::regex model(R"(^    Model: (\d+)$)");
    static const std::regex dtd(R"(^    DTD 1:\s+(\d+)x(\d+)(i?)\s+([\d.]+) Hz)");
    static const std::regex vic(R"(^    VIC\s+(\d+):\s+(\d+)x(\d+)(i?)\s+([\d.]+) Hz\s+(\d+:\d+)(.*)$)");
    static const std::regex unknownVic(R"(^    Unknown \(VIC\s*(\d+)\)$)");
    static const std::regex format(R"(^    (\S.*?):?$)");
    static const std::regex channels(R"(^      Max channels: (\d+)$)");
    static const std::regex rates(R"(^      Supported sample rates \(kHz\):(.*)$)");
    static const std::map<std::string, std::string> rateNames = {
        {"32", "32KHz"}, {"44.1", "44.1KHz"}, {"48", "48KHz"},  {"88.2", "88KHz"},
        {"96", "96KHz"}, {"176.4", "176KHz"}, {"192", "192KHz"}};

    Facts facts;
    enum class In { None, BaseBlock, BaseDescriptors, Video, Audio } in = In::None;
    bool seenVideo = false, seenAudio = false;
    std::smatch m;
    for (const std::string &line : splitLines(run("edid-decode '" + path + "' 2>/dev/null"))) {
        if (line.rfind("Block 0,", 0) == 0) {
            in = In::BaseBlock;
            continue;
        }
        if (line.rfind("Block ", 0) == 0) {
            in = In::None;
            continue;
        }
        if (in == In::BaseDescriptors) {
            if (std::regex_search(line, m, dtd))
                facts.preferred = Timing{unsigned(std::stoul(m[1])), unsigned(std::stoul(m[2])), m[3] == "i",
                                         std::stod(m[4])};
            in = In::BaseBlock;
            continue;
        }
        if (in == In::Video) {
            if (std::regex_match(line, m, vic)) {
                facts.svds.push_back(
                    {unsigned(std::stoul(m[1])), m[7].str().find("(native)") != std::string::npos});
                facts.svdFormats.push_back(m[2].str() + "x" + m[3].str() + m[4].str() + " " + m[5].str() +
                                           " " + m[6].str());
                continue;
            }
            if (std::regex_match(line, m, unknownVic)) {
                facts.svds.push_back({unsigned(std::stoul(m[1])), false});
                facts.svdFormats.push_back("");
                continue;
            }
            in = In::None;
        }
        if (in == In::Audio) {
            if (line.rfind("    ", 0) != 0) {
                in = In::None;
            } else if (std::regex_match(line, m, format)) {
                const int code = edidDecodeAudioCode(m[1]);
                EXPECT_NE(code, -1) << "unrecognised edid-decode audio format \"" << m[1] << "\" in " << path;
                facts.audio.push_back({code, std::nullopt, std::nullopt});
                continue;
            } else if (!facts.audio.empty() && std::regex_match(line, m, channels)) {
                facts.audio.back().channels = unsigned(std::stoul(m[1]));
                continue;
            } else if (!facts.audio.empty() && std::regex_match(line, m, rates)) {
                std::set<std::string> names;
                std::istringstream in(m[1].str());
                for (std::string khz; in >> khz;)
                    names.insert(rateNames.count(khz) ? rateNames.at(khz) : "?" + khz);
                facts.audio.back().rates = names;
                continue;
            } else {
                continue;
            }
        }
        if (in == In::BaseBlock) {
            if (std::regex_match(line, m, manufacturer))
                facts.manufacturer = m[1];
            else if (std::regex_match(line, m, model))
                facts.productCode = unsigned(std::stoul(m[1]));
            else if (line == "  Detailed Timing Descriptors:")
                in = In::BaseDescriptors;
        } else if (in == In::None && line == "  Video Data Block:" && !seenVideo) {
            seenVideo = true;
            in = In::Video;
        } else if (in == In::None && line == "  Audio Data Block:" && !seenAudio) {
            seenAudio = true;
            in = In::Audio;
        }
    }
    return facts;
}

// The same facts read back from this decoder's texts.
Facts ourFacts(const edid::EdidDecoder &decoder) {
    static const std::regex manufacturer(R"(^Manufacture's Name:(.{3})$)");
    static const std::regex product(R"(^Product Code:(\d+)$)");
    static const std::regex preferred(R"(^Preferred Timing:(\d+)x(\d+)(i?)@(\d+)Hz ?$)");
    std::map<std::string, unsigned> vicByName;
    for (unsigned vic = 1; vic <= 107; ++vic)
        vicByName[edid::vicName(vic)] = vic;
    std::map<std::string, int> audioCodeByName;
    for (unsigned code = 0; code < 16; ++code)
        audioCodeByName[edid::audioFormatName(code)] = int(code);

    Facts facts;
    std::smatch m;
    for (const std::string &line : splitLines(decoder.generalText())) {
        if (std::regex_match(line, m, manufacturer))
            facts.manufacturer = m[1];
        else if (std::regex_match(line, m, product))
            facts.productCode = unsigned(std::stoul(m[1]));
    }

    bool inSvds = false;
    for (const std::string &line : splitLines(decoder.videoText())) {
        if (std::regex_match(line, m, preferred)) {
            facts.preferred =
                Timing{unsigned(std::stoul(m[1])), unsigned(std::stoul(m[2])), m[3] == "i", std::stod(m[4])};
        } else if (line == "Short Video Descripter") {
            inSvds = true;
        } else if (inSvds) {
            const bool native = line.size() > 8 && line.compare(line.size() - 8, 8, "  Native") == 0;
            const std::string name = native ? line.substr(0, line.size() - 8) : line;
            EXPECT_TRUE(vicByName.count(name)) << "unknown video format line \"" << line << "\"";
            facts.svds.push_back({vicByName[name], native});
        }
    }

    bool inRates = false;
    for (const std::string &line : splitLines(decoder.audioText())) {
        if (line.rfind("Audio Format:", 0) == 0) {
            facts.audio.push_back(
                {audioCodeByName.at(line.substr(13)), std::nullopt, std::set<std::string>{}});
            inRates = false;
        } else if (line.rfind("Audio Channel(s):", 0) == 0) {
            facts.audio.back().channels = unsigned(std::stoul(line.substr(17)));
        } else if (line == "Sample Frequency:") {
            inRates = true;
        } else if (inRates && !line.empty() && line != "Sample Bit:") {
            facts.audio.back().rates->insert(line);
        } else {
            inRates = false;
        }
    }
    return facts;
}

// Whether the first block with this tag has its header before d but its payload reaching past d.
// edid-decode then drops the block's content; this decoder reads the block whole.
bool firstBlockCrossesD(const edid::EdidImage &image, unsigned tag) {
    const unsigned d = image[130];
    for (unsigned offset = 4; offset < d && offset < 127; offset += (image[128 + offset] & 0x1F) + 1) {
        if (image[128 + offset] >> 5 == tag)
            return offset + (image[128 + offset] & 0x1F) >= d;
    }
    return false;
}

// "3840x2160p@30Hz  16:9" (or "720(1440)x480i@60Hz  4:3") in edid-decode's terms: "3840x2160 30 16:9".
std::string nameInReferenceTerms(const std::string &name) {
    static const std::regex shape(R"((\d+)(?:\((\d+)\))?x(\d+)([pi])(?:\(1250 total\))?@(\d+)Hz  (\S+))");
    std::smatch m;
    if (!std::regex_match(name, m, shape))
        return "?" + name;
    const std::string width = m[2].matched ? m[2].str() : m[1].str();
    return width + "x" + m[3].str() + (m[4] == "i" ? "i" : "") + " " + m[5].str() + " " + m[6].str();
}

std::string referenceFormatRounded(const std::string &format) {
    // "3840x2160 30.000000 16:9" -> "3840x2160 30 16:9"
    std::istringstream in(format);
    std::string size, rate, aspect;
    in >> size >> rate >> aspect;
    return size + " " + std::to_string(std::lround(std::stod(rate))) + " " + aspect;
}

TEST(EdidDecodeCrossCheck, EverySampleAgreesWhereBothDefineAlike) {
    SKIP_WITHOUT_SAMPLES();
    if (!haveEdidDecode())
        GTEST_SKIP() << "edid-decode is not installed (Debian package edid-decode); cross-check skipped";

    std::vector<fs::path> samples;
    for (const auto &entry : fs::directory_iterator(samplesDir())) {
        if (entry.path().extension() == ".bin")
            samples.push_back(entry.path());
    }
    std::sort(samples.begin(), samples.end());
    ASSERT_FALSE(samples.empty()) << "no .bin files in " << samplesDir();

    for (const fs::path &sample : samples) {
        SCOPED_TRACE(sample.filename().string());
        const edid::EdidImage image = readSample(sample.string());
        edid::EdidDecoder decoder;
        decoder.decodeAll(image);
        const Facts ours = ourFacts(decoder);
        Facts ref = referenceFacts(sample.string());

        EXPECT_EQ(ours.manufacturer, ref.manufacturer);
        ASSERT_TRUE(ref.productCode.has_value());
        EXPECT_EQ(ours.productCode, ref.productCode);

        // edid-decode lists the preferred slot only when it holds a timing; this decoder always prints it.
        ASSERT_TRUE(ours.preferred.has_value());
        if (ref.preferred) {
            EXPECT_EQ(ours.preferred->width, ref.preferred->width);
            EXPECT_EQ(ours.preferred->height, ref.preferred->height);
            EXPECT_EQ(ours.preferred->interlaced, ref.preferred->interlaced);
            // edid-decode counts the half line of an interlaced frame; the field-value refresh may then
            // round one apart.
            const double slack = ref.preferred->interlaced ? 1.0 : 0.0;
            EXPECT_LE(std::fabs(ours.preferred->refresh - std::lround(ref.preferred->refresh)), slack)
                << "edid-decode refresh " << ref.preferred->refresh;
        }

        // SVD bytes above 0xC0 are a VIC in the low seven bits with the native flag here, where edid-decode
        // reads VICs 193 to 255; VICs without a name here are not printed.
        std::vector<Svd> refSvds;
        for (std::size_t i = 0; i < ref.svds.size(); ++i) {
            Svd svd = ref.svds[i];
            if (svd.vic >= 193)
                svd = {svd.vic - 128, true};
            if (svd.vic < 1 || svd.vic > 107)
                continue;
            refSvds.push_back(svd);
            if (!ref.svdFormats[i].empty() && ref.svds[i].vic <= 107) {
                EXPECT_EQ(nameInReferenceTerms(edid::vicName(svd.vic)),
                          referenceFormatRounded(ref.svdFormats[i]))
                    << "VIC " << svd.vic;
            }
        }
        EXPECT_EQ(ours.svds.size(), refSvds.size());
        for (std::size_t i = 0; i < std::min(ours.svds.size(), refSvds.size()); ++i) {
            EXPECT_EQ(ours.svds[i].vic, refSvds[i].vic) << "SVD " << i;
            EXPECT_EQ(ours.svds[i].native, refSvds[i].native) << "SVD " << i;
        }

        if (firstBlockCrossesD(image, 1))
            continue;
        EXPECT_EQ(ours.audio.size(), ref.audio.size());
        for (std::size_t i = 0; i < std::min(ours.audio.size(), ref.audio.size()); ++i) {
            EXPECT_EQ(ours.audio[i].code, ref.audio[i].code) << "audio descriptor " << i;
            if (ref.audio[i].channels) {
                EXPECT_EQ(ours.audio[i].channels, ref.audio[i].channels) << "audio descriptor " << i;
            }
            if (ref.audio[i].rates) {
                EXPECT_EQ(ours.audio[i].rates, ref.audio[i].rates) << "audio descriptor " << i;
            }
        }
    }
}

} // namespace
