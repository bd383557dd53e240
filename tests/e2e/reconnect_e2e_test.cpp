// The line comes back by itself: korvex-sim stopped and started again on the same COMn link.
#include "ConsoleFixture.h"

#include <QLabel>

class ReconnectE2E : public ConsoleFixture {
protected:
    QString status() { return ui::control<QLabel>(&console(), CConsoleDlg::IDC_STATUS)->text(); }
};

TEST_F(ReconnectE2E, ASimulatorThatReturnsIsReopenedAndAskedForItsStatus) {
    enum class Meanwhile { Nothing, OperatorPressesTheButton, ReconnectOff };
    struct Case {
        const char *what;
        Meanwhile meanwhile;
        const char *returningAddress; // the device on the line that comes back
        bool reopened;
    };
    const Case cases[] = {
        {"the same device returns", Meanwhile::Nothing, "05", true},
        {"another address returns: the list stays", Meanwhile::Nothing, "07", true},
        {"the operator acts while waiting", Meanwhile::OperatorPressesTheButton, "05", false},
        {"reconnect turned off", Meanwhile::ReconnectOff, "05", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        m_console.reset();
        m_sims.clear();
        writeAddressTable({5});
        startSim(1, {"--addresses", "05"});
        console().portControl().setReconnectEnabled(c.meanwhile != Meanwhile::ReconnectOff);
        click(CConsoleDlg::IDC_PORT_BUTTON);
        choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
        ASSERT_TRUE(testsupport::waitFor([&] { return logHas(1, "A05 GET STA"); }));

        m_sims.back()->stop(); // the line drops; its COMn link goes with it
        ASSERT_TRUE(testsupport::waitFor([&] { return !console().portOn(); }));
        EXPECT_EQ(portCaption(), "Open port");
        if (c.meanwhile == Meanwhile::Nothing)
            EXPECT_EQ(status(), "COM1 lost, waiting for it to return...");
        if (c.meanwhile == Meanwhile::OperatorPressesTheButton)
            click(CConsoleDlg::IDC_PORT_BUTTON); // the port is gone: it does not open, and the wait ends

        std::filesystem::remove(logFile(1));
        startSim(1, {"--addresses", c.returningAddress});
        if (c.reopened) {
            ASSERT_TRUE(testsupport::waitFor([&] { return console().portOn(); }));
            EXPECT_EQ(portCaption(), "Close Port");
            EXPECT_EQ(status(), "Reconnected");
            EXPECT_TRUE(testsupport::waitFor([&] { return logHas(1, "A05 GET STA"); }));
            EXPECT_EQ(combo(CConsoleDlg::IDC_ADDRESS_LIST)->currentIndex(), 1);
        } else {
            // Nothing waits to reopen the line; the operator's "Turn on Port" does.
            EXPECT_FALSE(console().portControl().waitingForLine());
            EXPECT_FALSE(console().portOn());
            click(CConsoleDlg::IDC_PORT_BUTTON);
            EXPECT_TRUE(console().portOn());
        }
    }
}
