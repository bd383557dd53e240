#include "EdidImageBuilder.h"

#include "edid/EdidDecoder.h"
#include "edid/EdidFile.h"
#include "edid/EdidSummary.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

using edidtest::block;
using edidtest::ImageBuilder;

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

#ifdef _WIN32
// cmd.exe: double quotes; no argument here holds one.
std::string shellQuoted(const std::string &arg) {
    return "\"" + arg + "\"";
}
#else
std::string shellQuoted(const std::string &arg) {
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
#endif

// The decoder's texts end their lines with CR LF; the program prints them with the line ends of the
// system's text files.
#ifdef _WIN32
const std::string kEol = "\r\n";
#else
const std::string kEol = "\n";
#endif

std::string printed(const std::string &text) {
    return std::regex_replace(text, std::regex("\r\n"), kEol);
}

class KorvexEdidTool : public testing::Test {
protected:
    void SetUp() override {
        const char *tool = std::getenv("KORVEX_EDID");
        if (!tool || !*tool)
            GTEST_SKIP() << "KORVEX_EDID is not set; run through CTest to test the korvex-edid program";
        m_tool = tool;
    }

    // Runs the tool in the temporary folder with standard output and error captured apart.
    ToolRun invoke(const std::vector<std::string> &args) {
        std::string command = shellQuoted(m_tool);
        for (const std::string &arg : args)
            command += " " + shellQuoted(arg);
        command += " >stdout.txt 2>stderr.txt";
        ToolRun run;
#ifdef _WIN32
        // cmd.exe drops the first and the last quote of a line that starts with one.
        run.status = std::system(("\"" + command + "\"").c_str());
#else
        const int raw = std::system(command.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
        run.out = testsupport::readFile("stdout.txt");
        run.err = testsupport::readFile("stderr.txt");
        return run;
    }

    static std::string bytes(const edid::EdidImage &image) {
        return std::string(image.begin(), image.end());
    }

    static std::string texts(const edid::EdidImage &image) {
        edid::EdidDecoder decoder;
        decoder.decodeAll(image);
        return printed(decoder.videoText() + decoder.audioText() + decoder.generalText());
    }

    static std::string summary(const edid::EdidImage &image) {
        edid::EdidDecoder decoder;
        decoder.decodeAll(image);
        return printed(edid::summarizeEdid(decoder.videoText(), decoder.audioText(), decoder.generalText()));
    }

    testsupport::ScopedTempCwd m_dir;
    std::string m_tool;
    const edid::EdidImage m_a = ImageBuilder()
                                    .bytes(8, {0x10, 0xAC})
                                    .timing(54, 14850, 1920, 280, 1080, 45)
                                    .blocks({block(2, {0x90, 0x04}), block(1, {0x09, 0x07, 0x07})});
    const edid::EdidImage m_b = ImageBuilder().bytes(8, {0x4C, 0x2D}).timing(54, 7425, 1280, 370, 720, 30);
};

TEST_F(KorvexEdidTool, PrintsTheThreeTextsAsDecoded) {
    testsupport::writeFile("a.bin", bytes(m_a));
    const ToolRun run = invoke({"a.bin"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, texts(m_a));
    EXPECT_NE(run.out.find("1920x1080p@60Hz  16:9  Native" + kEol), std::string::npos);
    EXPECT_EQ(run.err, "");
}

TEST_F(KorvexEdidTool, ReadsShortFilesAsTheConsoleDoes) {
    testsupport::writeFile("base.bin", bytes(m_a).substr(0, 128));
    const ToolRun run = invoke({"base.bin"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, texts(edid::edidImageFromBytes(bytes(m_a).substr(0, 128))));
    EXPECT_EQ(run.out.find("Short Video Descripter"), std::string::npos); // byte 128 reads as 0xFF
}

TEST_F(KorvexEdidTool, SummaryOption) {
    testsupport::writeFile("a.bin", bytes(m_a));
    const ToolRun run = invoke({"--summary", "a.bin"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, summary(m_a));
}

TEST_F(KorvexEdidTool, SeveralFilesEachUnderItsName) {
    testsupport::writeFile("a.bin", bytes(m_a));
    testsupport::writeFile("b.bin", bytes(m_b));
    const ToolRun run = invoke({"a.bin", "b.bin"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "==> a.bin <==" + kEol + texts(m_a) + "==> b.bin <==" + kEol + texts(m_b));
}

TEST_F(KorvexEdidTool, UnreadableFileIsReportedAndTheOthersStillDecoded) {
    testsupport::writeFile("a.bin", bytes(m_a));
    testsupport::writeFile("b.bin", bytes(m_b));
    const ToolRun run = invoke({"--summary", "a.bin", "missing.bin", "b.bin"});
    EXPECT_NE(run.status, 0);
    // Named with the folder it was looked for in.
    const std::string folder = fs::current_path().string();
    EXPECT_NE(run.err.find("cannot read missing.bin in " + folder + ": No such file"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "==> a.bin <==" + kEol + summary(m_a) + "==> b.bin <==" + kEol + summary(m_b));
}

// Help and usage errors are rows of tests/tools/help_test.
TEST_F(KorvexEdidTool, AfterDoubleDashANameWithADashIsAFile) {
    testsupport::writeFile("-a.bin", bytes(m_a));
    const ToolRun dashed = invoke({"--", "-a.bin"});
    EXPECT_EQ(dashed.status, 0) << dashed.err;
    EXPECT_EQ(dashed.out, texts(m_a));
}

// ---- Hex dumps: the same text as the .bin ----

// Real sample images with their dumps in tests/edid/dumps: what `edid-decode --output-format hex` writes
// to a file (.hex) and to standard output (.report.txt), and `xrandr --verbose` output (.xrandr.txt).
// The tests add a fourth form: the pairs run together on one upper-case line.
const char *const kDumpedSamples[] = {"dell-p2415q-hdmi20", "dell-3007wfp-dvi", "denon-avr-don0064-hdmi"};

std::string dumpPath(const std::string &name) {
    return std::string(KORVEX_EDID_DUMPS_DIR) + "/" + name;
}

TEST_F(KorvexEdidTool, SameTextForABinAndEachOfItsHexDumps) {
    const char *samples = std::getenv("KORVEX_EDID_SAMPLES");
    if (!samples || !fs::is_directory(samples))
        GTEST_SKIP() << "EDID sample folder not found; hex dump comparison skipped";
    for (const std::string name : kDumpedSamples) {
        const std::string bin = std::string(samples) + "/" + name + ".bin";
        const std::string bytes = testsupport::readFile(bin);
        ASSERT_FALSE(bytes.empty()) << bin;
        testsupport::writeFile(name + ".txt", edidtest::hexPairs(bytes, 4096, "", "", true));

        const ToolRun reference = invoke({bin});
        ASSERT_EQ(reference.status, 0) << reference.err;
        ASSERT_NE(reference.out.find("Preferred Timing:"), std::string::npos) << reference.out;
        for (const std::string &dump : {name + ".txt", dumpPath(name + ".hex"),
                                        dumpPath(name + ".report.txt"), dumpPath(name + ".xrandr.txt")}) {
            const ToolRun run = invoke({dump});
            EXPECT_EQ(run.status, 0) << dump << ": " << run.err;
            EXPECT_EQ(run.err, "");
            EXPECT_EQ(run.out, reference.out) << dump;
        }
    }
}

TEST_F(KorvexEdidTool, InputWithoutAnEdidIsAnErrorNamingTheFile) {
    const std::string dump = testsupport::readFile(dumpPath("dell-p2415q-hdmi20.hex"));
    std::string noEdid = testsupport::readFile(dumpPath("dell-p2415q-hdmi20.xrandr.txt"));
    noEdid = std::regex_replace(noEdid, std::regex("\tEDID: \n(\t\t[0-9a-f]{32}\n)+"), "");
    ASSERT_EQ(noEdid.find("EDID"), std::string::npos);
    ASSERT_NE(noEdid.find("CONNECTOR_ID"), std::string::npos);

    const struct {
        const char *file;
        std::string content;
        const char *reason;
    } cases[] = {
        {"odd.hex", dump.substr(0, dump.size() - 2) + "\n", "line 17: odd number of hex digits in \"8\""},
        {"garbage.hex", "00 ff ff ff ff ff ff 00 zz 10\n" + dump, "line 1: \"zz\" is not hexadecimal"},
        {"truncated.hex", dump.substr(0, 3 * 48), "truncated: 48 bytes of hex"},
        {"empty.bin", "", "empty file, no EDID in it"},
        {"xrandr.txt", noEdid, "no EDID in it"},
    };
    for (const auto &c : cases) {
        testsupport::writeFile(c.file, c.content);
        const ToolRun run = invoke({c.file});
        EXPECT_EQ(run.status, 1) << c.file;
        EXPECT_EQ(run.out, "") << c.file;
        EXPECT_EQ(run.err.rfind(std::string("korvex-edid: ") + c.file + ": " + c.reason, 0), 0u) << run.err;
    }
}

} // namespace
