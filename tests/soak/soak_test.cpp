// A randomized soak of the console against a line of three simulated switchers. From a seed it plays
// operator actions on every page and the multiview panel, mixed with changes a second controller makes
// on the line (their answers reach the console unasked) and dropped lines that come back. After every
// step each addressed device must hold what the operator chose; every few steps the console asks the
// chosen device for its status and every control, and the console's device model, must show what that
// device holds.
//
// SoakThroughKorvexd plays the same through korvexd holding the line: two console windows on
// "Network..." take the operator's steps in turns, korvex-ctl --host is the second controller, and every
// check also compares korvexd's model of each device, from its JSON API, with the device.
//
//   soak_test                          a few short seeds, then the seeds of earlier findings
//   soak_test --seed 7 --steps 112     one seed: a failure names both, and replays so
//   soak_test --seeds 50 --steps 2000  seeds 1..50 (--seeds 20-40: seeds 20..40)
//   --gtest_filter=Soak.*              the console on the line alone (SoakThroughKorvexd.*: through korvexd)
//
// KORVEX_SOAK_SEEDS and KORVEX_SOAK_STEPS stand in for --seeds and --steps.
#include "ConsoleFixture.h"
#include "HttpRoundTrip.h"
#include "KorvexdProcess.h"
#include "WhenOpen.h"

#include "app/CNetworkDlg.h"
#include "app/CPortList.h"

#include "pages/edid/CEdidPage.h"
#include "pages/ipconfig/CIpConfigPage.h"
#include "pages/multiview/CMultiviewPanel.h"
#include "pages/setting/CSettingPage.h"
#include "pages/traffic/CTrafficDlg.h"
#include "pages/video/CVideoPage.h"
#include "protocol/Commands.h"
#include "res/Resources.h"
#include "session/DeviceStateJson.h"
#include "ui/IpAddressEdit.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QProcess>
#include <QTabWidget>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <unistd.h>

namespace {

using V = CVideoPage;
using S = CSettingPage;
using I = CIpConfigPage;
using M = CMultiviewPanel;

struct SoakRun {
    unsigned seed;
    int steps;
};

// Seeds that once found a fault, replayed by every short run.
const std::vector<SoakRun> kRegressions = {};
const std::vector<SoakRun> kKorvexdRegressions = {{17, 80}};

constexpr int kShortSteps = 120;
constexpr int kShortStepsThroughKorvexd = 30;
constexpr int kCheckEvery = 10;
constexpr int kWaitMs = 20000;
const std::vector<int> kAddresses{1, 5, 12}; // address list entries 1..3; entry 0 is "All"

// --seed N is that seed, --seeds N seeds 1..N, --seeds A-B seeds A..B; without seeds, the short run.
std::vector<SoakRun> runsFromArguments(int shortSteps, const std::vector<SoakRun> &regressions) {
    QString seeds = qEnvironmentVariable("KORVEX_SOAK_SEEDS"),
            steps = qEnvironmentVariable("KORVEX_SOAK_STEPS");
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--seed" || args[i] == "--seeds")
            seeds = args[i] == "--seed" ? args[i + 1] + "-" + args[i + 1] : args[i + 1];
        else if (args[i] == "--steps")
            steps = args[i + 1];
    }
    const int count = steps.isEmpty() ? shortSteps : steps.toInt();
    std::vector<SoakRun> runs;
    if (seeds.isEmpty()) {
        runs = {{1, count}, {2, count}, {3, count}};
        runs.insert(runs.end(), regressions.begin(), regressions.end());
        return runs;
    }
    const QStringList range = seeds.split('-');
    for (unsigned seed = range.size() > 1 ? range[0].toUInt() : 1; seed <= range.back().toUInt(); ++seed)
        runs.push_back({seed, count});
    return runs;
}

// Counts the "ADDR " answers of one device. "GET ADDR" goes to the chosen device, or to every device,
// which answer in address order: that answer to a request sent after a status request comes after the
// whole burst.
struct AddressMarker : session::IReplySink {
    void onReply(const protocol::Reply &reply) override {
        const auto *r = std::get_if<protocol::AddressReply>(&reply);
        count += r && r->address == last;
    }
    int last = 0;
    int count = 0;
};

std::vector<int> idRange(int first, int count) {
    std::vector<int> ids;
    for (int i = 0; i < count; ++i)
        ids.push_back(first + i);
    return ids;
}

// "Matrix IR control" in the device's order: HDBT1..HDBT9, then IR.ext1..IR.ext4.
std::vector<int> irSwitchIds() {
    std::vector<int> ids = idRange(S::IDC_HDBT1, 9);
    for (int id : idRange(S::IDC_IR_EXT1, 4))
        ids.push_back(id);
    return ids;
}

} // namespace

class Soak : public ConsoleFixture {
protected:
    struct Action {
        std::string name;
        int weight;
        std::function<void()> run;
    };
    // A value the last action must have set on each device it addressed: key[index], or key alone for
    // index -1; "lan.x" is x of "lan".
    struct Expect {
        QString key;
        int index;
        QJsonValue value;
    };

    void runSeed(const SoakRun &run);
    std::vector<Action> actions();
    void act(bool lineDown);
    void deviceChange();
    void dropLine();
    void checkpoint();
    bool settle();
    bool sync();
    void compare(int address, const QString &when);
    QStringList differences(int address);
    QStringList modelDifferences();
    QStringList memberDifferences(const QJsonObject &model, const QJsonObject &device);
    void fail(const QString &what);
    // Through korvexd.
    void switchConsole();
    void connectToKorvexd();
    void lineBack(std::size_t logged);
    void compareKorvexd();
    QJsonObject apiGet(const QString &path);
    std::vector<std::string> korvexdSaid(std::size_t from, const std::string &text);

    // Random choices come only from here, in an order that timing never changes, so a seed replays.
    int pick(int n) { return static_cast<int>(m_rng() % static_cast<unsigned>(n)); }
    QString number(int lo, int hi, int width = 1, int base = 10) {
        return QStringLiteral("%1").arg(lo + pick(hi - lo + 1), width, base, QChar('0')).toUpper();
    }
    void note(const QString &what) {
        m_recent.push_back(QStringLiteral("step %1: %2").arg(m_step).arg(what));
    }
    // Commands go out only with the port on; so do the values they set. Through korvexd, commands for
    // every device are followed by korvexd's status request to each.
    void sent(int commands, bool onlyAsks = false) {
        const bool all = m_shared && m_device == 0 && !onlyAsks;
        m_sent += console().portOn() ? commands + (all ? static_cast<int>(kAddresses.size()) : 0) : 0;
    }
    void expect(const QString &key, int index, const QJsonValue &value) {
        if (console().portOn())
            m_expects.push_back({key, index, value});
    }
    // A second controller's command, "A05 SET ...": at the device, or through korvexd with korvex-ctl.
    void inject(const QString &line, bool atDevice = false) {
        note("device side: " + line);
        ++m_sent;
        if (!m_shared || atDevice) {
            if (!m_sims.front()->inject(line.toStdString()))
                fail("could not inject " + line);
            return;
        }
        m_sent +=
            line.startsWith("A00") && !line.startsWith("A00 GET ") ? static_cast<int>(kAddresses.size()) : 0;
        QProcess ctl;
        ctl.setProcessChannelMode(QProcess::MergedChannels);
        ctl.start(m_ctl, {"--host", QStringLiteral("127.0.0.1:%1").arg(m_korvexd.port()), "--timeout",
                          QString::number(kWaitMs), "--address", line.mid(1, 2), "send", line.mid(4)});
        testsupport::waitFor([&] { return ctl.state() == QProcess::NotRunning; }, kWaitMs);
        if (ctl.state() != QProcess::NotRunning || ctl.exitStatus() != QProcess::NormalExit ||
            ctl.exitCode() != 0)
            fail("korvex-ctl failed: " + QString::fromLocal8Bit(ctl.readAll()));
    }
    // The port button; a network line connects in the background, and the operator waits for it.
    void pressPort() {
        press(console(), CConsoleDlg::IDC_PORT_BUTTON);
        testsupport::waitFor(
            [&] { return console().portControl().line().state() != session::LineState::Connecting; },
            kWaitMs);
    }
    QJsonObject state() { return testsupport::readSimState(stateFile(1)); }
    int commands() { return state()["commands"].toInt(-1); }

    V &video() { return *console().findPage<V>(); }
    M &mv() { return *console().multiview(); }
    CEdidPage &edid() { return *console().findPage<CEdidPage>(); }
    S &setting() { return *console().findPage<S>(); }
    I &ip() { return *console().findPage<I>(); }
    template <class W = QAbstractButton> W *at(QWidget &scope, int id) { return ui::control<W>(&scope, id); }
    void show(QWidget &page) { at<QTabWidget>(console(), CConsoleDlg::IDC_TAB)->setCurrentWidget(&page); }
    void press(QWidget &scope, int id) { at(scope, id)->click(); }
    void chooseIn(QWidget &scope, int id, int index) {
        at<QComboBox>(scope, id)->setCurrentIndex(index);
        emit at<QComboBox>(scope, id)->activated(index);
    }
    void type(QLineEdit *edit, const QString &text) {
        if (!edit->isEnabled()) // a disabled box takes no typing
            return;
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    std::vector<std::string> m_simArgs;
    AddressMarker m_marker;
    std::mt19937 m_rng;
    SoakRun m_run{};
    int m_step = 0;
    int m_sent = 0;   // commands the simulator must have handled by now
    int m_device = 1; // the chosen address, 0 for "All"
    bool m_macUnlocked = false;
    bool m_lineAway = false; // the simulator is gone for a moment
    bool m_failed = false;
    int m_checks = 0, m_drops = 0;
    std::vector<Expect> m_expects;
    std::deque<QString> m_recent;

    // Through korvexd: the window whose turn it is not, with its chosen device and MAC box; korvexd and
    // its web port; korvex-ctl.
    bool m_shared = false;
    std::unique_ptr<CConsoleDlg> m_other;
    int m_otherDevice = 1;
    bool m_otherMacUnlocked = false;
    testsupport::KorvexdProcess m_korvexd;
    std::uint16_t m_httpPort = 0;
    QString m_ctl;
};

class SoakThroughKorvexd : public Soak {
protected:
    void SetUp() override {
        Soak::SetUp();
        m_ctl = qEnvironmentVariable("KORVEX_CTL");
        m_shared = true;
        if (testsupport::KorvexdProcess::program().empty() || m_ctl.isEmpty())
            GTEST_SKIP() << "KORVEXD or KORVEX_CTL is not set; run through CTest";
    }
    void TearDown() override {
        m_other.reset();
        m_korvexd.stop(); // before its folder goes
        Soak::TearDown();
    }
};

void Soak::fail(const QString &what) {
    QString recent;
    for (const QString &line : m_recent)
        recent += "\n    " + line;
    const std::deque<session::TrafficLog::Entry> &traffic = console().trafficDialog()->log().entries();
    recent += "\n  last lines on the line:";
    for (std::size_t i = traffic.size() > 80 ? traffic.size() - 80 : 0; i < traffic.size(); ++i)
        recent += "\n    " + QString::fromStdString(session::TrafficLog::format(traffic[i], false));
    const auto last = [&](const char *title, const std::vector<std::string> &lines) {
        recent += title;
        for (std::size_t i = lines.size() > 12 ? lines.size() - 12 : 0; i < lines.size(); ++i)
            recent += "\n    " + QString::fromStdString(lines[i]);
    };
    if (!m_sims.front()->running())
        recent += QStringLiteral("\n  korvex-sim has ended (status %1)").arg(m_sims.front()->stop());
    if (m_shared) {
        last("\n  korvexd said last:", m_korvexd.log());
        last("\n  the devices took last:", testsupport::readSimLog(logFile(1)));
    }
    ADD_FAILURE() << "seed " << m_run.seed << " step " << m_step << ": " << what.toStdString()
                  << "\n  last actions:" << recent.toStdString() << "\n  replay: soak_test --seed "
                  << m_run.seed << " --steps " << m_step
                  << (m_shared ? " --gtest_filter=SoakThroughKorvexd.*" : "");
    m_failed = true;
}

// Waits until the simulator has handled every command sent so far, then checks the values the last
// action had to set.
bool Soak::sync() {
    testsupport::waitFor([&] { return commands() >= m_sent; }, kWaitMs);
    if (const int handled = commands(); handled != m_sent) {
        fail(QStringLiteral("the devices handled %1 commands, %2 were sent").arg(handled).arg(m_sent));
        return false;
    }
    const QJsonObject all = state();
    for (int address : m_device == 0 ? kAddresses : std::vector<int>{m_device}) {
        const QJsonObject d = testsupport::simDevice(all, address);
        for (const Expect &e : m_expects) {
            const QJsonValue v = e.key.startsWith("lan.") ? d["lan"][e.key.mid(4)]
                                 : e.index < 0            ? d[e.key]
                                                          : d[e.key][e.index];
            if (v != e.value)
                fail(QStringLiteral("device %1 has %2[%3] = %4, the operator chose %5")
                         .arg(address)
                         .arg(e.key)
                         .arg(e.index)
                         .arg(v.toVariant().toString(), e.value.toVariant().toString()));
        }
    }
    m_expects.clear();
    return !m_failed;
}

// Asks the chosen device (every device with "All") for its address after whatever was asked before and
// waits for the last answer: the lines before it, a status burst included, have then been handled. The
// request goes where the status request went, so the console's model credits the burst to that device;
// the model must then hold that device's values.
bool Soak::settle() {
    const int before = m_marker.count;
    m_marker.last = m_device == 0 ? kAddresses.back() : m_device;
    console().session().SendText(protocol::buildTypedLine("GET ADDR").value());
    ++m_sent;
    if (!testsupport::waitFor([&] { return m_marker.count > before; }, kWaitMs)) {
        fail("the status burst did not end");
        return false;
    }
    if (!sync())
        return false;
    if (const QStringList diffs = modelDifferences(); !diffs.isEmpty())
        fail("the console's model differs:\n  " + diffs.join("\n  "));
    return !m_failed;
}

// Every member the console's model holds for the chosen device, against the device (with "All", the
// last to answer).
QStringList Soak::modelDifferences() {
    const int address = m_device == 0 ? kAddresses.back() : m_device;
    const session::DeviceState *known = console().model().state(static_cast<std::uint8_t>(m_device));
    if (!known)
        return {QStringLiteral("nothing known of device %1").arg(m_device)};
    const QJsonObject model =
        QJsonDocument::fromJson(QByteArray::fromStdString(session::jsonText(session::toJson(*known))))
            .object();
    return memberDifferences(model, testsupport::simDevice(state(), address));
}

// Each member of a model's JSON against the device's; of "lan", the settings the model holds.
QStringList Soak::memberDifferences(const QJsonObject &model, const QJsonObject &d) {
    const QString address = QString::number(d["address"].toInt());
    const auto text = [](const QJsonValue &v) {
        return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact));
    };
    QStringList out;
    for (auto it = model.begin(); it != model.end(); ++it) {
        QJsonValue has = d[it.key()];
        if (it->isObject()) { // "lan": the settings the model holds
            QJsonObject part;
            for (const QString &key : it->toObject().keys())
                part[key] = has[key];
            has = part;
        }
        if (it.value() != has)
            out << QStringLiteral("%1 is %2, device %3 has %4")
                       .arg(it.key(), text(it.value()), address, text(has));
    }
    return out;
}

void Soak::compare(int address, const QString &when) {
    if (const QStringList diffs = differences(address); !diffs.isEmpty())
        fail(when + diffs.join("\n  "));
}

void Soak::checkpoint() {
    ++m_checks;
    if (m_shared)
        switchConsole();
    if (!console().portOn())
        pressPort();
    const int entry = 1 + pick(static_cast<int>(kAddresses.size()));
    m_device = kAddresses[entry - 1];
    note(QStringLiteral("check device %1").arg(m_device));
    chooseIn(console(), CConsoleDlg::IDC_ADDRESS_LIST, entry);
    sent(1);
    if (settle())
        compare(m_device, "");
    if (m_shared && !m_failed)
        compareKorvexd();
}

// The simulator goes (the line drops), maybe in the middle of a status burst, and comes back fresh on
// the same link: at once, or once the console noticed, maybe after the operator acted meanwhile. The
// console reopens the port by itself and asks the chosen device for its status, which must then show
// everywhere; with "All" chosen the devices answer in address order, so the last one's values show.
// An operator who pressed the port button meanwhile has taken the port over: nothing reopens it.
// Through korvexd it is korvexd that notices and reconnects; the windows stay connected to it.
void Soak::dropLine() {
    const int how = pick(3); // 0 back at once, 1 after the line's holder noticed, 2 and the operator acted
    const bool midBurst = pick(2) == 0;
    if (!m_shared && !console().portOn())
        return;
    ++m_drops;
    note(QStringLiteral("line dropped%1, back %2")
             .arg(midBurst ? " in a burst" : "", how ? "later" : "at once"));
    if (midBurst)
        inject(QStringLiteral("A%1 GET STA").arg(m_device, 2, 10, QChar('0')), true);
    const std::size_t logged = m_korvexd.log().size();
    m_sims.front()->stop();
    const auto noticed = [&] {
        return m_shared ? !korvexdSaid(logged, " lost").empty() : console().portControl().waitingForLine();
    };
    if (how > 0 && !testsupport::waitFor(noticed, kWaitMs))
        return fail(m_shared ? "korvexd did not notice the dropped line"
                             : "the console did not notice the dropped line");
    // Through korvexd nobody acts meanwhile: whether korvexd reads a window's commands before the line
    // is back or after is not for the test to know.
    for (int n = how == 2 ? 1 + pick(3) : 0; n > 0 && !m_failed && !m_shared; --n)
        act(true);
    if (!m_sims.front()->start(m_simArgs))
        return fail(QString::fromStdString("korvex-sim did not start again: " + m_sims.front()->error()));
    m_sent = 0;
    m_expects.clear();
    if (m_shared)
        return lineBack(logged);
    if (!console().portOn() && !console().portControl().waitingForLine())
        return m_messages->clear(); // "Can not find this port ..." while the line was away
    m_sent = 1;                     // the reconnect's status request
    if (!testsupport::waitFor([&] { return console().portOn() && commands() >= 1; }, kWaitMs))
        return fail("the console did not reconnect");
    if (settle())
        compare(m_device == 0 ? kAddresses.back() : m_device, "after reconnecting:\n  ");
}

// Every control that shows device state, against the device. Left out, since no device value stands
// behind them: the VIDEO "All Output Port" row and the SETTING "All from:" list (the operator's last
// choice for all outputs), the EDID page's read-port and user-slot lists, and the MAC box's enabling.
QStringList Soak::differences(int address) {
    const QJsonObject d = testsupport::simDevice(state(), address);
    QStringList out;
    const auto differ = [&](const QString &what, const QString &shown, const QString &has) {
        if (shown != has)
            out << QStringLiteral("%1 shows %2, device %3 has %4")
                       .arg(what, shown, QString::number(address), has);
    };
    const auto value = [&](const char *key, int index = -1) {
        return (index < 0 ? d[key] : d[key][index]).toInt(-100);
    };
    const auto entry = [](QComboBox *list, int index) {
        return index >= 0 && index < list->count() ? list->itemText(index) : QStringLiteral("none");
    };
    const auto shown = [&](QComboBox *list) { return entry(list, list->currentIndex()); };
    const auto onOff = [](bool on) { return on ? QStringLiteral("checked") : QStringLiteral("clear"); };
    const auto name = [](QStringList names, int index) { return names.value(index + 1, "?"); };
    const auto radios = [&](QWidget &scope, const auto &ids) {
        int checked = -1;
        for (std::size_t i = 0; i < std::size(ids) && checked < 0; ++i)
            checked = at(scope, ids[i])->isChecked() ? static_cast<int>(i) : -1;
        return checked;
    };

    // VIDEO: the nine routing rows and the border line.
    const QStringList columns{"none", "in1", "in2", "in3", "in4", "in5", "in6", "in7", "in8", "in9", "MV"};
    for (int out = 0; out < 9; ++out)
        differ(QStringLiteral("VIDEO Out%1").arg(out + 1),
               name(columns, radios(video(), idRange(V::radioId(out, 0), 10))),
               name(columns, value("routing", out)));
    const std::pair<int, int> edits[] = {{V::IDC_WIDTH, value("borderWidth")},
                                         {V::IDC_RED, value("borderColour", 0)},
                                         {V::IDC_GREEN, value("borderColour", 1)},
                                         {V::IDC_BLUE, value("borderColour", 2)}};
    for (auto [id, has] : edits)
        differ(QStringLiteral("VIDEO edit %1").arg(id), at<QLineEdit>(video(), id)->text(),
               QString::number(has));

    // Multiview: the mode, the QV window on show and its input, the four sources the next choice sends,
    // the MV audio table and the two lists that show it.
    const int mode = value("mvMode");
    differ("MV button", at(mv(), M::IDC_MV_BUTTON)->text(), mode == 0 ? "Change to 2x2" : "Change to 3x3");
    differ("MV icon", at(mv(), M::IDC_MV_ICON)->property("iconId").toString(),
           QString::number(mode == 0 ? res::IDI_MV_MODE0 : res::IDI_MV_MODE1));
    const QStringList inputs{"none",   "Input1", "Input2", "Input3", "Input4",
                             "Input5", "Input6", "Input7", "Input8", "Input9"};
    const int window = radios(mv(), idRange(M::IDC_QV_WINDOW1, 4));
    differ("QV window", window < 0 ? "none" : "chosen", "chosen");
    if (window >= 0)
        differ(QStringLiteral("QV in-%1").arg(window + 1), name(inputs, radios(mv(), M::kQvInputIds)),
               name(inputs, value("qvSources", window)));
    for (int w = 0; w < 4; ++w)
        differ(QStringLiteral("QV source of in-%1").arg(w + 1), name(inputs, mv().qvSources()[w]),
               name(inputs, value("qvSources", w)));
    auto *audioOut = at<QComboBox>(mv(), M::IDC_AUDIO_OUTPUT),
         *audioIn = at<QComboBox>(mv(), M::IDC_AUDIO_INPUT);
    bool same = true;
    for (int o = 0; o < 9; ++o) {
        same = same && value("mvAudio", o) == value("mvAudio", 0);
        differ(QStringLiteral("MV audio table Out%1").arg(o + 1), QString::number(mv().mvAudioTable()[o + 1]),
               QString::number(value("mvAudio", o)));
    }
    if (same)
        differ("MV audio output list", shown(audioOut), "0. All");
    const int o = audioOut->currentIndex();
    const int source = o > 0 ? value("mvAudio", o - 1) : same ? value("mvAudio", 0) : -1;
    differ("MV audio of " + shown(audioOut), shown(audioIn), entry(audioIn, source - 1));

    // EDID MANAGEMENT: the nine inputs' choices.
    for (int i = 0; i < 9; ++i) {
        auto *list = at<QComboBox>(edid(), CEdidPage::kEdidListIds[i]);
        differ(QStringLiteral("EDID Input%1").arg(i + 1), shown(list), entry(list, value("edidChoice", i)));
    }

    // SETTING: the audio mode, each output's audio routing, on/mute and IR route, the three rows of boxes.
    const QStringList modes{"none", "Follow the input", "Follow the output", "Independent routing"};
    differ("SETTING audio mode", name(modes, radios(setting(), idRange(S::IDC_FOLLOW_INPUT, 3))),
           name(modes, value("audioMode")));
    for (int out = 0; out < 9; ++out) {
        auto *route = at<QComboBox>(setting(), S::IDC_AUDIO_ROUTE1 + out);
        auto *ir = at<QComboBox>(setting(), S::IDC_IR_ROUTE1 + out);
        const QString output = QStringLiteral("SETTING Out%1 ").arg(out + 1);
        differ(output + "audio", shown(route), entry(route, value("audioRouting", out)));
        differ(output + "on/mute",
               name({"none", "On", "Mute"},
                    radios(setting(), std::array{S::audioOnId(out + 1), S::audioMuteId(out + 1)})),
               name({"none", "On", "Mute"}, value("audioMute", out)));
        differ(output + "IR from", shown(ir), entry(ir, value("irRoute", out)));
    }
    const std::pair<const char *, std::vector<int>> rows[] = {{"irExtSwitch", irSwitchIds()},
                                                              {"irEmitter", idRange(S::IDC_IR_EMITTER1, 9)},
                                                              {"rs232", idRange(S::IDC_RS232_OUT1, 9)}};
    for (const auto &[key, ids] : rows)
        for (int i = 0; i < static_cast<int>(ids.size()); ++i)
            differ(QStringLiteral("SETTING %1 %2").arg(key, at(setting(), ids[i])->text()),
                   onOff(at(setting(), ids[i])->isChecked()), onOff(value(key, i)));

    // IP CONFIG: DHCP and the address boxes it enables, the TCP port, the MAC.
    const QJsonObject lan = d["lan"].toObject();
    const bool dhcp = lan["dhcp"].toInt() != 0;
    differ("IP CONFIG DHCP", onOff(at(ip(), I::IDC_DHCP)->isChecked()), onOff(dhcp));
    const std::pair<int, const char *> boxes[] = {
        {I::IDC_HOST_IP, "host"}, {I::IDC_NET_MASK, "mask"}, {I::IDC_ROUTER_IP, "router"}};
    for (auto [id, key] : boxes) {
        auto *box = at<ui::IpAddressEdit>(ip(), id);
        differ(QStringLiteral("IP CONFIG %1").arg(key), box->text(), lan[key].toString());
        differ(QStringLiteral("IP CONFIG %1 box").arg(key), box->isEnabled() ? "enabled" : "disabled",
               dhcp ? "disabled" : "enabled");
    }
    differ("IP CONFIG TCP port", at<QLineEdit>(ip(), I::IDC_TCP_PORT)->text(),
           QString::number(lan["tcpPort"].toInt()));
    differ("IP CONFIG MAC", at<QLineEdit>(ip(), I::IDC_MAC)->text(), lan["mac"].toString());
    return out;
}

// The operator's actions and the line's events, with their weights. Each notes what it does, counts the
// commands the console must send for it and the device values they must set.
std::vector<Soak::Action> Soak::actions() {
    return {
        {"route", 10,
         [this] {
             const int row = pick(10), column = pick(10); // row 10: "All Output Port", column 10: "MV"
             show(video());
             note(QStringLiteral("VIDEO row %1 column %2").arg(row + 1).arg(column + 1));
             press(video(), V::radioId(row, column));
             sent(1);
             for (int out = 0; out < 9; ++out)
                 if (row == V::kAllOutputsRow || row == out)
                     expect("routing", out, column);
         }},
        {"border", 3,
         [this] {
             const int width = pick(17), red = pick(256), green = pick(256), blue = pick(256);
             show(video());
             note(QStringLiteral("VIDEO border %1, %2.%3.%4").arg(width).arg(red).arg(green).arg(blue));
             const std::pair<int, int> edits[] = {
                 {V::IDC_WIDTH, width}, {V::IDC_RED, red}, {V::IDC_GREEN, green}, {V::IDC_BLUE, blue}};
             for (auto [id, typed] : edits)
                 type(at<QLineEdit>(video(), id), QString::number(typed));
             press(video(), V::IDC_UPDATE);
             if (width > 15) { // refused with the range message, nothing sent
                 if (m_messages->messages() != QStringList{"Please enter an integer between 0 and 15."})
                     fail("width 16 was not refused: " + m_messages->messages().join(" | "));
                 return m_messages->clear();
             }
             sent(2);
             expect("borderWidth", -1, width);
             for (int i = 0; i < 3; ++i)
                 expect("borderColour", i, edits[i + 1].second);
         }},
        {"mv mode", 3,
         [this] {
             const bool icon = pick(2) == 0;
             note(icon ? "MV icon" : "MV button");
             press(mv(), icon ? M::IDC_MV_ICON : M::IDC_MV_BUTTON);
             sent(1);
             expect("mvMode", -1, mv().mvMode());
         }},
        {"qv window", 2,
         [this] {
             const int w = pick(4);
             note(QStringLiteral("QV in-%1").arg(w + 1));
             press(mv(), M::IDC_QV_WINDOW1 + w);
         }},
        {"qv input", 4,
         [this] {
             const int s = pick(9);
             note(QStringLiteral("QV Input%1").arg(s + 1));
             press(mv(), M::kQvInputIds[s]);
             sent(1);
             for (int w = 0; w < 4; ++w) // the chosen window, and the one it swapped with
                 expect("qvSources", w, mv().qvSources()[w]);
         }},
        {"mv audio", 4,
         [this] {
             const int out = pick(10), source = pick(10); // output 0: all; source 10: mute
             note(QStringLiteral("MV audio out %1 from %2").arg(out).arg(source + 1));
             chooseIn(mv(), M::IDC_AUDIO_OUTPUT, out);
             chooseIn(mv(), M::IDC_AUDIO_INPUT, source);
             sent(1);
             for (int o = 0; o < 9; ++o)
                 if (out == 0 || out == o + 1)
                     expect("mvAudio", o, source + 1);
         }},
        {"edid", 4,
         [this] {
             const int input = pick(9), choice = pick(14);
             show(edid());
             note(QStringLiteral("EDID input %1 choice %2").arg(input + 1).arg(choice));
             chooseIn(edid(), CEdidPage::kEdidListIds[input], choice);
             press(edid(), CEdidPage::kApplyIds[input]);
             sent(1);
             expect("edidChoice", input, choice);
         }},
        {"audio mode", 2,
         [this] {
             const int mode = pick(3);
             show(setting());
             note(QStringLiteral("SETTING audio mode %1").arg(mode));
             press(setting(), S::IDC_FOLLOW_INPUT + mode);
             sent(1);
             expect("audioMode", -1, mode);
         }},
        {"audio route", 3,
         [this] {
             const int out = pick(9), input = pick(9);
             note(QStringLiteral("SETTING audio out %1 from in %2").arg(out + 1).arg(input + 1));
             chooseIn(setting(), S::IDC_AUDIO_ROUTE1 + out, input);
             sent(1);
             expect("audioRouting", out, input);
         }},
        {"audio on/mute", 3,
         [this] {
             const int out = pick(9), mute = pick(2);
             note(QStringLiteral("SETTING out %1 %2").arg(out + 1).arg(mute ? "Mute" : "On"));
             press(setting(), mute ? S::audioMuteId(out + 1) : S::audioOnId(out + 1));
             sent(1);
             expect("audioMute", out, mute);
         }},
        {"ir route", 3,
         [this] {
             const int out = pick(10), source = pick(4); // output 10: "All from:"
             note(QStringLiteral("SETTING IR out %1 from IRext%2").arg(out + 1).arg(source + 1));
             chooseIn(setting(), out == 9 ? S::IDC_IR_ROUTE_ALL : S::IDC_IR_ROUTE1 + out, source);
             sent(1);
             for (int o = 0; o < 9; ++o)
                 if (out == 9 || out == o)
                     expect("irRoute", o, source);
         }},
        {"ir flags", 6,
         [this] {
             // A box of "Matrix IR control", "IR Emitter from:" or "RS232 Routed To:": the whole row goes
             // out as the boxes show it.
             const int row = pick(3);
             const std::vector<int> ids =
                 row == 0 ? irSwitchIds() : idRange(row == 1 ? S::IDC_IR_EMITTER1 : S::IDC_RS232_OUT1, 9);
             const int box = ids[pick(static_cast<int>(ids.size()))];
             note(QStringLiteral("SETTING box %1").arg(box));
             press(setting(), box);
             sent(1);
             for (int i = 0; i < static_cast<int>(ids.size()); ++i)
                 expect(QStringList{"irExtSwitch", "irEmitter", "rs232"}[row], i,
                        at(setting(), ids[i])->isChecked() ? 1 : 0);
         }},
        {"lan", 3,
         [this] {
             const bool flipDhcp = pick(3) == 0, typeMac = pick(2) == 0;
             const int port = 1 + pick(9999);
             QStringList mac{"02"};
             for (int i = 0; i < 5; ++i)
                 mac << number(0, 255, 2, 16);
             show(ip());
             note(
                 QStringLiteral("IP CONFIG %1save, port %2").arg(flipDhcp ? "DHCP flipped, " : "").arg(port));
             if (flipDhcp)
                 press(ip(), I::IDC_DHCP);
             const int boxes[] = {I::IDC_HOST_IP, I::IDC_NET_MASK, I::IDC_ROUTER_IP};
             for (int id : boxes)
                 for (int f = 0; f < 4; ++f)
                     type(at<ui::IpAddressEdit>(ip(), id)->field(f), QString::number(pick(256)));
             type(at<QLineEdit>(ip(), I::IDC_TCP_PORT), QString::number(port));
             if (m_macUnlocked && typeMac)
                 type(at<QLineEdit>(ip(), I::IDC_MAC), mac.join('-'));
             press(ip(), I::IDC_SAVE);
             const bool dhcp = at(ip(), I::IDC_DHCP)->isChecked();
             sent((dhcp ? 2 : 5) + (m_macUnlocked ? 1 : 0)); // addresses only with DHCP off
             expect("lan.dhcp", -1, dhcp ? 1 : 0);
             expect("lan.tcpPort", -1, port);
             if (m_macUnlocked)
                 expect("lan.mac", -1, at<QLineEdit>(ip(), I::IDC_MAC)->text());
             const char *keys[] = {"lan.host", "lan.mask", "lan.router"};
             for (int b = 0; b < 3 && !dhcp; ++b) {
                 const std::array<std::uint8_t, 4> a = at<ui::IpAddressEdit>(ip(), boxes[b])->address();
                 expect(keys[b], -1, QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]));
             }
         }},
        {"mac unlock", 1,
         [this] {
             note("IP CONFIG service code");
             type(at<QLineEdit>(ip(), I::IDC_TCP_PORT), "tlrq");
             press(ip(), I::IDC_SAVE);
             m_macUnlocked = true;
         }},
        {"lan reset", 1,
         [this] {
             note("IP CONFIG reset");
             press(ip(), I::IDC_RESET);
             if (!console().portOn())
                 m_messages->clear(); // "Com port is not on yet."
             sent(1);
             const char *keys[] = {"lan.dhcp", "lan.host", "lan.mask", "lan.router", "lan.tcpPort"};
             const QJsonValue defaults[] = {0, "192.168.1.100", "255.255.255.0", "192.168.1.1", 8000};
             for (int i = 0; i < 5; ++i)
                 expect(keys[i], -1, defaults[i]);
         }},
        {"address", 3,
         [this] {
             const int entry = pick(static_cast<int>(kAddresses.size()) + 1);
             note(QStringLiteral("address entry %1").arg(entry));
             chooseIn(console(), CConsoleDlg::IDC_ADDRESS_LIST, entry);
             m_device = entry == 0 ? 0 : kAddresses[entry - 1];
             sent(1, true); // "GET STA"
         }},
        {"port", 1,
         [this] {
             note(console().portOn() ? "Close Port" : "Turn on Port");
             pressPort();
             if (m_lineAway)
                 m_messages->clear(); // "Can not find this port or used by other application"
         }},
        {"page", 2,
         [this] {
             const int page = pick(5);
             note(QStringLiteral("tab %1").arg(page));
             at<QTabWidget>(console(), CConsoleDlg::IDC_TAB)->setCurrentIndex(page);
         }},
        {"device", 12, [this] { deviceChange(); }},
        {"drop", 3, [this] { dropLine(); }},
    };
}

// One action from the table by its weight; while the line is away, only the operator's.
void Soak::act(bool lineDown) {
    if (m_shared)
        switchConsole();
    m_lineAway = lineDown;
    std::vector<Action> table = actions();
    if (lineDown)
        std::erase_if(table, [](const Action &a) { return a.name == "device" || a.name == "drop"; });
    int total = 0;
    for (const Action &a : table)
        total += a.weight;
    int r = pick(total);
    for (const Action &a : table)
        if ((r -= a.weight) < 0)
            return a.run();
}

// What a second controller on the line does to one device or all of them ("A00"); each answer reaches
// the console unasked, and "GET STA" brings a whole burst of some device's status. Each {x} is filled
// at random: o an output 0..9 (0 all), i an input 1..9, r an IR input 1..4, s a source (1..9 and a
// blank, or 10), b 0..1, m 0..2, w a width 000..015, c 000..255, e an EDID choice 00..13, p a TCP
// port, h a hexadecimal byte, F nine flags, X thirteen flags.
void Soak::deviceChange() {
    static const QStringList changes =
        QString::fromLatin1(
            "SET OUT{o} VS IN{s}|SET MVW MODE{b}|SET QVW VS {i}.{i}.{i}.{i}|SET OUT{o} MAS IN{s}|"
            "SET BLW {w}|SET BLC {c}.{c}.{c}|SET IN{i} EDID {e}|SET DHCP {b}|"
            "SET HIP {c}.{c}.{c}.{c}|SET NMK {c}.{c}.{c}.{c}|SET RIP {c}.{c}.{c}.{c}|"
            "SET TIP {p}|SET MAC 00-1C-91-4B-{h}-{h}|SET EXA MODE{m}|SET OUT{o} EAS IN{i}|"
            "SET {o} EXA EN |SET {o} EXA DIS|SET IRT OUT{o} IS IN{r}|SET IR EXT SW {X}|"
            "SET IRC MUX {F}|SET RS MUX {F}|GET STA")
            .split('|');
    const auto flags = [this](int count) {
        QStringList f;
        for (int i = 0; i < count; ++i)
            f << number(0, 1);
        return f.join('.');
    };
    const std::map<QChar, std::function<QString()>> field{
        {'o', [&] { return number(0, 9); }},
        {'i', [&] { return number(1, 9); }},
        {'r', [&] { return number(1, 4); }},
        {'b', [&] { return number(0, 1); }},
        {'m', [&] { return number(0, 2); }},
        {'w', [&] { return number(0, 15, 3); }},
        {'c', [&] { return number(0, 255, 3); }},
        {'e', [&] { return number(0, 13, 2); }},
        {'p', [&] { return number(1, 9999); }},
        {'h', [&] { return number(0, 255, 2, 16); }},
        {'F', [&] { return flags(9); }},
        {'X', [&] { return flags(13); }},
        {'s', [&] { return number(1, 10).leftJustified(2, ' '); }}};
    const QString pattern = changes[pick(static_cast<int>(changes.size()))];
    QString command;
    for (qsizetype k = 0; k < pattern.size(); ++k)
        command += pattern[k] == '{' ? field.at(pattern[(k += 2) - 1])() : QString(pattern[k]);
    const int entry = pick(static_cast<int>(kAddresses.size()) + 1);
    inject(QStringLiteral("A%1 ").arg(entry == 0 ? 0 : kAddresses[entry - 1], 2, 10, QChar('0')) + command);
}

// The operator's steps alternate between the two windows on korvexd: the other one becomes console(),
// with its chosen device and MAC box, and the marker counts its answers.
void Soak::switchConsole() {
    if (m_console)
        m_console->session().removeReplySink(&m_marker);
    std::swap(m_console, m_other);
    std::swap(m_device, m_otherDevice);
    std::swap(m_macUnlocked, m_otherMacUnlocked);
    console().session().addReplySink(&m_marker);
}

// A new window connects to korvexd as an operator does it: "Network...", the address typed, "Connect".
void Soak::connectToKorvexd() {
    switchConsole();
    testsupport::WhenOpen<CNetworkDlg> fill([&](CNetworkDlg &dialog) {
        ui::control<QComboBox>(&dialog, QStringLiteral("Host:"))
            ->setEditText(QStringLiteral("127.0.0.1:%1").arg(m_korvexd.port()));
        ui::control<QPushButton>(&dialog, QStringLiteral("Connect"))->click();
    });
    chooseIn(console(), CConsoleDlg::IDC_PORT_LIST, CPortList::kNetworkIndex);
    testsupport::waitFor([&] { return console().portOn(); }, kWaitMs);
}

// korvexd's log lines from line `from` on that hold the text.
std::vector<std::string> Soak::korvexdSaid(std::size_t from, const std::string &text) {
    const std::vector<std::string> log = m_korvexd.log();
    std::vector<std::string> out;
    for (std::size_t i = from; i < log.size(); ++i)
        if (log[i].find(text) != std::string::npos)
            out.push_back(log[i]);
    return out;
}

// korvexd took its line back and asked each device for its status. The window on turn, still
// connected, asks for its device's status (with "All" it is checked later); then it and korvexd must
// show what the devices hold.
void Soak::lineBack(std::size_t logged) {
    if (!testsupport::waitFor([&] { return !korvexdSaid(logged, " is back").empty(); }, kWaitMs))
        return fail("korvexd did not take the line back");
    m_sent = static_cast<int>(kAddresses.size());
    if (console().portOn() && m_device != 0) {
        const auto at = std::find(kAddresses.begin(), kAddresses.end(), m_device);
        chooseIn(console(), CConsoleDlg::IDC_ADDRESS_LIST, 1 + static_cast<int>(at - kAddresses.begin()));
        sent(1);
        if (settle())
            compare(m_device, "after the line came back:\n  ");
    } else {
        sync();
    }
    if (!m_failed)
        compareKorvexd();
}

// One GET of korvexd's JSON API on a connection of its own: the body, empty unless the answer is 200.
QJsonObject Soak::apiGet(const QString &path) {
    const testsupport::HttpAnswer answer = testsupport::httpRoundTrip(
        m_httpPort,
        "GET " + path.toStdString() + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    return answer.status == 200 ? QJsonDocument::fromJson(QByteArray::fromStdString(answer.body)).object()
                                : QJsonObject();
}

// korvexd's model of every device, as its JSON API gives it, against the device: each member the
// device reports that the model can hold must be there and equal. The devices' last answers may still
// be on their way to korvexd.
void Soak::compareKorvexd() {
    QStringList diffs;
    testsupport::waitFor(
        [&] {
            diffs.clear();
            const QJsonObject all = state();
            for (int address : kAddresses) {
                QJsonObject model = apiGet(QStringLiteral("/api/devices/%1").arg(address, 2, 10, QChar('0')));
                model.remove("names");
                model.remove("locks");
                const QJsonObject d = testsupport::simDevice(all, address);
                QStringList differ = memberDifferences(model, d);
                for (const QString &key : d.keys())
                    if (!model.contains(key) && !QStringList{"userEdid", "sinkEdid", "wall"}.contains(key))
                        differ << key + " is not known";
                if (!differ.isEmpty())
                    diffs << QStringLiteral("device %1: ").arg(address) + differ.join("\n    ");
            }
            return diffs.isEmpty();
        },
        kWaitMs);
    if (!diffs.isEmpty())
        fail("korvexd's model differs:\n  " + diffs.join("\n  "));
}

void Soak::runSeed(const SoakRun &run) {
    m_run = run;
    m_rng.seed(run.seed);
    m_step = m_sent = m_checks = m_drops = 0;
    m_macUnlocked = m_otherMacUnlocked = m_failed = false;
    m_expects.clear();
    m_recent.clear();
    m_console.reset();
    m_other.reset();
    m_korvexd.stop();
    m_sims.clear();
    m_sims.push_back(std::make_unique<testsupport::SimProcess>(m_simArgs));
    ASSERT_TRUE(m_sims.front()->started()) << m_sims.front()->error();
    if (m_shared) { // korvexd asks each device for its status at start
        // The line by the path of its link: while a dropped line is away, "COM1" would be the machine's
        // own first serial port.
        ASSERT_TRUE(m_korvexd.start(
            {"--line", std::filesystem::absolute("COM1").string(), "--devices", "01,05,12", "--poll", "0"}))
            << m_korvexd.error();
        std::vector<std::string> panel;
        ASSERT_TRUE(
            testsupport::waitFor([&] { return !(panel = korvexdSaid(0, "web panel on http://")).empty(); }));
        m_httpPort =
            static_cast<std::uint16_t>(std::stoi(panel.front().substr(panel.front().rfind(':') + 1)));
        m_sent = static_cast<int>(kAddresses.size());
    } else {
        console().session().addReplySink(&m_marker);
    }
    for (int window = 0; window < (m_shared ? 2 : 1); ++window) {
        if (m_shared)
            connectToKorvexd();
        else
            press(console(), CConsoleDlg::IDC_PORT_BUTTON);
        ASSERT_TRUE(console().portOn());
        chooseIn(console(), CConsoleDlg::IDC_ADDRESS_LIST, 1); // device 01, and its status
        m_device = kAddresses[0];
        sent(1);
        settle();
    }
    for (m_step = 1; m_step <= run.steps && !m_failed; ++m_step) {
        while (m_recent.size() > 12)
            m_recent.pop_front();
        act(false);
        if (!m_failed && !m_messages->messages().isEmpty())
            fail("unexpected message: " + m_messages->messages().join(" | "));
        if (!m_failed)
            sync();
        if (!m_failed && (m_step % kCheckEvery == 0 || m_step == run.steps))
            checkpoint();
    }
    std::printf("soak seed %u: %d steps, %d checks, %d dropped lines, %s\n", run.seed, m_step - 1, m_checks,
                m_drops, m_failed ? "DIFFERENCE" : "no difference");
    std::fflush(stdout);
}

TEST_F(Soak, EveryControlShowsWhatTheDeviceHolds) {
    writeAddressTable(kAddresses);
    m_simArgs = {"--link", "COM1", "--state", stateFile(1), "--inject", fifo(1), "--addresses", "01,05,12"};
    for (const SoakRun &run : runsFromArguments(kShortSteps, kRegressions))
        runSeed(run);
}

TEST_F(SoakThroughKorvexd, EveryClientAndKorvexdShowWhatTheDeviceHolds) {
    writeAddressTable(kAddresses);
    m_simArgs = {"--link", "COM1",        "--state",  stateFile(1), "--inject",
                 fifo(1),  "--addresses", "01,05,12", "--log",      logFile(1)};
    for (const SoakRun &run : runsFromArguments(kShortStepsThroughKorvexd, kKorvexdRegressions))
        runSeed(run);
}
