// The console against korvex-sim on pseudo-terminals: port on/off, status requests, the device
// search and the line going away.
#include "ConsoleFixture.h"

#include "pages/multiview/CMultiviewPanel.h"
#include "pages/video/CVideoPage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTimer>

namespace {

const QString kNotFound = QStringLiteral("Can not find available device for this console!");
const QString kNoPort = QStringLiteral("Can not find this port or used by other application");

} // namespace

class LinkE2E : public ConsoleFixture {
protected:
    // The console's copy of the state a device reports, in the simulator's JSON terms.
    QJsonObject consoleState() {
        const CVideoPage *video = console().findPage<CVideoPage>();
        const CMultiviewPanel &mv = *console().multiview();
        QJsonObject o;
        QJsonArray routing;
        for (int out = 1; out <= 9; ++out)
            routing.append(video->outputSelection(out));
        o["routing"] = routing;
        o["mvMode"] = mv.mvMode();
        QJsonArray qv;
        for (int s : mv.qvSources())
            qv.append(s);
        o["qvSources"] = qv;
        QJsonArray audio;
        for (std::size_t i = 1; i <= 9; ++i)
            audio.append(mv.mvAudioTable()[i]);
        o["mvAudio"] = audio;
        o["borderWidth"] = video->borderWidth();
        o["borderColour"] = QJsonArray{video->borderRed(), video->borderGreen(), video->borderBlue()};
        return o;
    }
    QJsonObject simState(int com, int address) {
        const QJsonObject d = testsupport::simDevice(testsupport::readSimState(stateFile(com)), address);
        QJsonObject o;
        for (const char *key : {"routing", "mvMode", "qvSources", "mvAudio", "borderWidth", "borderColour"})
            o[key] = d[key];
        return o;
    }
    int simCommands(int com) { return testsupport::readSimState(stateFile(com))["commands"].toInt(); }
};

TEST_F(LinkE2E, TurnOnPortThenChooseADeviceFetchesItsWholeStatus) {
    writeAddressTable({5, 1});
    testsupport::SimProcess &sim = startSim(1, {"--addresses", "01,05"});
    // Give device 05 a state far from the factory one, before the console listens.
    for (const char *line :
         {"A05 SET OUT3 VS IN7 ", "A05 SET OUT9 VS IN10", "A05 SET MVW MODE1", "A05 SET QVW VS 3.5.1.2",
          "A05 SET OUT4 MAS IN10", "A05 SET BLW 012", "A05 SET BLC 005.010.255"})
        ASSERT_TRUE(sim.inject(line));
    ASSERT_TRUE(testsupport::waitFor([&] { return simCommands(1) >= 7; }));

    click(CConsoleDlg::IDC_PORT_BUTTON);
    ASSERT_EQ(portCaption(), "Close Port");
    ASSERT_TRUE(console().portOn());
    EXPECT_EQ(ui::control<QLabel>(&console(), CConsoleDlg::IDC_PORT_ICON)->property("iconId").toInt(), 134);

    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1); // "No. 1:05: Dev1"
    EXPECT_EQ(console().deviceByte(), 5);
    ASSERT_TRUE(testsupport::waitFor([&] { return logHas(1, "A05 GET STA"); }));
    const QJsonObject expected = simState(1, 5);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_TRUE(testsupport::waitFor([&] { return consoleState() == expected; }))
        << "console: " << QJsonDocument(consoleState()).toJson().toStdString()
        << "sim: " << QJsonDocument(expected).toJson().toStdString();
    // Device 01 was not asked and still has its factory state.
    EXPECT_NE(simState(1, 1), expected);
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

TEST_F(LinkE2E, ChoosingADeviceWhilePortIsOffSendsNothing) {
    writeAddressTable({7});
    startSim(1);
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    EXPECT_EQ(console().deviceByte(), 7);
    click(CConsoleDlg::IDC_PORT_BUTTON);
    click(CConsoleDlg::IDC_PORT_BUTTON); // on and off again, without asking anything
    EXPECT_EQ(portCaption(), "Turn on Port");
    EXPECT_FALSE(console().portOn());
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    // Now on: the one status request that reaches the line is the first thing it ever received.
    click(CConsoleDlg::IDC_PORT_BUTTON);
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    ASSERT_TRUE(testsupport::waitFor([&] { return logHas(1, "A07 GET STA"); }));
    const auto lines = testsupport::simLogEntries(logFile(1), "LINE");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("A07 GET STA"), std::string::npos);
}

TEST_F(LinkE2E, PortButtonAndPortListMessages) {
    // COM1 does not exist: the port button reports it and stays off.
    click(CConsoleDlg::IDC_PORT_BUTTON);
    EXPECT_EQ(m_messages->messages(), QStringList{kNoPort});
    EXPECT_EQ(portCaption(), "Turn on Port");
    EXPECT_FALSE(console().portOn());

    // Choosing a port that exists while off turns the console on; choosing another while on turns it off.
    startSim(2);
    startSim(4);
    m_messages->clear();
    choose(CConsoleDlg::IDC_PORT_LIST, 1);
    EXPECT_TRUE(console().portOn());
    EXPECT_EQ(portCaption(), "Close Port");
    choose(CConsoleDlg::IDC_PORT_LIST, 3);
    EXPECT_FALSE(console().portOn());
    EXPECT_EQ(portCaption(), "Turn on Port");
    // A missing port keeps flag and caption as they were.
    choose(CConsoleDlg::IDC_PORT_LIST, 6);
    EXPECT_EQ(m_messages->messages(), QStringList{kNoPort});
    EXPECT_EQ(portCaption(), "Turn on Port");
    EXPECT_TRUE(m_messages->messages().size() == 1);
}

TEST_F(LinkE2E, SearchFindsTheFirstPortThatAnswers) {
    startSim(3);
    click(CConsoleDlg::IDC_SEARCH);
    EXPECT_EQ(ui::control<QLabel>(&console(), CConsoleDlg::IDC_STATUS)->text(), "Please wait.....");
    ASSERT_TRUE(testsupport::waitFor([&] { return !console().searchInProgress(); }));
    EXPECT_TRUE(console().portOn());
    EXPECT_EQ(portCaption(), "Close Port");
    EXPECT_EQ(combo(CConsoleDlg::IDC_PORT_LIST)->currentText(), "COM3");
    // The first probe is the status request with the current device's prefix.
    EXPECT_TRUE(testsupport::waitFor([&] { return logHas(3, "A00 GET STA"); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(ui::control<QLabel>(&console(), CConsoleDlg::IDC_STATUS)->text(), " ");
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

TEST_F(LinkE2E, SearchMovesOnFromASilentPortAndProbesTheNext) {
    startSim(2, {"--silent"});
    startSim(5);
    click(CConsoleDlg::IDC_SEARCH);
    ASSERT_TRUE(testsupport::waitFor([&] { return console().portOn(); }, 20000));
    EXPECT_EQ(combo(CConsoleDlg::IDC_PORT_LIST)->currentText(), "COM5");
    EXPECT_TRUE(testsupport::waitFor([&] { return logHas(5, ">@"); }));
    EXPECT_TRUE(testsupport::waitFor([&] { return logHas(2, "GET STA"); }));
}

TEST_F(LinkE2E, SearchWithoutAnyDeviceRestoresThePort) {
    choose(CConsoleDlg::IDC_PORT_LIST, 6); // COM7, missing
    m_messages->clear();
    // No port at all: the message comes at once, without a timer.
    click(CConsoleDlg::IDC_SEARCH);
    EXPECT_EQ(m_messages->messages(), QStringList{kNotFound});
    EXPECT_FALSE(console().searchInProgress());
    EXPECT_EQ(console().portNumber(), 7u);

    // Only silent devices: every one gets its turn, the window keeps running, then the message.
    m_messages->clear();
    startSim(2, {"--silent"});
    startSim(4, {"--silent"});
    click(CConsoleDlg::IDC_SEARCH);
    int ticks = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] { ++ticks; });
    beat.start(50);
    ASSERT_TRUE(testsupport::waitFor([&] { return !m_messages->messages().isEmpty(); }, 20000));
    EXPECT_EQ(m_messages->messages(), QStringList{kNotFound});
    EXPECT_GT(ticks, 5); // the event loop ran all along
    EXPECT_FALSE(console().portOn());
    EXPECT_EQ(portCaption(), "Turn on Port");
    EXPECT_EQ(console().portNumber(), 7u);
    EXPECT_EQ(combo(CConsoleDlg::IDC_PORT_LIST)->currentText(), "COM7");
    EXPECT_TRUE(testsupport::waitFor([&] { return logHas(2, "GET STA"); }));
    EXPECT_TRUE(testsupport::waitFor([&] { return logHas(4, ">@"); }));
}

TEST_F(LinkE2E, OperatorActionDuringSearchEndsItCleanly) {
    startSim(1, {"--silent"});
    startSim(2);
    click(CConsoleDlg::IDC_SEARCH);
    ASSERT_TRUE(console().searchInProgress());
    click(CConsoleDlg::IDC_PORT_BUTTON); // the operator turns the chosen port on instead
    EXPECT_FALSE(console().searchInProgress());
    EXPECT_TRUE(console().portOn());
    EXPECT_EQ(console().portNumber(), 1u);
    EXPECT_EQ(portCaption(), "Close Port");
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

TEST_F(LinkE2E, HangUpTurnsTheConsoleOff) {
    writeAddressTable({1});
    startSim(1, {"--hangup-after", "1"});
    click(CConsoleDlg::IDC_PORT_BUTTON);
    ASSERT_TRUE(console().portOn());
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1); // GET STA: the simulator answers, then hangs up
    ASSERT_TRUE(testsupport::waitFor([&] { return portCaption() == "Open port"; }));
    EXPECT_FALSE(console().portOn());
    EXPECT_EQ(ui::control<QLabel>(&console(), CConsoleDlg::IDC_PORT_ICON)->property("iconId").toInt(), 133);
    EXPECT_TRUE(m_messages->messages().isEmpty()); // line failures are never shown
}

TEST_F(LinkE2E, ClosingWhileAFloodArrivesReturns) {
    startSim(1, {"--flood"});
    click(CConsoleDlg::IDC_PORT_BUTTON);
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 0); // any command starts the flood
    ASSERT_TRUE(testsupport::waitFor([&] { return logHas(1, "GET STA"); }));
    click(CConsoleDlg::IDC_PORT_BUTTON);
    EXPECT_FALSE(console().portOn());
    EXPECT_EQ(portCaption(), "Turn on Port");
}
