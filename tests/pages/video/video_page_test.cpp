#include "TestConsole.h"
#include "pages/video/CVideoPage.h"
#include "protocol/TextPrefix.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

// First radio ("in1") of each row, "Out1".."Out9" then "All Output Port"; "MV" is nine further on.
constexpr int kRowFirstId[10] = {1149, 1160, 1170, 1180, 1190, 1200, 1210, 1220, 1230, 1240};

constexpr const char *kRowCaption[10] = {"Out1", "Out2", "Out3", "Out4", "Out5",
                                         "Out6", "Out7", "Out8", "Out9", "All Output Port"};

class VideoPageTest : public testing::Test {
protected:
    void SetUp() override {
        page = std::make_unique<CVideoPage>(&console);
        page->resize(640, 520);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }

    QRadioButton *radio(int id) const { return ui::control<QRadioButton>(page.get(), id); }
    QRadioButton *radio(int row, int column) const { return radio(kRowFirstId[row] + column); }
    QLineEdit *edit(int id) const { return ui::control<QLineEdit>(page.get(), id); }

    void click(QAbstractButton *button) {
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void pressUpdate() { click(ui::control<QPushButton>(page.get(), 1159)); }

    void typeBorder(const QString &width, const QString &red, const QString &green, const QString &blue) {
        edit(1113)->setText(width);
        edit(1110)->setText(red);
        edit(1111)->setText(green);
        edit(1112)->setText(blue);
    }

    // Index of the checked radio of a row, -1 when none; -2 when more than one, -3 when one is missing.
    int checkedColumn(int row) const {
        int found = -1;
        for (int column = 0; column < 10; ++column) {
            const QRadioButton *button = radio(row, column);
            if (!button) {
                ADD_FAILURE() << "no radio " << kRowFirstId[row] + column;
                return -3;
            }
            if (button->isChecked())
                found = found == -1 ? column : -2;
        }
        return found;
    }

    TestConsole console;
    ui::MessageCapture messages;
    std::unique_ptr<CVideoPage> page;
};

TEST_F(VideoPageTest, OpensWithNothingCheckedAndZeroInTheEdits) {
    EXPECT_EQ(page->objectName(), "176");
    for (int row = 0; row < 10; ++row)
        EXPECT_EQ(checkedColumn(row), -1) << kRowCaption[row];
    for (int id : {1110, 1111, 1112, 1113}) {
        ASSERT_NE(edit(id), nullptr) << id;
        EXPECT_EQ(edit(id)->text(), "0") << id;
    }
    auto *update = ui::control<QPushButton>(page.get(), 1159);
    ASSERT_NE(update, nullptr);
    EXPECT_EQ(update->text(), "Update");
    EXPECT_FALSE(update->autoDefault());
    EXPECT_TRUE(console.texts.empty());
}

// Every one of the hundred radios sits in its row's box under its caption and sends its own
// routing text; the click shows on the radio but leaves the member for the reply to set.
TEST_F(VideoPageTest, EveryRadioSendsItsRoutingText) {
    for (int row = 0; row < 10; ++row) {
        for (int column = 0; column < 10; ++column) {
            const int id = kRowFirstId[row] + column;
            SCOPED_TRACE(id);
            QRadioButton *button = radio(id);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text(), column == 9 ? QString("MV") : QString("in%1").arg(column + 1));
            auto *box = qobject_cast<QGroupBox *>(button->parentWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->title(), kRowCaption[row]);

            console.texts.clear();
            click(button);
            const char output = row == 9 ? '0' : static_cast<char>('1' + row);
            const std::string input = column == 9 ? "10" : std::string{static_cast<char>('1' + column), ' '};
            ASSERT_EQ(console.texts.size(), 1u);
            EXPECT_EQ(console.texts[0], std::string("\r\nSET OUT") + output + " VS IN" + input + "\r\n");
            EXPECT_EQ(console.texts[0].size(), 20u);
            EXPECT_TRUE(button->isChecked());
        }
    }
    for (int output = 1; output <= 9; ++output)
        EXPECT_EQ(page->outputSelection(output), -1);
    EXPECT_EQ(page->allOutputsSelection(), -1);
    EXPECT_TRUE(messages.messages().isEmpty());
}

struct RoutingCase {
    int id;
    const char *text;
};

void PrintTo(const RoutingCase &c, std::ostream *os) {
    *os << "radio " << c.id;
}

class VideoPageRoutingTest : public VideoPageTest, public testing::WithParamInterface<RoutingCase> {};

// One click per row kind and column kind, with the exact bytes handed over and, for device 5, the
// line as it goes out on the port.
TEST_P(VideoPageRoutingTest, ClickSendsExactBytes) {
    const RoutingCase &c = GetParam();
    console.setDeviceByte(5);
    click(radio(c.id));
    ASSERT_EQ(console.texts.size(), 1u);
    EXPECT_EQ(console.texts[0], c.text);
    const auto wire = protocol::prefixText(console.texts[0], console.deviceByte());
    ASSERT_TRUE(wire.has_value());
    EXPECT_EQ(*wire, "\r\nA05 " + std::string(c.text).substr(2));
}

INSTANTIATE_TEST_SUITE_P(RowAndColumnKinds, VideoPageRoutingTest,
                         testing::Values(RoutingCase{1149, "\r\nSET OUT1 VS IN1 \r\n"},
                                         RoutingCase{1158, "\r\nSET OUT1 VS IN10\r\n"},
                                         RoutingCase{1176, "\r\nSET OUT3 VS IN7 \r\n"},
                                         RoutingCase{1179, "\r\nSET OUT3 VS IN10\r\n"},
                                         RoutingCase{1238, "\r\nSET OUT9 VS IN9 \r\n"},
                                         RoutingCase{1239, "\r\nSET OUT9 VS IN10\r\n"},
                                         RoutingCase{1240, "\r\nSET OUT0 VS IN1 \r\n"},
                                         RoutingCase{1249, "\r\nSET OUT0 VS IN10\r\n"}));

TEST_F(VideoPageTest, EachRowIsItsOwnRadioGroup) {
    click(radio(0, 0));
    click(radio(1, 1));
    click(radio(9, 9));
    EXPECT_EQ(checkedColumn(0), 0);
    EXPECT_EQ(checkedColumn(1), 1);
    EXPECT_EQ(checkedColumn(9), 9);
    click(radio(0, 5));
    EXPECT_EQ(checkedColumn(0), 5);
    EXPECT_EQ(checkedColumn(1), 1);
}

TEST_F(VideoPageTest, AllOutputsClickLeavesTheOtherRows) {
    click(radio(2, 6));
    console.texts.clear();
    click(radio(9, 3));
    ASSERT_EQ(console.texts.size(), 1u);
    EXPECT_EQ(console.texts[0], "\r\nSET OUT0 VS IN4 \r\n");
    EXPECT_EQ(checkedColumn(2), 6);
    for (int row : {0, 1, 3, 4, 5, 6, 7, 8})
        EXPECT_EQ(checkedColumn(row), -1) << kRowCaption[row];
}

TEST_F(VideoPageTest, UpdateSendsWidthAndColourInOneWrite) {
    console.setDeviceByte(7);
    typeBorder("15", "255", "0", "128");
    pressUpdate();
    EXPECT_TRUE(messages.messages().isEmpty());
    ASSERT_EQ(console.texts.size(), 1u);
    EXPECT_EQ(console.texts[0], "\r\nSET BLW 015\r\n\r\nSET BLC 255.000.128\r\n");
    EXPECT_EQ(console.texts[0].size(), 38u);
    EXPECT_EQ(protocol::prefixText(console.texts[0], console.deviceByte()),
              "\r\nA07 SET BLW 015\r\n\r\nA07 SET BLC 255.000.128\r\n");
    EXPECT_EQ(page->borderWidth(), 15);
    EXPECT_EQ(page->borderRed(), 255);
    EXPECT_EQ(page->borderGreen(), 0);
    EXPECT_EQ(page->borderBlue(), 128);
    EXPECT_EQ(console.frames.size(), 0u);
}

struct RefusedCase {
    const char *width;
    const char *red;
    const char *green;
    const char *blue;
    int focusId;
    const char *message;
};

void PrintTo(const RefusedCase &c, std::ostream *os) {
    *os << "width '" << c.width << "' red '" << c.red << "' green '" << c.green << "' blue '" << c.blue
        << "'";
}

class VideoPageRefusedTest : public VideoPageTest, public testing::WithParamInterface<RefusedCase> {};

// A refused "Update" shows one message for the first bad edit in exchange order (blue, green, red,
// width), gives that edit the focus and sends nothing.
TEST_P(VideoPageRefusedTest, ShowsTheMessageAndSendsNothing) {
    const RefusedCase &c = GetParam();
    typeBorder(c.width, c.red, c.green, c.blue);
    pressUpdate();
    EXPECT_TRUE(console.texts.empty());
    EXPECT_EQ(messages.messages(), QStringList{c.message});
    EXPECT_EQ(page->focusWidget(), edit(c.focusId));
}

INSTANTIATE_TEST_SUITE_P(
    BadEdits, VideoPageRefusedTest,
    testing::Values(RefusedCase{"16", "255", "0", "128", 1113, "Please enter an integer between 0 and 15."},
                    RefusedCase{"-1", "0", "0", "0", 1113, "Please enter an integer between 0 and 15."},
                    RefusedCase{"1", "256", "0", "0", 1110, "Please enter an integer between 0 and 255."},
                    RefusedCase{"1", "0", "-1", "0", 1111, "Please enter an integer between 0 and 255."},
                    RefusedCase{"1", "0", "0", "99999999999", 1112, "Please enter an integer."},
                    RefusedCase{"abc", "0", "0", "0", 1113, "Please enter an integer."},
                    RefusedCase{"1", "0", "0", "", 1112, "Please enter an integer."},
                    RefusedCase{"1", "0", "12.5", "0", 1111, "Please enter an integer."},
                    RefusedCase{"1", "0x10", "0", "0", 1110, "Please enter an integer."},
                    // Blue comes first in the exchange, so its fault is the one reported.
                    RefusedCase{"16", "256", "0", "300", 1112,
                                "Please enter an integer between 0 and 255."}));

TEST_F(VideoPageTest, PortOffSendsNothingAndShowsNothing) {
    console.setPortOn(false);
    click(radio(2, 6));
    click(radio(8, 9));
    click(radio(9, 0));
    typeBorder("15", "255", "0", "128");
    pressUpdate();
    EXPECT_TRUE(console.texts.empty());
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_EQ(console.frames.size(), 0u);
}

struct ReplyCase {
    int output;
    int selection;
    int checkedId;
};

void PrintTo(const ReplyCase &c, std::ostream *os) {
    *os << "output " << c.output << " selection " << c.selection;
}

class VideoPageReplyTest : public VideoPageTest, public testing::WithParamInterface<ReplyCase> {};

// A routing reply stored through the setter and refreshed checks exactly one radio of its row,
// replacing whatever the operator clicked there, and leaves the other rows alone.
TEST_P(VideoPageReplyTest, RefreshChecksTheReportedRadio) {
    const ReplyCase &c = GetParam();
    const int row = c.output - 1;
    click(radio(row, c.selection == 0 ? 1 : 0));
    const int otherRow = row == 0 ? 1 : 0;
    page->setOutputSelection(otherRow + 1, 2);

    page->setOutputSelection(c.output, c.selection);
    page->updateData(false);

    EXPECT_EQ(page->outputSelection(c.output), c.selection);
    ASSERT_NE(radio(c.checkedId), nullptr);
    EXPECT_TRUE(radio(c.checkedId)->isChecked());
    EXPECT_EQ(checkedColumn(row), c.selection);
    EXPECT_EQ(checkedColumn(otherRow), 2);
    EXPECT_EQ(checkedColumn(9), -1);
}

INSTANTIATE_TEST_SUITE_P(Rows, VideoPageReplyTest,
                         testing::Values(ReplyCase{4, 9, 1189}, // input field "10": the "MV" radio
                                         ReplyCase{1, 0, 1149}, ReplyCase{1, 9, 1158}, ReplyCase{3, 6, 1176},
                                         ReplyCase{9, 8, 1238}, ReplyCase{9, 9, 1239}));

TEST_F(VideoPageTest, ReportedNoneClearsARow) {
    page->setOutputSelection(5, 3);
    page->updateData(false);
    EXPECT_EQ(checkedColumn(4), 3);
    page->setOutputSelection(5, -1);
    page->updateData(false);
    EXPECT_EQ(checkedColumn(4), -1);
}

TEST_F(VideoPageTest, OutOfRangeSelectionsChangeNothing) {
    page->setOutputSelection(2, 4);
    for (auto [output, selection] : {std::pair{0, 1}, {10, 1}, {-1, 1}, {2, 10}, {2, -2}})
        page->setOutputSelection(output, selection);
    for (int output = 1; output <= 9; ++output)
        EXPECT_EQ(page->outputSelection(output), output == 2 ? 4 : -1) << output;
    EXPECT_EQ(page->outputSelection(0), -1);
    EXPECT_EQ(page->outputSelection(10), -1);
    EXPECT_EQ(page->allOutputsSelection(), -1);
}

TEST_F(VideoPageTest, BorderRepliesRefreshTheEdits) {
    typeBorder("9", "9", "9", "9");
    page->setBorderColour(12, 0, 255);
    page->setBorderWidth(15);
    page->updateData(false);
    EXPECT_EQ(edit(1110)->text(), "12");
    EXPECT_EQ(edit(1111)->text(), "0");
    EXPECT_EQ(edit(1112)->text(), "255");
    EXPECT_EQ(edit(1113)->text(), "15");
    pressUpdate();
    ASSERT_EQ(console.texts.size(), 1u);
    EXPECT_EQ(console.texts[0], "\r\nSET BLW 015\r\n\r\nSET BLC 012.000.255\r\n");
}

// The all-outputs row is never set by a reply: a refresh shows the value "Update" last took and so
// clears a later click in that row.
TEST_F(VideoPageTest, AllOutputsRowShowsWhatUpdateLastTook) {
    click(radio(9, 4));
    page->setOutputSelection(1, 0);
    page->updateData(false);
    EXPECT_EQ(checkedColumn(9), -1);
    EXPECT_EQ(checkedColumn(0), 0);

    click(radio(9, 4));
    pressUpdate();
    EXPECT_EQ(page->allOutputsSelection(), 4);

    click(radio(9, 9));
    EXPECT_EQ(checkedColumn(9), 9);
    page->updateData(false);
    EXPECT_EQ(checkedColumn(9), 4);
    EXPECT_EQ(page->allOutputsSelection(), 4);
}

// "Update" takes every control, so routing clicks not yet confirmed by a reply become the members.
TEST_F(VideoPageTest, UpdateTakesTheRoutingRadios) {
    click(radio(6, 2));
    EXPECT_EQ(page->outputSelection(7), -1);
    pressUpdate();
    EXPECT_EQ(page->outputSelection(7), 2);
}

} // namespace
