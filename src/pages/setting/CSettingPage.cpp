#include "pages/setting/CSettingPage.h"

#include "protocol/Commands.h"
#include "session/DeviceRules.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// "On"/"Mute" pairs: outputs 1..8 run from 1290 in steps of two, output 9 sits apart at 1342.
constexpr int kAudioOnFirst = 1290;
constexpr int kAudioOnOutput9 = 1342;

constexpr int kIrSourceCount = 4;

std::size_t at(int output) {
    return static_cast<std::size_t>(output - 1);
}

template <std::size_t N> std::array<bool, N> asFlags(const std::array<int, N> &members) {
    std::array<bool, N> flags{};
    for (std::size_t i = 0; i < N; ++i)
        flags[i] = members[i] == 1;
    return flags;
}

// Stores the flags a reply carries; a flag the line was too short to hold keeps its member.
template <std::size_t N>
void storeFlags(std::array<int, N> &members, const std::array<std::optional<bool>, N> &flags) {
    for (std::size_t i = 0; i < N; ++i)
        if (flags[i])
            members[i] = session::flagValue(*flags[i]);
}

// A drop-down list that starts with nothing selected and ignores the wheel unless it has the focus.
QComboBox *makeList(int id, const QStringList &items, QWidget *parent) {
    auto *list = ui::withId(new QComboBox(parent), id);
    list->addItems(items);
    list->setCurrentIndex(-1);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ui::guardWheel(list);
    return list;
}

QLabel *makeLabel(const QString &caption, QWidget *parent) {
    auto *label = new QLabel(caption, parent);
    label->setObjectName(caption);
    return label;
}

QGroupBox *makeGroup(const QString &caption, QWidget *parent) {
    auto *box = new QGroupBox(caption, parent);
    box->setObjectName(caption);
    return box;
}

// Selects a list entry as a reply reports it; an unknown value clears the selection.
void selectEntry(QComboBox *list, const std::optional<int> &index) {
    list->setCurrentIndex(index.value_or(-1));
}

} // namespace

int CSettingPage::audioOnId(int output) {
    if (output < 1 || output > kOutputCount)
        return 0;
    return output == kOutputCount ? kAudioOnOutput9 : kAudioOnFirst + 2 * (output - 1);
}

int CSettingPage::audioMuteId(int output) {
    const int on = audioOnId(output);
    return on == 0 ? 0 : on + 1;
}

CSettingPage::CSettingPage(session::IDeviceConsole *console, QWidget *parent)
    : CConsolePage(kTemplate, console, parent) {
    constructed();
}

void CSettingPage::buildControls() {
    auto *grid = new QGridLayout(this);
    auto *left = new QVBoxLayout;
    left->addWidget(buildAudioModeGroup());
    left->addWidget(buildAudioRoutingGroup(), 1);
    grid->addLayout(left, 0, 0);
    grid->addWidget(buildIrRouteGroup(), 0, 1);
    grid->addWidget(buildMatrixIrGroup(), 0, 2);

    auto *flags = new QWidget(this);
    auto *flagGrid = new QGridLayout(flags);
    flagGrid->setContentsMargins(0, 0, 0, 0);
    struct FlagRow {
        const char *caption;
        int firstId;
        void (CSettingPage::*handler)();
        std::array<QAbstractButton *, kOutputCount> &boxes;
    };
    const FlagRow rows[] = {
        {"IR Emitter from:", IDC_IR_EMITTER1, &CSettingPage::onIrEmitter, m_irEmitterBoxes},
        {"RS232 Routed To:", IDC_RS232_OUT1, &CSettingPage::onRs232, m_rs232Boxes},
    };
    for (int row = 0; row < 2; ++row) {
        const FlagRow &r = rows[row];
        flagGrid->addWidget(makeLabel(QString::fromLatin1(r.caption), flags), row, 0);
        for (int i = 0; i < kOutputCount; ++i) {
            auto *box = ui::withId(new QCheckBox(QStringLiteral("Out%1").arg(i + 1), flags), r.firstId + i);
            r.boxes[static_cast<std::size_t>(i)] = box;
            flagGrid->addWidget(box, row, i + 1);
            connect(box, &QCheckBox::clicked, this, r.handler);
        }
    }
    flagGrid->setColumnStretch(kOutputCount + 1, 1);
    grid->addWidget(flags, 1, 0, 1, 3);
    grid->addWidget(buildAudioOnGroup(), 2, 0, 1, 3);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(3, 1);
}

QWidget *CSettingPage::buildAudioModeGroup() {
    auto *box = makeGroup(QStringLiteral("Deembedded Audio Mode"), this);
    auto *layout = new QVBoxLayout(box);
    const char *captions[] = {"Follow the input", "Follow the output", "Independent routing"};
    for (int mode = 0; mode < 3; ++mode) {
        auto *radio =
            ui::withId(new QRadioButton(QString::fromLatin1(captions[mode]), box), IDC_FOLLOW_INPUT + mode);
        m_audioModeRadios[static_cast<std::size_t>(mode)] = radio;
        layout->addWidget(radio);
        connect(radio, &QRadioButton::clicked, this, [this, mode] { onAudioMode(mode); });
    }
    return box;
}

QWidget *CSettingPage::buildAudioRoutingGroup() {
    auto *box = makeGroup(QStringLiteral("Independent Audio Routing"), this);
    auto *layout = new QGridLayout(box);
    QStringList items;
    for (int input = 1; input <= kOutputCount; ++input)
        items << QStringLiteral("From In%1").arg(input);
    for (int output = 1; output <= kOutputCount; ++output) {
        QComboBox *list = makeList(IDC_AUDIO_ROUTE1 + output - 1, items, box);
        m_audioRouteLists[at(output)] = list;
        layout->addWidget(makeLabel(QStringLiteral("Out%1:").arg(output), box), output - 1, 0);
        layout->addWidget(list, output - 1, 1);
        connect(list, &QComboBox::activated, this, [this, output] { onAudioRoute(output); });
    }
    layout->setRowStretch(kOutputCount, 1);
    return box;
}

QWidget *CSettingPage::buildIrRouteGroup() {
    auto *box = makeGroup(QStringLiteral("HDBT IR Out (to TV) Route Setting"), this);
    auto *layout = new QGridLayout(box);
    QStringList items;
    for (int source = 1; source <= kIrSourceCount; ++source)
        items << QStringLiteral("%1.IRext%1").arg(source);
    const QString dashes = QStringLiteral("--------------------------------");
    int row = 0;
    for (int output = 1; output <= kOutputCount; ++output) {
        QComboBox *list = makeList(IDC_IR_ROUTE1 + output - 1, items, box);
        m_irRouteLists[at(output)] = list;
        layout->addWidget(makeLabel(QStringLiteral("Out%1 from:").arg(output), box), row, 0);
        layout->addWidget(list, row++, 1);
        connect(list, &QComboBox::activated, this, [this, output] { onIrRoute(output); });
    }
    // The dashed line sets "All from:" apart from the per-output lists it fills.
    auto *line = new QLabel(dashes, box);
    line->setObjectName(QStringLiteral("dashes"));
    layout->addWidget(line, row++, 0, 1, 2);
    m_irRouteAllList = makeList(IDC_IR_ROUTE_ALL, items, box);
    layout->addWidget(makeLabel(QStringLiteral("All from:"), box), row, 0);
    layout->addWidget(m_irRouteAllList, row++, 1);
    connect(m_irRouteAllList, &QComboBox::activated, this, [this] { onIrRouteAll(); });
    layout->setRowStretch(row, 1);
    return box;
}

QWidget *CSettingPage::buildMatrixIrGroup() {
    auto *box = makeGroup(QStringLiteral("Matrix IR control"), this);
    auto *layout = new QGridLayout(box);
    layout->addWidget(makeLabel(QStringLiteral("IR signal From:"), box), 0, 0, 1, 2);
    // HDBT1..HDBT5 down the first column, HDBT6..HDBT9 down the second.
    for (int i = 0; i < kOutputCount; ++i) {
        auto *check = ui::withId(new QCheckBox(QStringLiteral("HDBT%1").arg(i + 1), box), IDC_HDBT1 + i);
        m_hdbtBoxes[static_cast<std::size_t>(i)] = check;
        layout->addWidget(check, 1 + i % 5, i / 5);
        connect(check, &QCheckBox::clicked, this, &CSettingPage::onMatrixIr);
    }
    for (int i = 0; i < kExternalIrCount; ++i) {
        auto *check = ui::withId(new QCheckBox(QStringLiteral("IR.ext%1").arg(i + 1), box), IDC_IR_EXT1 + i);
        m_externalIrBoxes[static_cast<std::size_t>(i)] = check;
        layout->addWidget(check, 6 + i / 2, i % 2);
        connect(check, &QCheckBox::clicked, this, &CSettingPage::onMatrixIr);
    }
    layout->setRowStretch(8, 1);
    return box;
}

QWidget *CSettingPage::buildAudioOnGroup() {
    auto *box = makeGroup(QStringLiteral("Deembedded audio On/Mute"), this);
    auto *layout = new QGridLayout(box);
    for (int output = 1; output <= kOutputCount; ++output) {
        // Each pair has its own small box, which keeps its two radios exclusive between themselves.
        auto *pair = makeGroup(QStringLiteral("Out%1").arg(output), box);
        auto *pairLayout = new QHBoxLayout(pair);
        auto *on = ui::withId(new QRadioButton(QStringLiteral("On"), pair), audioOnId(output));
        auto *mute = ui::withId(new QRadioButton(QStringLiteral("Mute"), pair), audioMuteId(output));
        m_audioOnRadios[at(output)] = {on, mute};
        pairLayout->addWidget(on);
        pairLayout->addWidget(mute);
        connect(on, &QRadioButton::clicked, this, [this, output] { onAudioOn(output); });
        connect(mute, &QRadioButton::clicked, this, [this, output] { onAudioOn(output); });
        layout->addWidget(pair, (output - 1) / 5, (output - 1) % 5);
    }
    return box;
}

bool CSettingPage::updateData(bool take) {
    if (!built())
        return true;
    ui::Exchange dx(this, take ? ui::Exchange::Take : ui::Exchange::Refresh);
    for (std::size_t i = 0; i < kOutputCount; ++i)
        dx.check(m_irEmitterBoxes[i], m_irEmitter[i]);
    dx.radioGroup(m_audioModeRadios, m_audioMode);
    for (std::size_t i = 0; i < kOutputCount; ++i)
        dx.radioGroup(m_audioOnRadios[i], m_audioMute[i]);
    for (std::size_t i = 0; i < kOutputCount; ++i)
        dx.check(m_hdbtBoxes[i], m_hdbtIr[i]);
    for (std::size_t i = 0; i < kOutputCount; ++i)
        dx.check(m_rs232Boxes[i], m_rs232[i]);
    for (std::size_t i = 0; i < kExternalIrCount; ++i)
        dx.check(m_externalIrBoxes[i], m_externalIr[i]);
    return dx.ok();
}

// The radio shows the click at once; the member follows the device's "EXA MODE" reply.
void CSettingPage::onAudioMode(int mode) {
    send(protocol::buildSetExaMode(mode));
}

void CSettingPage::onAudioRoute(int output) {
    const int s = m_audioRouteLists[at(output)]->currentIndex();
    if (s >= 0)
        send(protocol::buildSetIndependentAudio(output, s + 1));
}

void CSettingPage::onAudioOn(int output) {
    updateData(true);
    send(protocol::buildSetAudioOn(output, m_audioMute[at(output)] == 0));
}

void CSettingPage::onIrRoute(int output) {
    updateData(true);
    const int s = m_irRouteLists[at(output)]->currentIndex();
    if (s >= 0)
        send(protocol::buildSetIrRoute(output, s + 1));
}

// One command sets every output; the nine lists then show the same choice without sending again.
void CSettingPage::onIrRouteAll() {
    updateData(true);
    const int s = m_irRouteAllList->currentIndex();
    if (s < 0)
        return;
    send(protocol::buildSetIrRoute(0, s + 1));
    for (QComboBox *list : m_irRouteLists)
        list->setCurrentIndex(s);
    updateData(false);
}

// A check box sends its whole row (for "Matrix IR control" all thirteen boxes), never one flag.
void CSettingPage::onMatrixIr() {
    updateData(true);
    std::array<bool, kOutputCount + kExternalIrCount> flags{};
    for (std::size_t i = 0; i < m_hdbtIr.size(); ++i)
        flags[i] = m_hdbtIr[i] == 1;
    for (std::size_t i = 0; i < m_externalIr.size(); ++i)
        flags[m_hdbtIr.size() + i] = m_externalIr[i] == 1;
    send(protocol::buildSetIrSwitch(flags));
}

void CSettingPage::onIrEmitter() {
    updateData(true);
    send(protocol::buildSetIrEmitters(asFlags(m_irEmitter)));
}

void CSettingPage::onRs232() {
    updateData(true);
    send(protocol::buildSetRsMux(asFlags(m_rs232)));
}

// Per-output groups ("EAS ", " EXA ", "IRT OUT") refresh the page once their ninth line is in.
void CSettingPage::applyReply(const protocol::Reply &reply) {
    if (const auto *r = std::get_if<protocol::AudioRouteReply>(&reply)) {
        if (r->output && r->input)
            selectEntry(m_audioRouteLists[at(*r->output)], session::audioRouteInput(*r->input));
        if (r->output == kOutputCount)
            updateData(false);
    } else if (const auto *r = std::get_if<protocol::AudioOnReply>(&reply)) {
        if (r->output && r->muted)
            m_audioMute[at(*r->output)] = session::flagValue(*r->muted);
        if (r->output == kOutputCount)
            updateData(false);
    } else if (const auto *r = std::get_if<protocol::AudioModeReply>(&reply)) {
        if (r->mode)
            m_audioMode = session::audioMode(*r->mode).value_or(-1);
        updateData(false);
    } else if (const auto *r = std::get_if<protocol::RsMuxReply>(&reply)) {
        storeFlags(m_rs232, r->outputs);
        updateData(false);
    } else if (const auto *r = std::get_if<protocol::IrRouteReply>(&reply)) {
        if (r->output && r->source)
            selectEntry(m_irRouteLists[at(*r->output)], session::irRouteSource(*r->source));
        if (r->output == kOutputCount)
            updateData(false);
    } else if (const auto *r = std::get_if<protocol::IrSwitchReply>(&reply)) {
        storeFlags(m_hdbtIr, r->hdbt);
        storeFlags(m_externalIr, r->external);
        updateData(false);
    } else if (const auto *r = std::get_if<protocol::IrEmitterReply>(&reply)) {
        // Shown at once, so that the next click does not send emitters the device has since changed.
        storeFlags(m_irEmitter, r->outputs);
        updateData(false);
    }
}
