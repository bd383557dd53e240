#include "pages/multiview/CMultiviewPanel.h"

#include "protocol/Commands.h"
#include "res/Resources.h"
#include "session/DeviceRules.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 32;

} // namespace

CMultiviewPanel::CMultiviewPanel(session::IDeviceConsole *console, QWidget *parent)
    : QWidget(parent), DeviceView(this, console) {
    setObjectName(QStringLiteral("CMultiviewPanel"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *mode = new QGroupBox(QStringLiteral("MV Mode Setting"), this);
    auto *modeLayout = new QHBoxLayout(mode);
    m_mvIcon = ui::withId(new QToolButton(mode), IDC_MV_ICON);
    m_mvIcon->setAutoRaise(true);
    m_mvIcon->setIconSize(QSize(kIconSize, kIconSize));
    m_mvButton = ui::withId(new QPushButton(QStringLiteral("Change to 2x2"), mode), IDC_MV_BUTTON);
    m_mvButton->setAutoDefault(false); // Enter belongs to the window, which ends the program
    modeLayout->addWidget(m_mvIcon);
    modeLayout->addWidget(m_mvButton, 1);

    auto *qv = new QGroupBox(QStringLiteral("QV Source"), this);
    auto *qvLayout = new QGridLayout(qv);
    // Two independent radio groups: each gets its own container so exclusivity stays within it.
    auto *windows = new QWidget(qv);
    auto *windowsLayout = new QGridLayout(windows);
    windowsLayout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        auto *r =
            ui::withId(new QRadioButton(QStringLiteral("in-%1").arg(i + 1), windows), IDC_QV_WINDOW1 + i);
        m_qvWindowRadios[static_cast<std::size_t>(i)] = r;
        windowsLayout->addWidget(r, i / 2, i % 2);
        connect(r, &QRadioButton::clicked, this, [this] { SelectQvWindow(); });
    }
    auto *inputs = new QWidget(qv);
    auto *inputsLayout = new QGridLayout(inputs);
    inputsLayout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 9; ++i) {
        auto *r = ui::withId(new QRadioButton(QStringLiteral("Input%1").arg(i + 1), inputs),
                             kQvInputIds[static_cast<std::size_t>(i)]);
        m_qvInputRadios[static_cast<std::size_t>(i)] = r;
        inputsLayout->addWidget(r, i / 3, i % 3);
        connect(r, &QRadioButton::clicked, this, [this] { SetQvSource(); });
    }
    qvLayout->addWidget(windows, 0, 0);
    qvLayout->addWidget(inputs, 1, 0);

    auto *audio = new QGroupBox(QStringLiteral("Audio select for MV:"), this);
    auto *audioLayout = new QVBoxLayout(audio);
    m_audioOutputList = ui::makeList(IDC_AUDIO_OUTPUT, audio);
    m_audioOutputList->addItem(QStringLiteral("0. All"));
    for (int i = 1; i <= 9; ++i)
        m_audioOutputList->addItem(QStringLiteral("%1. Out%1").arg(i));
    m_audioInputList = ui::makeList(IDC_AUDIO_INPUT, audio);
    for (int i = 1; i <= 9; ++i)
        m_audioInputList->addItem(QStringLiteral("%1. In%1").arg(i));
    m_audioInputList->addItem(QStringLiteral("10.Mute"));
    // Neither list has a selection until the operator or a " MAS " reply makes one.
    m_audioOutputList->setCurrentIndex(-1);
    m_audioInputList->setCurrentIndex(-1);
    audioLayout->addWidget(m_audioOutputList);
    audioLayout->addWidget(m_audioInputList);

    connect(m_mvButton, &QPushButton::clicked, this, [this] { ToggleMvMode(false); });
    connect(m_mvIcon, &QToolButton::clicked, this, [this] { ToggleMvMode(true); });
    connect(m_audioInputList, &QComboBox::activated, this, [this] { SetMvAudio(); });
    connect(m_audioOutputList, &QComboBox::activated, this, [this] { ShowMvAudio(); });

    layout->addWidget(mode);
    layout->addWidget(qv);
    layout->addWidget(audio);
    layout->addStretch(1);

    setMvMode(0);
    updateData(false);
}

bool CMultiviewPanel::updateData(bool take) {
    ui::Exchange dx(this, take ? ui::Exchange::Take : ui::Exchange::Refresh);
    dx.radioGroup(m_qvWindowRadios, m_qvWindowChoice).radioGroup(m_qvInputRadios, m_qvInputChoice);
    return dx.ok();
}

void CMultiviewPanel::setMvMode(int mode) {
    m_mvMode = mode;
    m_mvButton->setText(mode == 0 ? QStringLiteral("Change to 2x2") : QStringLiteral("Change to 3x3"));
    m_mvIcon->setIcon(res::icon(mode == 0 ? res::IDI_MV_MODE0 : res::IDI_MV_MODE1));
    m_mvIcon->setProperty("iconId", mode == 0 ? res::IDI_MV_MODE0 : res::IDI_MV_MODE1);
}

void CMultiviewPanel::ToggleMvMode(bool fromIcon) {
    setMvMode(m_mvMode == 1 ? 0 : 1);
    send(fromIcon ? protocol::buildSetQvwMode(m_mvMode) : protocol::buildSetMvwMode(m_mvMode));
}

void CMultiviewPanel::SelectQvWindow() {
    updateData(true);
    m_qvInputChoice = m_qvWindowChoice >= 0 && m_qvWindowChoice < 4
                          ? m_qvSources[static_cast<std::size_t>(m_qvWindowChoice)]
                          : -1;
    updateData(false);
}

void CMultiviewPanel::SetQvSource() {
    updateData(true);
    const int w = m_qvWindowChoice;
    const int s = m_qvInputChoice;
    // Choosing an input another window shows swaps the two windows' inputs.
    m_qvSources = session::chooseQvSource(m_qvSources, w, s);
    std::array<int, 4> digits{};
    for (std::size_t i = 0; i < 4; ++i)
        digits[i] = m_qvSources[i] + 1; // unknown (-1) goes out as 0
    send(protocol::buildSetQvwSources(digits));
}

void CMultiviewPanel::SetMvAudio() {
    const int o = m_audioOutputList->currentIndex();
    const int m = m_audioInputList->currentIndex();
    // No output chosen yet: there is nothing to address and no table entry to set.
    if (o < 0 || o > 9 || m < 0 || m > 9)
        return;
    send(protocol::buildSetMvAudio(o, m + 1));
    if (o == 0) {
        m_mvAudio.fill(m + 1);
    } else {
        m_mvAudio[static_cast<std::size_t>(o)] = m + 1;
        if (m_mvAudio[static_cast<std::size_t>(o)] != m_mvAudio[0])
            m_mvAudio[0] = -1;
    }
}

void CMultiviewPanel::ShowMvAudio() {
    const int o = m_audioOutputList->currentIndex();
    selectMvAudioInput(o >= 0 && o <= 9 ? m_mvAudio[static_cast<std::size_t>(o)] : -1);
    updateData(false);
}

// The table holds sources 1..10 (input list entries 0..9) and -1 for unknown.
void CMultiviewPanel::selectMvAudioInput(int source) {
    m_audioInputList->setCurrentIndex(source > 0 ? source - 1 : -1);
}

void CMultiviewPanel::onReply(const protocol::Reply &reply) {
    if (const auto *r = std::get_if<protocol::MvModeReply>(&reply)) {
        if (const std::optional<int> mode = r->mode ? session::mvMode(*r->mode) : std::nullopt)
            setMvMode(*mode);
    } else if (const auto *r = std::get_if<protocol::QvSourcesReply>(&reply)) {
        // A digit outside 1..9 is unknown, as before any report: no input radio shows it (as before)
        // and the next choice sends it as 0, where it used to stop that choice from going out at all.
        for (std::size_t i = 0; i < 4; ++i)
            if (r->digits[i])
                m_qvSources[i] = session::qvSource(*r->digits[i]).value_or(-1);
        applyQvChoices();
        updateData(false);
    } else if (const auto *r = std::get_if<protocol::MvAudioReply>(&reply)) {
        if (!r->output || !r->source)
            return;
        // Output 0 (all) sets only the table's "All" entry. A source outside 1..10 is unknown (-1) and
        // shows no input, as before; nine unknown sources now count as equal (the output list shows
        // "0. All"), where nine different stray values used to leave it on an output.
        m_mvAudio[static_cast<std::size_t>(*r->output)] = session::mvAudioSource(*r->source).value_or(-1);
        if (*r->output == 9)
            applyMvAudioLists(); // the lists follow once the ninth output has reported
    }
}

void CMultiviewPanel::applyQvChoices() {
    if (m_qvWindowChoice >= 1 && m_qvWindowChoice <= 3) {
        m_qvInputChoice = m_qvSources[static_cast<std::size_t>(m_qvWindowChoice)];
    } else {
        m_qvWindowChoice = 0;
        m_qvInputChoice = m_qvSources[0];
    }
}

void CMultiviewPanel::applyMvAudioLists() {
    bool allEqual = true;
    for (std::size_t i = 2; i <= 9; ++i)
        allEqual = allEqual && m_mvAudio[i] == m_mvAudio[1];
    if (allEqual) {
        m_mvAudio[0] = m_mvAudio[1];
        selectMvAudioInput(m_mvAudio[0]);
        m_audioOutputList->setCurrentIndex(0);
    } else {
        m_mvAudio[0] = -1;
        if (m_audioOutputList->currentIndex() < 0)
            m_audioOutputList->setCurrentIndex(1);
        selectMvAudioInput(m_mvAudio[static_cast<std::size_t>(m_audioOutputList->currentIndex())]);
    }
    updateData(false);
}
