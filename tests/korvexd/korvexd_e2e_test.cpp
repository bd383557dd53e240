// Everyone on one line through korvexd: two console windows on "Network...", korvex-ctl --host and a
// client that stops reading, against korvex-sim on COM1.
#include "KorvexdFixture.h"

#include "app/CConsoleDlg.h"
#include "app/CNetworkDlg.h"
#include "app/CPortList.h"
#include "pages/video/CVideoPage.h"
#include "serial/PortNaming.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include "WaitFor.h"
#include "WhenOpen.h"

#include <QComboBox>
#include <QJsonArray>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cstdlib>
#include <sys/wait.h>

namespace {

std::string shellQuoted(const std::string &arg) {
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

class KorvexdE2E : public KorvexdFixture {
protected:
    void SetUp() override {
        KorvexdFixture::SetUp();
        if (IsSkipped())
            return;
        const char *ctl = std::getenv("KORVEX_CTL");
        if (!ctl || !*ctl)
            GTEST_SKIP() << "KORVEX_CTL is not set; run through CTest";
        m_ctl = ctl;
        serial::setDeviceTable(serial::emptyDeviceTable());
        m_messages = std::make_unique<ui::MessageCapture>();
    }
    void TearDown() override {
        m_consoles.clear(); // their connections close before korvexd goes
        m_messages.reset();
        serial::setDeviceTable(serial::systemDeviceTable());
        KorvexdFixture::TearDown();
    }

    // A console window connected to korvexd as an operator does it: "Network...", the address typed,
    // "Connect"; then "All" chosen in the address list, which asks every device for its status.
    CConsoleDlg &openConsole() {
        m_consoles.push_back(std::make_unique<CConsoleDlg>());
        CConsoleDlg &console = *m_consoles.back();
        console.show();
        testsupport::WhenOpen<CNetworkDlg> fill([&](CNetworkDlg &dialog) {
            ui::control<QComboBox>(&dialog, QStringLiteral("Host:"))
                ->setEditText(QStringLiteral("127.0.0.1:%1").arg(m_korvexd.port()));
            ui::control<QPushButton>(&dialog, QStringLiteral("Connect"))->click();
        });
        auto *ports = ui::control<QComboBox>(&console, CConsoleDlg::IDC_PORT_LIST);
        ports->setCurrentIndex(CPortList::kNetworkIndex);
        emit ports->activated(CPortList::kNetworkIndex);
        EXPECT_TRUE(fill.done());
        EXPECT_TRUE(testsupport::waitFor([&] { return console.portOn(); }));
        auto *addresses = ui::control<QComboBox>(&console, CConsoleDlg::IDC_ADDRESS_LIST);
        emit addresses->activated(0);
        return console;
    }

    void clickRoute(CConsoleDlg &console, int output, int input) {
        auto *radio = ui::control<QRadioButton>(console.page(CVideoPage::kTemplate),
                                                CVideoPage::radioId(output - 1, input - 1));
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
    }

    int ctl(const std::vector<std::string> &args) {
        std::string command = shellQuoted(m_ctl) + " --host 127.0.0.1:" + std::to_string(m_korvexd.port());
        for (const std::string &arg : args)
            command += " " + shellQuoted(arg);
        const int raw = std::system((command + " >ctl.out 2>ctl.err").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    // The device and every console window show this input on this output.
    bool routeShownEverywhere(int output, int input) {
        return testsupport::waitFor([&] {
            const QJsonArray routing =
                testsupport::simDevice(testsupport::readSimState(kSimState), 1)["routing"].toArray();
            if (routing.size() != 9 || routing[output - 1].toInt() != input - 1)
                return false;
            for (const auto &console : m_consoles)
                if (console->findPage<CVideoPage>()->outputSelection(output) != input - 1)
                    return false;
            return true;
        });
    }

    // Lines of one device's "GET STA" answer.
    static constexpr std::uint64_t kStatusLines = 77;

    std::string m_ctl;
    std::unique_ptr<ui::MessageCapture> m_messages;
    std::vector<std::unique_ptr<CConsoleDlg>> m_consoles;
};

TEST_F(KorvexdE2E, TwoConsolesAndKorvexCtlShareOneLineAndAClientThatStopsReadingGoes) {
    startSim();
    startKorvexd({"--line", "COM1", "--devices", "01", "--poll", "0"});
    ASSERT_TRUE(waitForLog("line COM1 is on"));

    // Each window shows the device's state from its own status request, to every device ("All"); a
    // request that only asks changes no device, so korvexd asks nothing more after it.
    CConsoleDlg &first = openConsole();
    ASSERT_TRUE(testsupport::waitFor([&] { return simLines("GET STA") == 2; }));
    CConsoleDlg &second = openConsole();
    ASSERT_TRUE(testsupport::waitFor([&] { return simLines("GET STA") == 3; }));
    ASSERT_TRUE(routeShownEverywhere(4, 4));

    // A route made anywhere shows everywhere.
    clickRoute(first, 3, 6);
    EXPECT_TRUE(routeShownEverywhere(3, 6));
    clickRoute(second, 5, 2);
    EXPECT_TRUE(routeShownEverywhere(5, 2));
    EXPECT_EQ(ctl({"--address", "01", "route", "7", "9"}), 0) << testsupport::readFile("ctl.err");
    EXPECT_TRUE(routeShownEverywhere(7, 9));

    // A client that asks for much and reads nothing is dropped once a megabyte waits for it. It asks in
    // batches the simulator can queue whole; both windows get the answer to every command the device
    // took, and the line goes on.
    std::unique_ptr<ProtocolClient> stalled = connectClient(4096);
    const auto commands = [] { return testsupport::readSimState(kSimState).value("commands").toInteger(); };
    const std::uint64_t firstBefore = first.linkCounters().lines, secondBefore = second.linkCounters().lines;
    const qint64 commandsBefore = commands();
    const auto everyAnswerArrived = [&](qint64 asked) {
        const qint64 took = commands() - commandsBefore;
        const auto lines = static_cast<std::uint64_t>(took) * kStatusLines;
        return (took == asked || asked < 0) && first.linkCounters().lines == firstBefore + lines &&
               second.linkCounters().lines == secondBefore + lines;
    };
    std::string batch;
    for (int i = 0; i < 100; ++i)
        batch += "A01 GET STA\r\n";
    for (int sent = 100; sent <= 5000 && !m_korvexd.logHas("stopped reading") && stalled->send(batch);
         sent += 100)
        ASSERT_TRUE(testsupport::waitFor(
            [&] { return m_korvexd.logHas("stopped reading") || everyAnswerArrived(sent); }, 60000));
    EXPECT_TRUE(waitForLog("stopped reading: disconnected with "));
    EXPECT_TRUE(testsupport::waitFor([&] { return everyAnswerArrived(-1); }, 60000));
    EXPECT_TRUE(stalled->waitForClose());
    EXPECT_EQ(ctl({"--address", "01", "route", "1", "8"}), 0) << testsupport::readFile("ctl.err");
    EXPECT_TRUE(routeShownEverywhere(1, 8));
    EXPECT_TRUE(first.portOn());
    EXPECT_TRUE(second.portOn());
    EXPECT_TRUE(m_messages->messages().isEmpty());
    EXPECT_TRUE(m_korvexd.running());
}
