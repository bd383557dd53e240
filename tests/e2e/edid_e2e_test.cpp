// The EDID MANAGEMENT page against korvex-sim: choices reach the device, reads land in numbered files
// equal to the device's EDID with their summary in the box, a loaded file reaches a user slot
// unchanged, and every sample image captured from a simulated output summarises as korvex-edid does.
#include "ConsoleFixture.h"

#include "pages/edid/CEdidPage.h"
#include "ui/FileDialog.h"

#include <QJsonArray>
#include <QPlainTextEdit>
#include <QProcess>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The 256 bytes of an image as the simulator's state shows them (512 lower-case hex digits).
std::string hex(const std::string &bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 0x0F];
    }
    return hex;
}

// A file's bytes as an EDID reader takes them: the first 256, 0xFF for any the file lacks.
std::string imageBytes(const std::string &fileBytes) {
    std::string image = fileBytes.substr(0, 256);
    image.resize(256, '\xFF');
    return image;
}

} // namespace

class EdidE2E : public ConsoleFixture {
protected:
    void SetUp() override {
        ConsoleFixture::SetUp();
        writeAddressTable({1});
        startSim(1);
        openPortWithStatus();
    }
    void openPortWithStatus() {
        click(CConsoleDlg::IDC_PORT_BUTTON);
        ASSERT_TRUE(console().portOn());
        choose(CConsoleDlg::IDC_ADDRESS_LIST, 1); // device 01, and its status
        ASSERT_TRUE(testsupport::waitFor([&] { return page().edidChoice(9) == 0; }));
    }
    CEdidPage &page() { return *console().findPage<CEdidPage>(); }
    void choosePage(int id, int index) {
        QComboBox *c = ui::control<QComboBox>(&page(), id);
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
    void clickPage(int id) { QTest::mouseClick(ui::control<QPushButton>(&page(), id), Qt::LeftButton); }
    QJsonObject device() { return testsupport::simDevice(testsupport::readSimState(stateFile(1)), 1); }

    // Reads the chosen port and waits until the capture has saved its file; returns the file's name.
    std::string readPort(int portIndex) {
        m_messages->clear();
        choosePage(CEdidPage::IDC_READ_PORT, portIndex);
        clickPage(CEdidPage::IDC_READ);
        EXPECT_TRUE(page().captureArmed());
        const bool saved = testsupport::waitFor([&] { return !m_messages->messages().isEmpty(); });
        EXPECT_TRUE(saved) << "no dump from port index " << portIndex;
        if (!saved)
            return {};
        EXPECT_FALSE(page().captureArmed());
        const QString message = m_messages->messages().front();
        EXPECT_TRUE(message.startsWith("Save to file: ")) << message.toStdString();
        return message.mid(14).toStdString();
    }
};

TEST_F(EdidE2E, ApplyChangesTheInputsEdidAndTheReplyShowsIt) {
    choosePage(CEdidPage::kEdidListIds[2], 3); // input 3: "User EDID2"
    clickPage(CEdidPage::kApplyIds[2]);
    EXPECT_TRUE(testsupport::waitFor([&] { return logHas(1, "A01 SET IN3 EDID 03"); }));
    EXPECT_TRUE(testsupport::waitFor([&] { return device()["edidChoice"].toArray().at(2).toInt() == 3; }));

    // Another controller changes input 5: the list follows, and nothing goes back.
    ASSERT_TRUE(m_sims.front()->inject("A01 SET IN5 EDID 12"));
    EXPECT_TRUE(testsupport::waitFor([&] { return page().edidChoice(5) == 12; }));
    EXPECT_EQ(ui::control<QComboBox>(&page(), CEdidPage::kEdidListIds[4])->currentIndex(), 12);
    EXPECT_EQ(testsupport::simLogEntries(logFile(1), "LINE"),
              (std::vector<std::string>{"A01 GET STA\\r", "A01 SET IN3 EDID 03\\r"}))
        << "nothing but the operator's commands went out";
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

TEST_F(EdidE2E, ReadingAnOutputTwiceWritesTwoFilesOfItsSinkEdid) {
    const std::string sink = device()["sinkEdid"].toArray().at(0).toString().toStdString();
    ASSERT_EQ(sink.size(), 512u);
    EXPECT_EQ(readPort(0), "Matrix_EDID_out1_00.bin");
    EXPECT_EQ(hex(testsupport::readFile("Matrix_EDID_out1_00.bin")), sink);
    EXPECT_EQ(readPort(0), "Matrix_EDID_out1_01.bin");
    EXPECT_EQ(hex(testsupport::readFile("Matrix_EDID_out1_01.bin")), sink);
    EXPECT_TRUE(logHas(1, "A01 GET OUT1 EDID  DATA\\r"));

    // The box holds the summary of the display on output 1.
    const QString box = ui::control<QPlainTextEdit>(&page(), CEdidPage::IDC_BASIC_INFO)->toPlainText();
    EXPECT_TRUE(box.startsWith("Manufacture's Name:SAM\n")) << box.toStdString();
    EXPECT_TRUE(box.contains("Preferred Timing:1920x1080@60Hz")) << box.toStdString();

    // After the capture, replies reach the parser again.
    ASSERT_TRUE(m_sims.front()->inject("A01 SET IN2 EDID 07"));
    EXPECT_TRUE(testsupport::waitFor([&] { return page().edidChoice(2) == 7; }));
}

TEST_F(EdidE2E, LoadedFileReachesTheUserSlotAndReadsBackUnchanged) {
    std::string file;
    for (int i = 0; i < 128; ++i)
        file += static_cast<char>((i * 29 + 3) & 0xFF);
    testsupport::writeFile("monitor.bin", file);
    const std::string image = imageBytes(file);

    ui::FileDialogOverride dialog([](const QString &, const QString &) { return QString("monitor.bin"); });
    choosePage(CEdidPage::IDC_USER_SLOT, 7); // "In3 User 2"
    clickPage(CEdidPage::IDC_LOAD);
    EXPECT_TRUE(testsupport::waitFor([&] {
        return device()["userEdid"].toArray().at(2).toArray().at(1).toString().toStdString() == hex(image);
    }));
    // One line of 790 bytes, no address prefix: "SET IN3 EDID U2 DATA ", 128 file pairs, 128 "FF".
    std::string line;
    for (const std::string &entry : testsupport::simLogEntries(logFile(1), "LINE"))
        if (entry.find("EDID U2") != std::string::npos)
            line = entry;
    EXPECT_EQ(line.rfind("SET IN3 EDID U2 DATA 03 20 3D ", 0), 0u) << line;
    EXPECT_NE(line.find(" 49 66 FF FF"), std::string::npos) << line; // last file byte, then the padding
    EXPECT_EQ(line.size(), 788u + 2u) << "788 characters and the escaped CR";

    // Input 3 set to "User EDID2" and read from "In port 3": the same 256 bytes come back.
    choosePage(CEdidPage::kEdidListIds[2], 3);
    clickPage(CEdidPage::kApplyIds[2]);
    ASSERT_TRUE(testsupport::waitFor([&] { return page().edidChoice(3) == 3; }));
    m_messages->clear();
    const std::string name = readPort(11);
    EXPECT_EQ(name, "Matrix_EDID_inp3_00.bin");
    EXPECT_EQ(testsupport::readFile(name), image);
}

// Each sample image, plugged into a simulated output and read through the page, is saved byte for
// byte and summarised exactly as `korvex-edid --summary` summarises the file.
TEST_F(EdidE2E, EverySampleCapturedSummarisesAsKorvexEdidDoes) {
    const char *samplesDir = std::getenv("KORVEX_EDID_SAMPLES");
    const char *tool = std::getenv("KORVEX_EDID");
    if (!samplesDir || !fs::is_directory(samplesDir) || !tool)
        GTEST_SKIP() << "EDID samples or korvex-edid not available; sample capture skipped";
    std::vector<std::string> samples;
    for (const auto &entry : fs::directory_iterator(samplesDir))
        if (entry.path().extension() == ".bin")
            samples.push_back(entry.path().string());
    std::sort(samples.begin(), samples.end());
    ASSERT_FALSE(samples.empty());

    for (std::size_t first = 0; first < samples.size(); first += 9) {
        // Nine samples at a time, on outputs 1..9 of a fresh simulator.
        click(CConsoleDlg::IDC_PORT_BUTTON);
        ASSERT_FALSE(console().portOn());
        m_sims.back()->stop();
        std::vector<std::string> args;
        const std::size_t count = std::min<std::size_t>(9, samples.size() - first);
        for (std::size_t i = 0; i < count; ++i)
            args.insert(args.end(), {"--edid-out", std::to_string(i + 1) + "=" + samples[first + i]});
        ASSERT_TRUE(startSim(1, args).started());
        ASSERT_NO_FATAL_FAILURE(openPortWithStatus());

        for (std::size_t i = 0; i < count; ++i) {
            const std::string &sample = samples[first + i];
            SCOPED_TRACE(sample);
            const std::string name = readPort(static_cast<int>(i));
            ASSERT_FALSE(name.empty());
            EXPECT_EQ(testsupport::readFile(name), imageBytes(testsupport::readFile(sample)));

            QProcess korvexEdid;
            korvexEdid.start(QString::fromLocal8Bit(tool), {"--summary", QString::fromStdString(sample)});
            ASSERT_TRUE(korvexEdid.waitForFinished(30000));
            ASSERT_EQ(korvexEdid.exitCode(), 0);
            // The same text; the console's box keeps CR LF, korvex-edid prints the platform's line ends.
            std::string shown = page().basicInfo();
            std::erase(shown, '\r');
            EXPECT_EQ(shown, korvexEdid.readAllStandardOutput().toStdString());
        }
    }
}
