// The EDID MANAGEMENT page against a fake console: the bytes each action puts on the line, the
// capture of a dump line into a numbered file and the box, loading a file, and the "EDID " reply.
#include "TempDir.h"
#include "TestConsole.h"
#include "WaitFor.h"

#include "pages/edid/CEdidPage.h"
#include "ui/Controls.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const QString kNote =
    "Note: EDID data is only saved to one of the 3 user define. If want to use this EDID data "
    "to this input, need to set the EDID of this input to the selected user define.";

std::string Bytes(int count, int seed) {
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>((i * 37 + seed) & 0xFF);
    return bytes;
}

// A dump line as a switcher sends it, for the given bytes (lower-case pairs).
std::string dumpLine(const std::string &bytes) {
    std::string line = "EDID OUT1 DATA";
    for (unsigned char b : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, " %02x", b);
        line += pair;
    }
    return line + "\r\n";
}

class EdidPageTest : public testing::Test {
protected:
    void SetUp() override { newPage(); }

    // A fresh page in place of the last one, shown so that clicks reach it.
    void newPage() {
        page.reset();
        page = std::make_unique<CEdidPage>(&console);
        page->resize(800, 480);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }

    QComboBox *list(int id) const { return ui::control<QComboBox>(page.get(), id); }
    QPushButton *button(int id) const { return ui::control<QPushButton>(page.get(), id); }
    // As the operator picks an entry: the list changes and reports the choice.
    void choose(int id, int index) {
        QComboBox *c = list(id);
        ASSERT_NE(c, nullptr) << id;
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
    void chooseInput(int input, int choice) { choose(CEdidPage::kEdidListIds[input - 1], choice); }
    void click(int id) {
        ASSERT_NE(button(id), nullptr) << id;
        QTest::mouseClick(button(id), Qt::LeftButton);
    }
    void apply(int input) { click(CEdidPage::kApplyIds[input - 1]); }
    static std::size_t binFiles() {
        std::size_t count = 0;
        for (const auto &entry : fs::directory_iterator("."))
            count += entry.is_regular_file() ? 1 : 0;
        return count;
    }
    QString box() const {
        return ui::control<QPlainTextEdit>(page.get(), CEdidPage::IDC_BASIC_INFO)->toPlainText();
    }

    testsupport::ScopedTempCwd cwd;
    TestConsole console;
    ui::MessageCapture messages;
    std::unique_ptr<CEdidPage> page;
};

TEST_F(EdidPageTest, ControlsCarryTheirIdentifiersAndTextsAndStartUnselected) {
    EXPECT_EQ(page->objectName(), "180");
    auto items = [&](int id) {
        QStringList texts;
        for (int i = 0; i < list(id)->count(); ++i)
            texts << list(id)->itemText(i);
        return texts;
    };
    const QStringList choices = {"1080P_2CH(PCM) ", "1080P_ audio5.1", "User EDID1", "User EDID2",
                                 "User EDID3",      "From Out1",       "From Out2",  "From Out3",
                                 "From Out4",       "From Out5",       "From Out6",  "From Out7",
                                 "From Out8",       "From Out9"};
    for (int input = 1; input <= 9; ++input) {
        ASSERT_NE(list(CEdidPage::kEdidListIds[input - 1]), nullptr) << input;
        EXPECT_EQ(items(CEdidPage::kEdidListIds[input - 1]), choices) << input;
        ASSERT_NE(button(CEdidPage::kApplyIds[input - 1]), nullptr);
        EXPECT_EQ(button(CEdidPage::kApplyIds[input - 1])->text(), QString("Apply to Input%1").arg(input));
    }
    const QStringList ports = items(CEdidPage::IDC_READ_PORT);
    EXPECT_EQ(ports.size(), 18);
    EXPECT_EQ(ports.mid(7, 3), (QStringList{"Out port 8", "Out port9", "In port 1"}));
    EXPECT_EQ(ports.last(), "In port 9");
    const QStringList userSlots = items(CEdidPage::IDC_USER_SLOT);
    EXPECT_EQ(userSlots.size(), 27);
    EXPECT_EQ(userSlots.mid(2, 2), (QStringList{"In1 User 3", "In2 User 1"}));
    EXPECT_EQ(userSlots.last(), "In9 User 3");
    EXPECT_EQ(button(CEdidPage::IDC_READ)->text(), "Read EDID data and save to file");
    EXPECT_EQ(button(CEdidPage::IDC_LOAD)->text(), "Load EDID file and write to input port");
    EXPECT_NE(ui::control<QLabel>(page.get(), QString("Basic EDID infomation:")), nullptr);
    EXPECT_NE(ui::control<QLabel>(page.get(), QString("EDID info(read from port):")), nullptr);
    ASSERT_NE(ui::control<QPlainTextEdit>(page.get(), CEdidPage::IDC_BASIC_INFO), nullptr);
    EXPECT_TRUE(box().isEmpty());

    // A wheel turn over a list without the keyboard focus (scrolling past it) changes nothing.
    button(CEdidPage::IDC_READ)->setFocus();
    std::vector<int> ids(CEdidPage::kEdidListIds.begin(), CEdidPage::kEdidListIds.end());
    ids.insert(ids.end(), {CEdidPage::IDC_READ_PORT, CEdidPage::IDC_USER_SLOT});
    for (int id : ids) {
        QComboBox *c = list(id);
        QWheelEvent wheel(QPointF(5, 5), c->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(c, &wheel);
        EXPECT_EQ(c->currentIndex(), -1) << id << " starts without a selection and stays so";
    }
    EXPECT_TRUE(console.texts.empty());
}

struct ApplyCase {
    const char *name;
    int input;
    int choice; // -1: the list is left without a selection
    bool portOn;
    std::string wire;
};

TEST_F(EdidPageTest, ApplySendsTheChoiceOfItsInput) {
    const std::vector<ApplyCase> cases = {
        {"input 3 User EDID2", 3, 3, true, "\r\nA01 SET IN3 EDID 03\r\n"},
        {"input 9 From Out9", 9, 13, true, "\r\nA01 SET IN9 EDID 13\r\n"},
        {"input 1 built-in 2CH", 1, 0, true, "\r\nA01 SET IN1 EDID 00\r\n"},
        {"no selection", 5, -1, true, ""},
        {"port off", 4, 2, false, ""},
    };
    for (const ApplyCase &c : cases) {
        SCOPED_TRACE(c.name);
        console.setPortOn(c.portOn);
        if (c.choice >= 0)
            chooseInput(c.input, c.choice);
        EXPECT_TRUE(console.texts.empty()) << "choosing alone sends nothing";
        apply(c.input);
        EXPECT_EQ(console.takeWire(), c.wire);
        EXPECT_TRUE(messages.messages().isEmpty());
        console.texts.clear();
    }
}

struct ReadCase {
    const char *name;
    int port;        // index in the port list, -1 none
    int inputChoice; // choice of the input read from (for "In port"), -1 none
    bool portOn;
    std::string wire;
    bool armed;
    std::string stem;
    QStringList messages;
};

TEST_F(EdidPageTest, ReadAsksTheDeviceAndArmsTheCapture) {
    const std::vector<ReadCase> cases = {
        {"Out port 1", 0, -1, true, "\r\nA01 GET OUT1 EDID  DATA\r\n", true, "Matrix_EDID_out1_", {}},
        {"Out port9", 8, -1, true, "\r\nA01 GET OUT9 EDID  DATA\r\n", true, "Matrix_EDID_out9_", {}},
        {"In 2 User1", 10, 2, true, "\r\nA01 GET IN2 EDID 2 DATA\r\n", true, "Matrix_EDID_inp2_", {}},
        {"In 9 5.1", 17, 1, true, "\r\nA01 GET IN9 EDID 1 DATA\r\n", true, "Matrix_EDID_inp9_", {}},
        {"In 4 From Out2: no command", 12, 6, true, "", true, "Matrix_EDID_inp4_", {}},
        {"port off still arms", 2, -1, false, "", true, "Matrix_EDID_out3_", {}},
        {"In port 6 without a choice", 14, -1, true, "", false, "", {}},
        {"no port chosen", -1, -1, true, "", false, "", {"Please select the target port first"}},
    };
    for (const ReadCase &c : cases) {
        SCOPED_TRACE(c.name);
        newPage();
        console.setPortOn(c.portOn);
        if (c.port >= 9 && c.inputChoice >= 0)
            chooseInput(c.port - 8, c.inputChoice);
        if (c.port >= 0)
            choose(CEdidPage::IDC_READ_PORT, c.port);
        click(CEdidPage::IDC_READ);
        EXPECT_EQ(console.takeWire(), c.wire);
        EXPECT_EQ(page->captureArmed(), c.armed);
        EXPECT_EQ(page->takesRawLines(), c.armed);
        if (c.armed) {
            EXPECT_EQ(page->captureStem(), c.stem);
        }
        EXPECT_EQ(messages.messages(), c.messages);
        messages.clear();
    }
}

// Reads output 1 and answers with a dump line.
struct CaptureCase {
    const char *name;
    std::vector<std::string> present; // files (or, ending in "/", folders) made beforehand
    std::string dumpBytes;            // the pairs the dump line carries
    std::optional<std::string> file;  // the file written, none when writing fails
    std::string fileBytes;
};

TEST_F(EdidPageTest, DumpLineIsSavedDecodedAndShown) {
    const std::string full = Bytes(256, 5);
    const std::string part = Bytes(100, 9);
    const std::string out00 = "Matrix_EDID_out1_00.bin";
    const std::vector<CaptureCase> cases = {
        {"first capture", {}, full, out00, full},
        {"next free number",
         {out00, "Matrix_EDID_out1_01.bin", "Matrix_EDID_out2_02.bin"},
         full,
         "Matrix_EDID_out1_02.bin",
         full},
        {"short dump leaves 0xFF", {}, part, out00, part + std::string(156, '\xFF')},
        {"file cannot be created", {out00 + ".tmp/"}, full, std::nullopt, ""},
    };
    for (const CaptureCase &c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::ScopedTempCwd folder;
        newPage();
        for (const std::string &name : c.present) {
            if (name.back() == '/')
                fs::create_directory(name.substr(0, name.size() - 1));
            else
                testsupport::writeFile(name, "old");
        }
        choose(CEdidPage::IDC_READ_PORT, 0);
        click(CEdidPage::IDC_READ);
        console.texts.clear();
        console.reply("IN2 EDID 5"); // not the dump: dropped while the capture waits
        EXPECT_EQ(page->edidChoice(2), -1);
        EXPECT_TRUE(page->captureArmed());

        const std::size_t binsBefore = binFiles();
        console.reply(dumpLine(c.dumpBytes));
        EXPECT_FALSE(page->captureArmed()) << "a handled dump ends the capture, saved or not";
        EXPECT_EQ(messages.messages(), QStringList{c.file ? QString::fromStdString("Save to file: " + *c.file)
                                                          : QString("Faild to create file")});
        messages.clear();
        EXPECT_EQ(binFiles(), binsBefore + (c.file ? 1 : 0)) << "no other file, no partial file";
        if (c.file) {
            EXPECT_EQ(testsupport::readFile(*c.file), c.fileBytes);
            ASSERT_FALSE(page->basicInfo().empty());
            EXPECT_EQ(box(), QString::fromStdString(page->basicInfo()).remove('\r'));
        } else {
            EXPECT_FALSE(fs::exists("Matrix_EDID_out1_00.bin"));
            EXPECT_TRUE(page->basicInfo().empty()) << "nothing decoded";
        }
        // The parser has the line again.
        console.reply("IN2 EDID 5");
        EXPECT_EQ(page->edidChoice(2), 5);
        EXPECT_TRUE(console.texts.empty());
    }
}

TEST_F(EdidPageTest, CaptureEndsOnTimeOutAndOnLinkReset) {
    choose(CEdidPage::IDC_READ_PORT, 0);
    page->setCaptureTimeout(std::chrono::milliseconds(1));
    click(CEdidPage::IDC_READ);
    ASSERT_TRUE(page->captureArmed());
    EXPECT_TRUE(testsupport::waitFor([&] { return !page->captureArmed(); }));
    console.reply(dumpLine(Bytes(256, 1)));
    EXPECT_TRUE(messages.messages().isEmpty()) << "a late dump is not saved";
    EXPECT_FALSE(fs::exists("Matrix_EDID_out1_00.bin"));

    page->setCaptureTimeout(CEdidPage::kCaptureTimeout);
    click(CEdidPage::IDC_READ);
    ASSERT_TRUE(page->captureArmed());
    console.linkReset();
    EXPECT_FALSE(page->captureArmed());
}

struct LoadCase {
    const char *name;
    int slot; // index in the user slot list, -1 none
    bool portOn;
    std::optional<std::string> chosen; // the file the dialog returns (relative); nullopt: cancelled
    std::string content;
    std::string head; // the start of the line sent; empty: nothing is sent
    QString message;
    bool dialogShown;
};

std::string loadLine(const std::string &head, const std::string &bytes) {
    std::string line = head;
    for (std::size_t i = 0; i < 256; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X",
                      i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0xFF);
        line += pair;
        line += i < 255 ? " " : "\r\n";
    }
    return line;
}

TEST_F(EdidPageTest, LoadSendsTheFileIntoTheChosenSlot) {
    const std::string half = Bytes(128, 3);
    const std::string longer = Bytes(300, 7);
    const std::vector<LoadCase> cases = {
        {"128 bytes: the rest FF", 7, true, "half.bin", half, "SET IN3 EDID U2 DATA ", kNote, true},
        {"longer file: first 256", 26, true, "long.bin", longer, "SET IN9 EDID U3 DATA ", kNote, true},
        {"upper-case extension", 0, true, "upper.BIN", half, "", "It is not bin file", true},
        {"other extension", 0, true, "edid.txt", half, "", "It is not bin file", true},
        {"missing file", 0, true, "gone.bin", "", "", "File read failed", true},
        {"folder named .bin", 0, true, "dir.bin", "", "", "File read failed", true},
        {"cancelled", 0, true, std::nullopt, "", "", "", true},
        {"port off", 4, false, "half.bin", half, "", "Com port is not on yet.", false},
        {"no slot chosen", -1, true, "half.bin", half, "", "Please select the target port first", false},
    };
    fs::create_directory("dir.bin");
    for (const LoadCase &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.chosen && !c.content.empty())
            testsupport::writeFile(*c.chosen, c.content);
        newPage();
        console.setPortOn(c.portOn);
        bool shown = false;
        ui::FileDialogOverride dialog([&](const QString &, const QString &filter) {
            shown = true;
            EXPECT_EQ(filter, "bin file(*.bin);;all file(*.*)");
            return c.chosen ? QDir::current().absoluteFilePath(QString::fromStdString(*c.chosen)) : QString();
        });
        if (c.slot >= 0)
            choose(CEdidPage::IDC_USER_SLOT, c.slot);
        click(CEdidPage::IDC_LOAD);
        EXPECT_EQ(shown, c.dialogShown);
        const std::string wire = console.takeWire();
        // One line, no address prefix: the head, 256 upper-case pairs (file bytes, then FF), CR LF.
        EXPECT_EQ(wire, c.head.empty() ? "" : loadLine(c.head, c.content));
        if (!c.head.empty()) {
            EXPECT_EQ(wire.size(), 790u);
        }
        EXPECT_EQ(messages.messages(), c.message.isEmpty() ? QStringList{} : QStringList{c.message});
        messages.clear();
        console.texts.clear();
    }
}

TEST_F(EdidPageTest, EdidReplySelectsTheInputsChoiceAndSendsNothing) {
    struct Case {
        std::string line;
        int input;
        int choice;
    };
    const std::vector<Case> cases = {
        {"IN1 EDID 3", 1, 3},   {"IN1 EDID 13", 1, 13}, {"IN4 EDID 0", 4, 0},
        {"IN4 EDID 14", 4, -1}, {"IN5 EDID 7", 5, 7},   {"IN5 EDID ", 5, 7}, // no value: kept
    };
    for (const Case &c : cases) {
        console.reply(c.line);
        EXPECT_EQ(page->edidChoice(c.input), c.choice) << c.line;
        EXPECT_EQ(list(CEdidPage::kEdidListIds[c.input - 1])->currentIndex(), c.choice) << c.line;
    }
    // The refresh after input 9 keeps what the operator has chosen but not yet used.
    choose(CEdidPage::IDC_READ_PORT, 4);
    choose(CEdidPage::IDC_USER_SLOT, 11);
    console.reply("IN9 EDID 2");
    EXPECT_EQ(list(CEdidPage::kEdidListIds[8])->currentIndex(), 2);
    EXPECT_EQ(list(CEdidPage::IDC_READ_PORT)->currentIndex(), 4);
    EXPECT_EQ(list(CEdidPage::IDC_USER_SLOT)->currentIndex(), 11);
    EXPECT_EQ(list(CEdidPage::kEdidListIds[0])->currentIndex(), 13);
    EXPECT_TRUE(console.texts.empty());
    EXPECT_TRUE(messages.messages().isEmpty());
}

} // namespace
