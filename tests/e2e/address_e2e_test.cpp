// The address dialog against korvex-sim: reading and setting a switcher's address, saving the table
// and addressing the switcher through the address list; refusals send nothing.
#include "ConsoleFixture.h"

#include "pages/address/CAddressDlg.h"
#include "pages/video/CVideoPage.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QTimer>

#include <functional>

class AddressE2E : public ConsoleFixture {
protected:
    void turnOnWithOneDeviceAt12() {
        startSim(1, {"--addresses", "12"});
        click(CConsoleDlg::IDC_PORT_BUTTON);
        ASSERT_TRUE(console().portOn());
    }

    // "Address Management" runs the dialog modally; the steps run inside its loop once it shows, and
    // Escape closes it afterwards whatever they did, so a failed step cannot leave the loop running.
    void inAddressDialog(const std::function<void()> &steps) {
        CAddressDlg *dlg = console().addressDialog();
        bool ran = false;
        std::function<void()> drive = [&] {
            if (!dlg->isVisible()) {
                QTimer::singleShot(10, dlg, drive);
                return;
            }
            ran = true;
            steps();
            QTest::keyClick(dlg, Qt::Key_Escape);
        };
        QTimer::singleShot(0, dlg, drive);
        click(CConsoleDlg::IDC_ADDRESS_BUTTON);
        EXPECT_TRUE(ran);
        EXPECT_FALSE(dlg->isVisible());
    }

    CAddressDlg *dialog() { return console().addressDialog(); }
    QLineEdit *edit(const QString &name) { return ui::control<QLineEdit>(dialog(), name); }
    QLineEdit *deviceAddress(const QString &group) {
        return ui::control<QLineEdit>(ui::control<QGroupBox>(dialog(), group), CAddressDlg::kDeviceAddress);
    }
    void press(const QString &button) {
        QTest::mouseClick(ui::control<QPushButton>(dialog(), button), Qt::LeftButton);
    }
    bool simHasDeviceAt(int address) {
        return !testsupport::simDevice(testsupport::readSimState(stateFile(1)), address).isEmpty();
    }
};

TEST_F(AddressE2E, ReadWriteAndSaveThenTheListReachesTheDeviceAtItsNewAddress) {
    turnOnWithOneDeviceAt12();
    inAddressDialog([&] {
        press(CAddressDlg::kReadButton);
        EXPECT_TRUE(
            testsupport::waitFor([&] { return deviceAddress(CAddressDlg::kOriginalGroup)->text() == "12"; }));

        deviceAddress(CAddressDlg::kNewGroup)->setText("7");
        press(CAddressDlg::kWriteButton); // "All: 00(all devices)" is chosen
        EXPECT_TRUE(testsupport::waitFor([&] { return simHasDeviceAt(7); }));
        EXPECT_FALSE(simHasDeviceAt(12));
        EXPECT_TRUE(logHas(1, "A00 SET ADDR 07"));
        // The device answers with its new address.
        EXPECT_TRUE(
            testsupport::waitFor([&] { return deviceAddress(CAddressDlg::kOriginalGroup)->text() == "7"; }));

        edit(CAddressDlg::addressEditName(1))->setText("7");
        edit(CAddressDlg::descriptionEditName(1))->setText(QStringLiteral("B\u00fcro"));
        press(CAddressDlg::kSaveButton);
    });
    EXPECT_EQ(combo(CConsoleDlg::IDC_ADDRESS_LIST)->itemText(1), QStringLiteral("No. 1:07: B\u00fcro"));

    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    EXPECT_EQ(console().deviceByte(), 7);
    EXPECT_TRUE(testsupport::waitFor([&] { return logHas(1, "A07 GET STA"); }));
    EXPECT_TRUE(
        testsupport::waitFor([&] { return console().findPage<CVideoPage>()->outputSelection(9) == 8; }));
    EXPECT_TRUE(m_messages->messages().isEmpty()) << m_messages->messages().join("|").toStdString();
}

TEST_F(AddressE2E, NewAddress100IsRefusedTwiceAndNothingIsSent) {
    turnOnWithOneDeviceAt12();
    inAddressDialog([&] {
        deviceAddress(CAddressDlg::kNewGroup)->setText("100");
        press(CAddressDlg::kWriteButton);
        EXPECT_EQ(m_messages->messages(),
                  (QStringList{"Please enter an integer between 0 and 99.", "Address must be 0 ~ 99 !"}));
        // A command after it arrives; the refused one would have arrived before it.
        press(CAddressDlg::kReadButton);
        EXPECT_TRUE(
            testsupport::waitFor([&] { return deviceAddress(CAddressDlg::kOriginalGroup)->text() == "12"; }));
    });
    EXPECT_TRUE(logHas(1, "A00 GET ADDR"));
    EXPECT_FALSE(logHas(1, "SET ADDR"));
    EXPECT_TRUE(simHasDeviceAt(12));
}

TEST_F(AddressE2E, WithThePortOffBothDeviceCommandsSaySo) {
    inAddressDialog([&] {
        press(CAddressDlg::kReadButton);
        deviceAddress(CAddressDlg::kNewGroup)->setText("5");
        press(CAddressDlg::kWriteButton);
    });
    EXPECT_EQ(m_messages->messages(), (QStringList{"Com port is not on yet.", "Com port is not on yet."}));
}
