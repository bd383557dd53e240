// The dialog-framework layer: data exchange both ways with the standard messages, radio groups,
// the IP address control and the message and file-dialog hooks.
#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/FileDialog.h"
#include "ui/IpAddressEdit.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// A small dialog: two int edits, an unsigned edit, a double edit, a text edit, a radio group of
// three, a check box and an IP address control, all named by identifier.
class Dialog : public QWidget {
public:
    Dialog() {
        auto *layout = new QVBoxLayout(this);
        for (int id : {10, 11, 12, 13, 14})
            layout->addWidget(ui::withId(new QLineEdit(this), id));
        for (int id : {20, 21, 22})
            layout->addWidget(ui::withId(new QRadioButton(QStringLiteral("r%1").arg(id), this), id));
        layout->addWidget(ui::withId(new QCheckBox(this), 30));
        layout->addWidget(ui::withId(new ui::IpAddressEdit(this), 40));
    }
    QLineEdit *edit(int id) { return ui::control<QLineEdit>(this, id); }
    QRadioButton *radio(int id) { return ui::control<QRadioButton>(this, id); }
    std::array<QAbstractButton *, 3> radios() { return {radio(20), radio(21), radio(22)}; }
};

} // namespace

TEST(Exchange, TakesNumbersAndReportsTheStandardMessages) {
    struct Case {
        const char *text;
        int min, max;
        bool ok;
        int value;
        const char *message;
    };
    const Case cases[] = {
        {"15", 0, 15, true, 15, nullptr},
        {" 7 ", 0, 15, true, 7, nullptr},
        {"-3", -5, 5, true, -3, nullptr},
        {"+4", 0, 15, true, 4, nullptr},
        {"16", 0, 15, false, 16, "Please enter an integer between 0 and 15."},
        {"-1", 0, 255, false, -1, "Please enter an integer between 0 and 255."},
        {"", 0, 15, false, 0, "Please enter an integer."},
        {"12a", 0, 15, false, 0, "Please enter an integer."},
        {"1.5", 0, 15, false, 0, "Please enter an integer."},
        {"-", 0, 15, false, 0, "Please enter an integer."},
        {"99999999999", 0, 15, false, 0, "Please enter an integer."},
    };
    for (const Case &c : cases) {
        Dialog dlg;
        dlg.show();
        ui::MessageCapture messages;
        dlg.edit(10)->setText(QString::fromLatin1(c.text));
        dlg.edit(11)->setText(QStringLiteral("3"));
        int value = 0, after = 0;
        ui::Exchange ex(&dlg, ui::Exchange::Take);
        ex.intEdit(dlg.edit(10), value, c.min, c.max).intEdit(dlg.edit(11), after);
        EXPECT_EQ(ex.ok(), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
            EXPECT_EQ(after, 3);
            EXPECT_TRUE(messages.messages().isEmpty());
        } else {
            EXPECT_EQ(messages.messages(), QStringList{QString::fromLatin1(c.message)}) << c.text;
            EXPECT_EQ(after, 0) << "the exchange goes no further after a failure";
            EXPECT_EQ(dlg.focusWidget(), dlg.edit(10)) << "focus goes back to the offending edit";
        }
    }
}

TEST(Exchange, UnsignedAndDoubleEdits) {
    Dialog dlg;
    ui::MessageCapture messages;
    unsigned u = 0;
    double d = 0;
    dlg.edit(12)->setText("-1");
    EXPECT_FALSE(ui::Exchange(&dlg, ui::Exchange::Take).unsignedEdit(dlg.edit(12), u).ok());
    dlg.edit(12)->setText("100");
    EXPECT_FALSE(ui::Exchange(&dlg, ui::Exchange::Take).unsignedEdit(dlg.edit(12), u, 0, 99).ok());
    dlg.edit(13)->setText("x");
    EXPECT_FALSE(ui::Exchange(&dlg, ui::Exchange::Take).doubleEdit(dlg.edit(13), d).ok());
    EXPECT_EQ(messages.messages(),
              (QStringList{"Please enter a positive integer.", "Please enter an integer between 0 and 99.",
                           "Please enter a number."}));
    dlg.edit(13)->setText("0.5");
    EXPECT_TRUE(ui::Exchange(&dlg, ui::Exchange::Take).doubleEdit(dlg.edit(13), d).ok());
    EXPECT_DOUBLE_EQ(d, 0.5);
}

TEST(Exchange, RefreshWritesMembersIntoControls) {
    Dialog dlg;
    int width = 12, radio = 1, check = 1;
    unsigned port = 8000;
    QString text = "hello";
    std::array<std::uint8_t, 4> ip{192, 168, 1, 10};
    ui::Exchange(&dlg, ui::Exchange::Refresh)
        .intEdit(dlg.edit(10), width)
        .unsignedEdit(dlg.edit(12), port)
        .text(dlg.edit(14), text)
        .radioGroup(dlg.radios(), radio)
        .check(ui::control<QCheckBox>(&dlg, 30), check)
        .ipAddress(ui::control<ui::IpAddressEdit>(&dlg, 40), ip);
    EXPECT_EQ(dlg.edit(10)->text(), "12");
    EXPECT_EQ(dlg.edit(12)->text(), "8000");
    EXPECT_EQ(dlg.edit(14)->text(), "hello");
    EXPECT_TRUE(dlg.radio(21)->isChecked());
    EXPECT_TRUE(ui::control<QCheckBox>(&dlg, 30)->isChecked());
    EXPECT_EQ(ui::control<ui::IpAddressEdit>(&dlg, 40)->text(), "192.168.1.10");

    // -1 clears every radio of the group, although they are mutually exclusive.
    radio = -1;
    ui::Exchange(&dlg, ui::Exchange::Refresh).radioGroup(dlg.radios(), radio);
    for (int id : {20, 21, 22})
        EXPECT_FALSE(dlg.radio(id)->isChecked());
    radio = 5;
    ui::Exchange(&dlg, ui::Exchange::Take).radioGroup(dlg.radios(), radio);
    EXPECT_EQ(radio, -1);
    dlg.radio(22)->setChecked(true);
    ui::Exchange(&dlg, ui::Exchange::Take).radioGroup(dlg.radios(), radio);
    EXPECT_EQ(radio, 2);
    // Exclusivity still holds after a refresh lifted it for a moment.
    dlg.radio(20)->click();
    EXPECT_FALSE(dlg.radio(22)->isChecked());
}

TEST(IpAddressEdit, FieldsDotsAndBlanks) {
    ui::IpAddressEdit ip;
    ip.show();
    EXPECT_TRUE(ip.isBlank());
    EXPECT_EQ(ip.text(), "");
    // "." moves on to the next field instead of being typed; so does a third digit.
    QTest::keyClicks(ip.field(0), "10.");
    EXPECT_EQ(ip.field(0)->text(), "10");
    EXPECT_EQ(ip.focusWidget(), ip.field(1));
    QTest::keyClicks(ip.field(1), "168");
    EXPECT_EQ(ip.focusWidget(), ip.field(2));
    // A value above 255 cannot be typed: it becomes 255.
    QTest::keyClicks(ip.field(2), "300");
    EXPECT_EQ(ip.field(2)->text(), "255");
    EXPECT_FALSE(ip.isBlank());
    ip.setAddress({255, 255, 255, 0});
    EXPECT_EQ(ip.address(), (std::array<std::uint8_t, 4>{255, 255, 255, 0}));
    EXPECT_EQ(ip.text(), "255.255.255.0");
}

TEST(Hooks, MessageCapturesNestAndFileDialogIsReplaceable) {
    ui::MessageCapture outer;
    {
        ui::MessageCapture inner;
        ui::messageBox(nullptr, "one");
        EXPECT_EQ(inner.messages(), QStringList{"one"});
    }
    ui::messageBox(nullptr, "two");
    EXPECT_EQ(outer.messages(), QStringList{"two"});

    QString seenFilter;
    ui::FileDialogOverride chooser([&](const QString &, const QString &filter) {
        seenFilter = filter;
        return QStringLiteral("/tmp/x.bin");
    });
    EXPECT_EQ(ui::openFileName(nullptr, "Open", "EDID (*.bin)"), "/tmp/x.bin");
    EXPECT_EQ(seenFilter, "EDID (*.bin)");
}
