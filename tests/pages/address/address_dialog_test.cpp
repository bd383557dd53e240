// The address dialog against a fake console: what its buttons send or refuse, what "Save" writes,
// how the "ADDR " reply and the keyboard reach it, and what it keeps between openings.
#include "TempDir.h"
#include "TestConsole.h"
#include "address/AddressFile.h"
#include "pages/address/CAddressDlg.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>

namespace {

// Entry 1 is 05 "Lobby", entry 2 is 12 "Stage", the rest 00 and one space.
const std::string kFile = "05 12 " + [] {
    std::string rest;
    for (int i = 2; i < 32; ++i)
        rest += "00 ";
    rest += "\r\n*Lobby\r\n*Stage\r\n";
    for (int i = 2; i < 32; ++i)
        rest += "* \r\n";
    return rest;
}();

class AddressDialogTest : public testing::Test {
protected:
    void SetUp() override {
        testsupport::writeFile(address::kAddressFileName, kFile);
        ASSERT_TRUE(address::LoadAddressFile(table).empty());
        dlg = std::make_unique<CAddressDlg>(&console, table);
        open();
    }
    void open() {
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }
    QLineEdit *edit(const QString &name) const { return ui::control<QLineEdit>(dlg.get(), name); }
    QLineEdit *deviceAddress(const QString &group) const {
        return ui::control<QLineEdit>(ui::control<QGroupBox>(dlg.get(), group), CAddressDlg::kDeviceAddress);
    }
    QLineEdit *oldAddress() const { return deviceAddress(CAddressDlg::kOriginalGroup); }
    QLineEdit *newAddress() const { return deviceAddress(CAddressDlg::kNewGroup); }
    void click(const QString &button) {
        QTest::mouseClick(ui::control<QPushButton>(dlg.get(), button), Qt::LeftButton);
    }
    // Types character by character, as a keyboard does, so the limits and the validator apply.
    static void type(QLineEdit *e, const QString &text) {
        e->clear();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    testsupport::ScopedTempCwd cwd;
    ui::MessageCapture messages;
    TestConsole console;
    address::AddressTable table;
    std::unique_ptr<CAddressDlg> dlg;
};

TEST_F(AddressDialogTest, OpensWithTheTableInLimitedEditsAndTheFixedTexts) {
    EXPECT_EQ(dlg->objectName(), "CAddressDlg");
    ASSERT_NE(oldAddress(), nullptr);
    ASSERT_NE(newAddress(), nullptr);
    EXPECT_NE(oldAddress(), newAddress());
    EXPECT_EQ(oldAddress()->text(), "0");
    for (int n = 1; n <= 32; ++n) {
        SCOPED_TRACE(n);
        ASSERT_NE(edit(CAddressDlg::addressEditName(n)), nullptr);
        ASSERT_NE(edit(CAddressDlg::descriptionEditName(n)), nullptr);
        EXPECT_EQ(edit(CAddressDlg::descriptionEditName(n))->maxLength(), 10);
    }
    EXPECT_EQ(edit("Address 1")->text(), "05");
    EXPECT_EQ(edit("Description 2")->text(), "Stage");
    EXPECT_EQ(edit("Address 32")->text(), "00");
    QStringList labels;
    for (QLabel *label : dlg->findChildren<QLabel *>())
        labels << label->text();
    const char *saveNote = "Note: Please save the setting before you close the address mangerment dialog. "
                           "Otherwise the data will be ignored. Address must be from 00 to 99. Address 00 is "
                           "for broadcast to all devices.";
    for (const char *text :
         {"Note: When read or write address, there should be only one device is connected.", saveNote,
          "Device\nAddress", "1:", "32:"})
        EXPECT_TRUE(labels.contains(text)) << text;
    EXPECT_NE(ui::control<QGroupBox>(dlg.get(),
                                     "Address Table ( Every edit box is 2 digital mode. Max number "
                                     "of char in Description is 10)"),
              nullptr);
    for (const QString &b : {CAddressDlg::kReadButton, CAddressDlg::kWriteButton, CAddressDlg::kSaveButton})
        EXPECT_FALSE(ui::control<QPushButton>(dlg.get(), b)->autoDefault()) << b.toStdString();
}

// A button's action with the edits as given: what goes on the wire and what is said. None of them
// may touch the file.
struct ButtonCase {
    const char *name;
    int device;
    const char *oldText;
    const char *newText;
    QString button;
    QStringList messages;
    std::string wire;
};

void PrintTo(const ButtonCase &c, std::ostream *os) {
    *os << c.name;
}

class AddressButtonTest : public AddressDialogTest, public testing::WithParamInterface<ButtonCase> {};

TEST_P(AddressButtonTest, SendsOrRefusesAndLeavesTheFile) {
    const ButtonCase &c = GetParam();
    console.setDeviceByte(static_cast<std::uint8_t>(c.device));
    oldAddress()->setText(c.oldText);
    newAddress()->setText(c.newText);
    click(c.button);
    EXPECT_EQ(messages.messages(), c.messages);
    EXPECT_EQ(console.takeWire(), c.wire);
    EXPECT_EQ(testsupport::readFile(address::kAddressFileName), kFile);
}

const QString kPositive = "Please enter a positive integer.";
const QString kRange = "Please enter an integer between 0 and 99.";

INSTANTIATE_TEST_SUITE_P(
    Cases, AddressButtonTest,
    testing::Values(
        ButtonCase{
            "ReadCarriesItsOwnPrefix", 5, "0", "0", CAddressDlg::kReadButton, {}, "\r\nA00 GET ADDR\r\n"},
        ButtonCase{"WriteGoesToTheCurrentDevice",
                   5,
                   "0",
                   "12",
                   CAddressDlg::kWriteButton,
                   {},
                   "\r\nA05 SET ADDR 12\r\n"},
        ButtonCase{"WriteOfTextSendsNothing", 5, "0", "x", CAddressDlg::kWriteButton, {kPositive}, ""},
        ButtonCase{"WriteStopsAtABadOldAddress", 5, "150", "3", CAddressDlg::kWriteButton, {kRange}, ""},
        ButtonCase{"WriteStopsBeforeReachingTheNewAddress",
                   5,
                   "abc",
                   "100",
                   CAddressDlg::kWriteButton,
                   {kPositive},
                   ""},
        ButtonCase{
            "SaveOfAnUnreadableEditSavesNothing", 5, "0", "x", CAddressDlg::kSaveButton, {kPositive}, ""}),
    [](const testing::TestParamInfo<ButtonCase> &info) { return std::string(info.param.name); });

// "Save" of one entry typed at the keyboard: the bytes in the file, then what the edits show.
struct SaveCase {
    const char *name;
    int entry;
    QString typedAddress;
    QString typedDescription;
    std::string fileAddress;
    std::string fileLine;
    QString shownDescription;
};

void PrintTo(const SaveCase &c, std::ostream *os) {
    *os << c.name;
}

class AddressSaveTest : public AddressDialogTest, public testing::WithParamInterface<SaveCase> {};

TEST_P(AddressSaveTest, WritesTheEntryAndReadsItBack) {
    const SaveCase &c = GetParam();
    type(edit(CAddressDlg::addressEditName(c.entry)), c.typedAddress);
    type(edit(CAddressDlg::descriptionEditName(c.entry)), c.typedDescription);
    click(CAddressDlg::kSaveButton);
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.messages().join("|").toStdString();

    const std::string file = testsupport::readFile(address::kAddressFileName);
    EXPECT_EQ(file.substr(static_cast<std::size_t>(c.entry - 1) * 3, 3), c.fileAddress);
    std::size_t line = file.find("\r\n") + 2;
    for (int n = 1; n < c.entry; ++n)
        line = file.find("\r\n", line) + 2;
    EXPECT_EQ(file.substr(line, c.fileLine.size()), c.fileLine);
    EXPECT_EQ(file.substr(0, 6), c.entry == 1 ? c.fileAddress + "12 " : "05 12 ") << "the other entries stay";

    address::AddressTable reread;
    ASSERT_TRUE(address::LoadAddressFile(reread).empty());
    EXPECT_EQ(reread, table);
    EXPECT_EQ(edit(CAddressDlg::addressEditName(c.entry))->text().toStdString() + " ", c.fileAddress);
    EXPECT_EQ(edit(CAddressDlg::descriptionEditName(c.entry))->text(), c.shownDescription);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddressSaveTest,
    testing::Values(SaveCase{"SevenAndNoDescription", 3, "7", "", "07 ", "* \r\n", " "},
                    SaveCase{"TenCharactersOfElevenTyped", 32, "999", "ABCDEFGHIJK", "99 ", "*ABCDEFGHIJ\r\n",
                             "ABCDEFGHIJ"},
                    SaveCase{"Latin1OnlyOneBytePerCharacter", 1, "42", "Caf\u20ac\u00e9 \u00c0", "42 ",
                             "*Caf\xE9 \xC0\r\n", "Caf\u00e9 \u00c0"}),
    [](const testing::TestParamInfo<SaveCase> &info) { return std::string(info.param.name); });

TEST_F(AddressDialogTest, FailedWriteKeepsFileTableAndEdits) {
    std::filesystem::create_directory(std::string(address::kAddressFileName) + ".tmp");
    const address::AddressTable before = table;
    type(edit("Address 1"), "9");
    click(CAddressDlg::kSaveButton);
    EXPECT_EQ(messages.messages(),
              QStringList{"There is no KorvexAddrMG.ini and faild to create new empty ini file !"});
    EXPECT_EQ(testsupport::readFile(address::kAddressFileName), kFile);
    EXPECT_EQ(table, before);
    EXPECT_EQ(edit("Address 1")->text(), "9"); // still there to try again
}

TEST_F(AddressDialogTest, AddressOutsideTwoDigitsShowsWholeAndSaveRefusesEveryEntry) {
    const std::string file = "150" + kFile.substr(2);
    testsupport::writeFile(address::kAddressFileName, file);
    ASSERT_TRUE(address::LoadAddressFile(table).empty());
    dlg->close();
    open();
    EXPECT_EQ(edit("Address 1")->text(), "150");
    type(edit("Address 2"), "3");
    click(CAddressDlg::kSaveButton);
    EXPECT_EQ(messages.messages(), QStringList{"Index No. 00 is more than 2 HEX digital"});
    EXPECT_EQ(testsupport::readFile(address::kAddressFileName), file);
    EXPECT_EQ(table.entries[1].address, 12);
}

TEST_F(AddressDialogTest, ReplyShowsAtOnceWhileOpenElseAtTheNextOpening) {
    type(edit("Description 2"), "Typing");
    type(newAddress(), "4");
    console.reply("ADDR 12");
    EXPECT_EQ(oldAddress()->text(), "12");
    EXPECT_EQ(edit("Description 2")->text(), "Typing"); // what the operator types stays
    EXPECT_EQ(newAddress()->text(), "4");
    for (const char *ignored : {" ADDR 13", "ADDR 1x", "ADDR 3"})
        console.reply(ignored);
    EXPECT_EQ(dlg->oldAddress(), 12u);

    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    ASSERT_FALSE(dlg->isOpen());
    console.reply("ADDR 25");
    EXPECT_EQ(dlg->oldAddress(), 25u);
    open();
    EXPECT_EQ(oldAddress()->text(), "25");
    EXPECT_EQ(edit("Description 2")->text(), "Stage"); // unsaved table edits are dropped at closing
}

TEST_F(AddressDialogTest, EnterPressesNoButtonAndClosingKeepsTheAddresses) {
    type(newAddress(), "7");
    click(CAddressDlg::kWriteButton);
    ASSERT_EQ(console.takeWire(), "\r\nA01 SET ADDR 07\r\n");
    type(edit("Address 1"), "55");
    const QWidgetList focused{edit("Address 1"), newAddress(),
                              ui::control<QPushButton>(dlg.get(), CAddressDlg::kWriteButton),
                              ui::control<QPushButton>(dlg.get(), CAddressDlg::kSaveButton)};
    for (QWidget *focus : focused) {
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Return);
        QTest::keyClick(focus, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(dlg->isOpen()) << focus->objectName().toStdString();
    }
    EXPECT_TRUE(console.takeWire().empty());
    EXPECT_EQ(testsupport::readFile(address::kAddressFileName), kFile);

    dlg->close(); // the title bar's close box
    EXPECT_FALSE(dlg->isOpen());
    EXPECT_EQ(table.entries[0].address, 5);
    open();
    EXPECT_EQ(newAddress()->text(), "7");
    EXPECT_EQ(edit("Address 1")->text(), "05");
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.messages().join("|").toStdString();
}

} // namespace
