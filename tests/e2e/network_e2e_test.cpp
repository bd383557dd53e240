// The console on a switcher's LAN port: korvex-sim --tcp on 127.0.0.1, reached through "Network...".
#include "ConsoleFixture.h"

#include "app/CNetworkDlg.h"
#include "app/CPortList.h"
#include "pages/video/CVideoPage.h"

#include "WhenOpen.h"

#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class NetworkE2E : public ConsoleFixture {
protected:
    testsupport::SimProcess &startTcpSim(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"--tcp", "0", "--state", stateFile(1), "--log", logFile(1)};
        args.insert(args.end(), extra.begin(), extra.end());
        m_sims.push_back(std::make_unique<testsupport::SimProcess>(args));
        EXPECT_TRUE(m_sims.back()->started()) << m_sims.back()->error();
        return *m_sims.back();
    }
    // "Network..." with this host:port typed into the dialog and "Connect" pressed.
    void connectTo(const std::string &hostPort) {
        testsupport::WhenOpen<CNetworkDlg> fill([&](CNetworkDlg &dialog) {
            ui::control<QComboBox>(&dialog, QStringLiteral("Host:"))
                ->setEditText(QString::fromStdString(hostPort));
            ui::control<QPushButton>(&dialog, QStringLiteral("Connect"))->click();
        });
        choose(CConsoleDlg::IDC_PORT_LIST, CPortList::kNetworkIndex);
        ASSERT_TRUE(fill.done());
    }
    QString status() { return ui::control<QLabel>(&console(), CConsoleDlg::IDC_STATUS)->text(); }
    int getStatusCount() {
        int n = 0;
        for (const std::string &entry : testsupport::readSimLog(logFile(1)))
            n += entry.find("A01 GET STA") != std::string::npos;
        return n;
    }
};

TEST_F(NetworkE2E, StatusFillsThePagesAClickReachesTheDeviceAndADropReconnects) {
    writeAddressTable({1});
    const std::string where = startTcpSim({"--hangup-after", "3"}).slavePath();
    connectTo(where);
    ASSERT_TRUE(testsupport::waitFor([&] { return console().portOn(); }));
    EXPECT_EQ(status(), QString::fromStdString("Connected to " + where));
    EXPECT_EQ(combo(CConsoleDlg::IDC_PORT_LIST)->currentText(), QString::fromStdString(where));

    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1); // command 1: "A01 GET STA"
    const CVideoPage *video = console().findPage<CVideoPage>();
    const auto routingShown = [&] {
        const QJsonArray routing =
            testsupport::simDevice(testsupport::readSimState(stateFile(1)), 1)["routing"].toArray();
        for (int out = 1; out <= 9; ++out)
            if (routing.size() < 9 || video->outputSelection(out) != routing[out - 1].toInt())
                return false;
        return true;
    };
    ASSERT_TRUE(testsupport::waitFor(routingShown));

    // Command 2: a routing click changes the device; command 3 is answered, then the line drops.
    QTest::mouseClick(
        ui::control<QRadioButton>(console().page(CVideoPage::kTemplate), CVideoPage::radioId(2, 6)),
        Qt::LeftButton);
    ASSERT_TRUE(testsupport::waitFor([&] {
        return testsupport::simDevice(testsupport::readSimState(stateFile(1)), 1)["routing"]
                   .toArray()[2]
                   .toInt() == 6;
    }));
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    ASSERT_TRUE(testsupport::waitFor([&] { return status().contains("lost, waiting for it to return..."); }));
    // The simulator listens again: after the first back-off the console is back and asks for the status.
    // (The status text says "Reconnected" until the status answer's "DHCP " line clears it, which may
    // come first.)
    ASSERT_TRUE(testsupport::waitFor(
        [&] { return console().portControl().line().status().event == session::LineEvent::Reconnected; },
        20000));
    EXPECT_TRUE(console().portOn());
    EXPECT_TRUE(testsupport::waitFor([&] { return getStatusCount() == 3; }));
}

TEST_F(NetworkE2E, ARefusedConnectionSaysWhy) {
    // A port nothing listens on: bound for a moment, then closed again.
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(s);
    const std::string where = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    connectTo(where);
    ASSERT_TRUE(testsupport::waitFor([&] { return status().endsWith("connection refused"); }));
    EXPECT_EQ(status(), QString::fromStdString(where + ": connection refused"));
    EXPECT_FALSE(console().portOn());
}
