#include "app/CConsoleDlg.h"

#include "address/AddressFile.h"
#include "app/CAboutDlg.h"
#include "link/CommandFrame.h"
#include "link/Commands.h"
#include "link/PortNaming.h"
#include "link/TextPrefix.h"
#include "pages/video/CVideoPage.h"
#include "res/Resources.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/MessageBox.h"
#include "wall/CVideoWallPage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <span>

namespace {

constexpr int kIconSize = 32;

QPushButton *makeButton(const QString &text, int id, QWidget *parent) {
    auto *b = ui::withId(new QPushButton(text, parent), id);
    b->setAutoDefault(false); // Enter belongs to the window, which ends the program
    return b;
}

QComboBox *makeList(int id, QWidget *parent) {
    auto *c = ui::withId(new QComboBox(parent), id);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

} // namespace

CConsoleDlg::CConsoleDlg(QWidget *parent)
    : QDialog(parent), m_bridge(std::make_unique<QtLinkBridge>(
                           this, [this](const std::uint8_t *data, std::size_t size, unsigned port) {
                               handleLinkBytes(data, size, port);
                           })) {
    setWindowTitle(QStringLiteral("Korvex  V2.0"));
    buildControls();
    m_searchTimer.setObjectName(QStringLiteral("searchTimer"));
    m_portErrorTimer.setObjectName(QStringLiteral("portErrorTimer"));
    OnInitDialog();
}

CConsoleDlg::~CConsoleDlg() {
    // Stop the worker while the window still exists: it may be handing bytes to it.
    m_port.Close();
}

void CConsoleDlg::buildControls() {
    // Port row: "Comm:", the port list, the port button and icon, "Search Machine", status text.
    m_portList = makeList(IDC_PORT_LIST, this);
    for (int n = 1; n <= 99; ++n)
        m_portList->addItem(QStringLiteral("COM%1").arg(n));
    m_portButton = makeButton(QStringLiteral("Turn on Port"), IDC_PORT_BUTTON, this);
    m_portIcon = ui::withId(new QLabel(this), IDC_PORT_ICON);
    m_portIcon->setFixedSize(kIconSize, kIconSize);
    auto *search = makeButton(QStringLiteral("Search Machine"), IDC_SEARCH, this);
    auto *status = ui::withId(new QLabel(this), IDC_STATUS);
    status->setMinimumWidth(status->fontMetrics().horizontalAdvance(QStringLiteral("Please wait.....")) + 8);

    // Address row: "Address:", the address list, "Address Management".
    m_addressList = makeList(IDC_ADDRESS_LIST, this);
    m_addressList->addItem(QStringLiteral("All: 00(all devices)"));
    for (int n = 1; n <= 32; ++n)
        m_addressList->addItem(QString());
    m_addressList->setMinimumContentsLength(22);
    auto *addressButton = makeButton(QStringLiteral("Address Management"), IDC_ADDRESS_BUTTON, this);

    auto *top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Comm:"), this), 0, 0);
    top->addWidget(m_portList, 0, 1);
    top->addWidget(m_portButton, 0, 2);
    top->addWidget(m_portIcon, 0, 3);
    top->addWidget(search, 0, 4);
    top->addWidget(status, 0, 5);
    top->addWidget(new QLabel(QStringLiteral("Address:"), this), 1, 0);
    top->addWidget(m_addressList, 1, 1, 1, 1);
    top->addWidget(addressButton, 1, 2, 1, 3);
    top->setColumnStretch(6, 1);

    // The five pages; each issue that fills a page replaces its placeholder here.
    m_tab = ui::withId(new QTabWidget(this), IDC_TAB);
    const std::array<const char *, 5> titles{"VIDEO", "VIDEO WALL", "EDID MANAGEMENT", "IP CONFIG",
                                             "SETTING"};
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        if (kPageTemplates[i] == CVideoPage::kTemplate)
            m_pages[i] = m_videoPage = new CVideoPage(this, m_tab);
        else if (kPageTemplates[i] == CVideoWallPage::kTemplate)
            m_pages[i] = m_wallPage = new CVideoWallPage(this, m_tab);
        else
            m_pages[i] = ui::withId(new QWidget(m_tab), kPageTemplates[i]);
        m_tab->addTab(m_pages[i], QString::fromLatin1(titles[i]));
    }

    auto *middle = new QHBoxLayout;
    middle->addWidget(buildMultiviewColumn(), 0);
    middle->addWidget(m_tab, 1);

    auto *root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addLayout(middle, 1);

    m_portList->installEventFilter(this); // its tooltip names the device the chosen port opens
    connect(m_tab, &QTabWidget::currentChanged, this, [this] { ShowSelectedPage(); });
    connect(m_portButton, &QPushButton::clicked, this, [this] { TogglePort(); });
    connect(m_portList, &QComboBox::activated, this, [this] { SelectPort(); });
    connect(search, &QPushButton::clicked, this, [this] { StartSearch(); });
    connect(&m_searchTimer, &QTimer::timeout, this, [this] { SearchStep(); });
    connect(&m_portErrorTimer, &QTimer::timeout, this, [this] { OnPortErrorTimer(); });
    connect(m_addressList, &QComboBox::activated, this, [this] { SelectAddress(); });
    connect(addressButton, &QPushButton::clicked, this, [this] { OpenAddressDialog(); });
}

QWidget *CConsoleDlg::buildMultiviewColumn() {
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *mode = new QGroupBox(QStringLiteral("MV Mode Setting"), column);
    auto *modeLayout = new QHBoxLayout(mode);
    m_mvIcon = ui::withId(new QToolButton(mode), IDC_MV_ICON);
    m_mvIcon->setAutoRaise(true);
    m_mvIcon->setIconSize(QSize(kIconSize, kIconSize));
    m_mvButton = makeButton(QStringLiteral("Change to 2x2"), IDC_MV_BUTTON, mode);
    modeLayout->addWidget(m_mvIcon);
    modeLayout->addWidget(m_mvButton, 1);

    auto *qv = new QGroupBox(QStringLiteral("QV Source"), column);
    auto *qvLayout = new QGridLayout(qv);
    // Two independent radio groups: each gets its own container so exclusivity stays within it.
    auto *windows = new QWidget(qv);
    auto *windowsLayout = new QGridLayout(windows);
    windowsLayout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        auto *r =
            ui::withId(new QRadioButton(QStringLiteral("in-%1").arg(i + 1), windows), IDC_QV_WINDOW1 + i);
        windowsLayout->addWidget(r, i / 2, i % 2);
    }
    auto *inputs = new QWidget(qv);
    auto *inputsLayout = new QGridLayout(inputs);
    inputsLayout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 9; ++i) {
        auto *r = ui::withId(new QRadioButton(QStringLiteral("Input%1").arg(i + 1), inputs),
                             kQvInputIds[static_cast<std::size_t>(i)]);
        inputsLayout->addWidget(r, i / 3, i % 3);
    }
    qvLayout->addWidget(windows, 0, 0);
    qvLayout->addWidget(inputs, 1, 0);

    auto *audio = new QGroupBox(QStringLiteral("Audio select for MV:"), column);
    auto *audioLayout = new QVBoxLayout(audio);
    m_audioOutputList = makeList(IDC_AUDIO_OUTPUT, audio);
    m_audioOutputList->addItem(QStringLiteral("0. All"));
    for (int i = 1; i <= 9; ++i)
        m_audioOutputList->addItem(QStringLiteral("%1. Out%1").arg(i));
    m_audioInputList = makeList(IDC_AUDIO_INPUT, audio);
    for (int i = 1; i <= 9; ++i)
        m_audioInputList->addItem(QStringLiteral("%1. In%1").arg(i));
    m_audioInputList->addItem(QStringLiteral("10.Mute"));
    m_audioOutputList->setCurrentIndex(-1);
    m_audioInputList->setCurrentIndex(-1);
    audioLayout->addWidget(m_audioOutputList);
    audioLayout->addWidget(m_audioInputList);

    connect(m_mvButton, &QPushButton::clicked, this, [this] { ToggleMvMode(false); });
    connect(m_mvIcon, &QToolButton::clicked, this, [this] { ToggleMvMode(true); });
    for (int i = 0; i < 4; ++i)
        connect(ui::control<QRadioButton>(windows, IDC_QV_WINDOW1 + i), &QRadioButton::clicked, this,
                [this] { SelectQvWindow(); });
    for (int id : kQvInputIds)
        connect(ui::control<QRadioButton>(inputs, id), &QRadioButton::clicked, this,
                [this] { SetQvSource(); });
    connect(m_audioInputList, &QComboBox::activated, this, [this] { SetMvAudio(); });
    connect(m_audioOutputList, &QComboBox::activated, this, [this] { ShowMvAudio(); });

    layout->addWidget(mode);
    layout->addWidget(qv);
    layout->addWidget(audio);
    layout->addStretch(1);
    return column;
}

void CConsoleDlg::OnInitDialog() {
    const QIcon appIcon = res::icon(res::IDR_MAINFRAME);
    setWindowIcon(appIcon);
    if (qApp)
        qApp->setWindowIcon(appIcon);

    m_groupByte = 0;
    m_deviceByte = 0;
    m_addressList->setCurrentIndex(0);

    m_qvSources.fill(-1);
    setMvMode(0);
    m_searchInProgress = 0;

    m_portOn = 0;
    m_baud = 57600;
    m_portNumber = 1;
    m_parity = 'N';
    m_dataBits = 8;
    m_stopBits = 1;
    m_eventMask = 3;

    showPortIcon(false);
    m_portList->setCurrentIndex(static_cast<int>(m_portNumber) - 1);
    m_statusText = QStringLiteral(" ");
    UpdateData(false);

    m_tab->setCurrentIndex(0);
    ShowSelectedPage();

    LoadAddressFile();
}

bool CConsoleDlg::UpdateData(bool take) {
    ui::Exchange ex(this, take ? ui::Exchange::Take : ui::Exchange::Refresh);
    ex.text(IDC_STATUS, m_statusText);
    ex.radioGroup({IDC_QV_WINDOW1, IDC_QV_WINDOW1 + 1, IDC_QV_WINDOW1 + 2, IDC_QV_WINDOW1 + 3},
                  m_qvWindowChoice);
    ex.radioGroup(std::vector<int>(kQvInputIds.begin(), kQvInputIds.end()), m_qvInputChoice);
    return ex.ok();
}

QWidget *CConsoleDlg::page(int templateNumber) const {
    for (std::size_t i = 0; i < m_pages.size(); ++i)
        if (kPageTemplates[i] == templateNumber)
            return m_pages[i];
    return nullptr;
}

void CConsoleDlg::ShowSelectedPage() {
    const int selected = m_tab->currentIndex();
    for (int i = 0; i < static_cast<int>(m_pages.size()); ++i)
        m_pages[static_cast<std::size_t>(i)]->setVisible(i == selected);
}

void CConsoleDlg::showPortIcon(bool on) {
    m_portIcon->setPixmap(res::icon(on ? res::IDI_PORT_ON : res::IDI_PORT_OFF).pixmap(kIconSize, kIconSize));
    m_portIcon->setProperty("iconId", on ? res::IDI_PORT_ON : res::IDI_PORT_OFF);
}

// ---- address table and list -------------------------------------------------------------------

void CConsoleDlg::LoadAddressFile() {
    for (const std::string &message : address::LoadAddressFile(m_addressTable))
        ui::messageBox(this, QString::fromStdString(message));
    RefreshAddressList();
}

void CConsoleDlg::RefreshAddressList() {
    const int selected = m_addressList->currentIndex();
    for (int n = 1; n <= 32; ++n) {
        const AddressEntry &entry = m_addressTable.entries[static_cast<std::size_t>(n - 1)];
        m_addressList->setItemText(n, QString::fromStdString(address::AddressListText(n, entry)));
    }
    m_addressList->setCurrentIndex(selected);
    if (selected >= 1)
        m_deviceByte =
            static_cast<std::uint8_t>(m_addressTable.entries[static_cast<std::size_t>(selected - 1)].address);
}

void CConsoleDlg::SelectAddress() {
    const int selected = m_addressList->currentIndex();
    if (selected <= 0)
        m_deviceByte = 0;
    else
        m_deviceByte =
            static_cast<std::uint8_t>(m_addressTable.entries[static_cast<std::size_t>(selected - 1)].address);
    if (m_portOn)
        SendText(link::buildGetStatus()); // the new device answers with all of its status lines
}

void CConsoleDlg::OpenAddressDialog() {
    m_addressDialogOpen = 1;
    // The address dialog comes with its own issue; the list is refreshed after it closes either way.
    m_addressDialogOpen = 0;
    RefreshAddressList();
}

// ---- sending ----------------------------------------------------------------------------------

void CConsoleDlg::SendText(std::string_view text) {
    // A text that does not fit the write buffer once prefixed is refused whole, never cut.
    const std::optional<std::string> out = link::prefixText(text, m_deviceByte, kWriteBufferSize);
    if (!out || out->empty())
        return;
    m_port.Send(reinterpret_cast<const std::uint8_t *>(out->data()), static_cast<std::uint32_t>(out->size()));
}

void CConsoleDlg::SendShortFrame(std::uint16_t code) {
    SendFrame(code, 0, nullptr);
}

void CConsoleDlg::SendFrame(std::uint16_t code, std::size_t payloadLength, const std::uint8_t *payload) {
    if (payloadLength > link::kMaxFramePayload) {
        ui::messageBox(this, QString::fromLatin1(link::kTooMuchParameterText));
        return;
    }
    const link::FrameResult frame = link::buildFrame(m_groupByte, m_deviceByte, code,
                                                     std::span<const std::uint8_t>(payload, payloadLength));
    if (!frame.ok())
        return;
    if (!m_portOn) {
        ui::messageBox(this, QStringLiteral("Com port is not on yet."));
        return;
    }
    m_port.Send(frame.bytes.data(), static_cast<std::uint32_t>(frame.bytes.size()));
}

// ---- port on/off and the device search ---------------------------------------------------------

void CConsoleDlg::setPortCaption(const QString &caption) {
    m_portButton->setText(caption);
}

bool CConsoleDlg::openPort(unsigned portNumber) {
    return m_port.Open(m_bridge.get(), portNumber, m_baud, m_parity, m_dataBits, m_stopBits, m_eventMask,
                       kWriteBufferSize);
}

void CConsoleDlg::endSearchForOperator() {
    // The operator acts while a search is going: end it cleanly, as if it had never run.
    if (!m_searchInProgress && !m_searchTimer.isActive())
        return;
    m_searchTimer.stop();
    m_searchInProgress = 0;
    m_probePhase = 0;
    m_port.Close();
    m_portNumber = m_savedPort;
    m_statusText = QStringLiteral(" ");
    UpdateData(false);
}

void CConsoleDlg::TogglePort() {
    endSearchForOperator();
    m_port.ClearError();
    if (m_portOn) {
        m_portOn = 0;
        setPortCaption(QStringLiteral("Turn on Port"));
        m_port.Close();
        showPortIcon(false);
        return;
    }
    if (openPort(m_portNumber)) {
        m_port.StartWorker();
        showPortIcon(true);
        m_portOn = 1;
        setPortCaption(QStringLiteral("Close Port"));
    } else {
        m_portOn = 0;
        ui::messageBox(this, QStringLiteral("Can not find this port or used by other application"));
        showPortIcon(false);
        setPortCaption(QStringLiteral("Turn on Port"));
    }
}

void CConsoleDlg::SelectPort() {
    endSearchForOperator();
    m_port.ClearError();
    m_port.Close();
    m_portNumber = static_cast<unsigned>(std::max(0, m_portList->currentIndex())) + 1;
    if (!openPort(m_portNumber)) {
        showPortIcon(false);
        ui::messageBox(this, QStringLiteral("Can not find this port or used by other application"));
        return;
    }
    if (!m_portOn) {
        m_port.StartWorker();
        showPortIcon(true);
        setPortCaption(QStringLiteral("Close Port"));
        m_portOn = 1;
    } else {
        // Switching ports while on turns the console off; the new port stays open but unserved.
        showPortIcon(false);
        setPortCaption(QStringLiteral("Turn on Port"));
        m_portOn = 0;
    }
}

bool CConsoleDlg::openFirstPortFrom(unsigned first) {
    for (m_portNumber = first; m_portNumber <= 99; ++m_portNumber)
        if (openPort(m_portNumber))
            return true;
    return false;
}

void CConsoleDlg::searchNotFound() {
    m_searchInProgress = 0;
    m_searchTimer.stop();
    m_portNumber = m_savedPort;
    m_statusText = QStringLiteral(" ");
    UpdateData(false);
    ui::messageBox(this, QStringLiteral("Can not find available device for this console!"));
}

void CConsoleDlg::StartSearch() {
    endSearchForOperator();
    m_port.ClearError();
    m_portOn = 0;
    setPortCaption(QStringLiteral("Turn on Port"));
    m_port.Close();
    showPortIcon(false);

    m_savedPort = m_portNumber;
    m_probePhase = 0;
    if (!openFirstPortFrom(1)) {
        searchNotFound();
        return;
    }
    m_port.StartWorker();
    SendText(link::buildGetStatus());
    m_searchInProgress = 1;
    m_statusText = QStringLiteral("Please wait.....");
    UpdateData(false);
    m_searchTimer.start(500);
}

void CConsoleDlg::SearchStep() {
    if (m_port.ErrorFlag()) {
        m_searchInProgress = 0;
        m_searchTimer.stop();
    }
    if (!m_searchInProgress) {
        m_searchTimer.stop();
        return;
    }
    if (m_probePhase == 0) {
        // The probed port had its period: close it and leave the line quiet for one period.
        m_port.Close();
        m_probePhase = 1;
        return;
    }
    m_probePhase = 0;
    if (!openFirstPortFrom(m_portNumber + 1)) {
        searchNotFound();
        return;
    }
    m_port.StartWorker();
    const std::string probe = link::buildSearchProbe();
    m_port.Send(reinterpret_cast<const std::uint8_t *>(probe.data()),
                static_cast<std::uint32_t>(probe.size()));
    m_searchInProgress = 1;
    m_searchTimer.start(400);
}

void CConsoleDlg::OnPortErrorTimer() {
    if (m_port.ErrorFlag()) {
        setPortCaption(QStringLiteral("Open port"));
        m_port.Close();
        showPortIcon(false);
        m_portOn = 0;
    }
    m_portErrorTimer.stop();
}

// ---- multiview controls -----------------------------------------------------------------------

void CConsoleDlg::setMvMode(int mode) {
    m_mvMode = mode;
    m_mvButton->setText(mode == 0 ? QStringLiteral("Change to 2x2") : QStringLiteral("Change to 3x3"));
    m_mvIcon->setIcon(res::icon(mode == 0 ? res::IDI_MV_MODE0 : res::IDI_MV_MODE1));
    m_mvIcon->setProperty("iconId", mode == 0 ? res::IDI_MV_MODE0 : res::IDI_MV_MODE1);
}

void CConsoleDlg::ToggleMvMode(bool fromIcon) {
    setMvMode(m_mvMode == 1 ? 0 : 1);
    if (!m_portOn)
        return;
    const auto command = fromIcon ? link::buildSetQvwMode(m_mvMode) : link::buildSetMvwMode(m_mvMode);
    if (command)
        SendText(*command);
}

void CConsoleDlg::SelectQvWindow() {
    UpdateData(true);
    m_qvInputChoice = m_qvWindowChoice >= 0 && m_qvWindowChoice < 4
                          ? m_qvSources[static_cast<std::size_t>(m_qvWindowChoice)]
                          : -1;
    UpdateData(false);
}

void CConsoleDlg::SetQvSource() {
    UpdateData(true);
    const int w = m_qvWindowChoice;
    const int s = m_qvInputChoice;
    if (w >= 0 && w < 4) {
        // Choosing an input another window shows swaps the two windows' inputs.
        for (int other = 0; other < 4; ++other) {
            if (other != w && m_qvSources[static_cast<std::size_t>(other)] == s) {
                m_qvSources[static_cast<std::size_t>(other)] = m_qvSources[static_cast<std::size_t>(w)];
                break;
            }
        }
        m_qvSources[static_cast<std::size_t>(w)] = s;
    }
    if (!m_portOn)
        return;
    std::array<int, 4> digits{};
    for (std::size_t i = 0; i < 4; ++i)
        digits[i] = m_qvSources[i] + 1; // unknown (-1) goes out as 0
    if (const auto command = link::buildSetQvwSources(digits))
        SendText(*command);
}

void CConsoleDlg::SetMvAudio() {
    const int o = m_audioOutputList->currentIndex();
    const int m = m_audioInputList->currentIndex();
    // No output chosen yet: there is nothing to address and no table entry to set.
    if (o < 0 || o > 9 || m < 0 || m > 9)
        return;
    if (m_portOn) {
        if (const auto command = link::buildSetMvAudio(o, m + 1))
            SendText(*command);
    }
    if (o == 0) {
        m_mvAudio.fill(m + 1);
    } else {
        m_mvAudio[static_cast<std::size_t>(o)] = m + 1;
        if (m_mvAudio[static_cast<std::size_t>(o)] != m_mvAudio[0])
            m_mvAudio[0] = -1;
    }
}

void CConsoleDlg::ShowMvAudio() {
    const int o = m_audioOutputList->currentIndex();
    const int v = o >= 0 && o <= 9 ? m_mvAudio[static_cast<std::size_t>(o)] : -1;
    m_audioInputList->setCurrentIndex(v >= 1 && v <= 10 ? v - 1 : -1);
    UpdateData(false);
}

// ---- receiving --------------------------------------------------------------------------------

void CConsoleDlg::handleLinkBytes(const std::uint8_t *data, std::size_t size, unsigned port) {
    m_counters.bytes += size;
    for (std::size_t i = 0; i < size; ++i) {
        // A handler may have closed the port (a nested loop, an operator action): drop the rest.
        if (!m_port.IsOpen())
            return;
        OnLinkChar(data[i], port);
    }
}

void CConsoleDlg::OnLinkChar(std::uint8_t c, unsigned port) {
    if (port < 1 || port > 99)
        return;
    if (m_port.ErrorFlag()) {
        if (!m_portErrorTimer.isActive())
            m_portErrorTimer.start(1);
        return;
    }
    ParseReply(c);
}

void CConsoleDlg::ParseReply(std::uint8_t c) {
    const std::optional<std::string> line = m_lineBuffer.push(static_cast<char>(c));
    if (!line)
        return;
    ++m_counters.lines;
    if (m_searchInProgress) {
        // Any complete line ends the search: the device on this port answered.
        showPortIcon(true);
        m_portOn = 1;
        setPortCaption(QStringLiteral("Close Port"));
        m_portList->setCurrentIndex(static_cast<int>(m_portNumber) - 1);
        m_statusText = QStringLiteral(" ");
        m_searchInProgress = 0;
        m_searchTimer.stop();
    }
    ApplyReply(link::decodeReply(*line));
}

// Applies one decoded reply line: one handler per row of the reply table, in table order, so the
// table can be read against this code row by row. Rows whose page is still an empty placeholder
// (EDID MANAGEMENT, IP CONFIG, SETTING, the address dialog) are decoded and dropped here until that
// page exists.
struct CConsoleDlg::ReplyApplier {
    CConsoleDlg &d;

    void operator()(const link::NoKeyword &) const {}

    // Row 1: VIDEO page routing of one output. A line without a valid output still refreshes the
    // page; an input outside 1..10 leaves the row without a checked radio.
    void operator()(const link::RoutingReply &r) const {
        if (r.output && r.input)
            d.m_videoPage->SetOutputSelection(*r.output, *r.input >= 1 && *r.input <= 10 ? *r.input - 1 : -1);
        d.m_videoPage->UpdateData(false);
    }
    void operator()(const link::EdidChoiceReply &) const {} // row 2: EDID MANAGEMENT page
    void operator()(const link::MacReply &) const {}        // row 3: IP CONFIG page
    void operator()(const link::HostIpReply &) const {}     // row 4: IP CONFIG page
    void operator()(const link::NetMaskReply &) const {}    // row 5: IP CONFIG page
    void operator()(const link::RouterIpReply &) const {}   // row 6: IP CONFIG page
    void operator()(const link::TcpPortReply &) const {}    // row 7: IP CONFIG page

    // Row 8: the IP CONFIG page's part waits for that page; the console window's status text is " ".
    void operator()(const link::DhcpReply &) const {
        d.m_statusText = QStringLiteral(" ");
        d.UpdateData(false);
    }
    void operator()(const link::AudioRouteReply &) const {} // row 9: SETTING page
    void operator()(const link::AudioOnReply &) const {}    // row 10: SETTING page
    void operator()(const link::AudioModeReply &) const {}  // row 11: SETTING page
    void operator()(const link::RsMuxReply &) const {}      // row 12: SETTING page
    void operator()(const link::IrRouteReply &) const {}    // row 13: SETTING page
    void operator()(const link::IrSwitchReply &) const {}   // row 14: SETTING page
    void operator()(const link::IrEmitterReply &) const {}  // row 15: SETTING page

    // Row 16: MV mode, caption and icon.
    void operator()(const link::MvModeReply &r) const {
        if (r.mode)
            d.setMvMode(*r.mode == 0 ? 0 : 1);
    }
    // Row 17: QV sources, then the QV choices.
    void operator()(const link::QvSourcesReply &r) const {
        for (std::size_t i = 0; i < 4; ++i)
            if (r.digits[i])
                d.m_qvSources[i] = *r.digits[i] - 1;
        d.ApplyQvChoices();
        d.UpdateData(false);
    }
    // Row 18: border colour.
    void operator()(const link::BorderColourReply &r) const {
        CVideoPage &page = *d.m_videoPage;
        page.SetBorderColour(r.red.value_or(page.BorderRed()), r.green.value_or(page.BorderGreen()),
                             r.blue.value_or(page.BorderBlue()));
        page.UpdateData(false);
    }
    // Row 19: border width.
    void operator()(const link::BorderWidthReply &r) const {
        if (r.width)
            d.m_videoPage->SetBorderWidth(*r.width);
        d.m_videoPage->UpdateData(false);
    }
    // Row 20: MV audio table entry; after output 9, the two MV audio lists.
    void operator()(const link::MvAudioReply &r) const {
        if (!r.output || !r.source)
            return;
        d.m_mvAudio[static_cast<std::size_t>(*r.output)] = *r.source;
        if (*r.output == 9)
            d.ApplyMvAudioLists();
    }
    void operator()(const link::AddressReply &) const {} // row 21: address dialog
};

void CConsoleDlg::ApplyReply(const link::Reply &reply) {
    std::visit(ReplyApplier{*this}, reply);
}

void CConsoleDlg::ApplyQvChoices() {
    if (m_qvWindowChoice >= 1 && m_qvWindowChoice <= 3) {
        m_qvInputChoice = m_qvSources[static_cast<std::size_t>(m_qvWindowChoice)];
    } else {
        m_qvWindowChoice = 0;
        m_qvInputChoice = m_qvSources[0];
    }
}

void CConsoleDlg::ApplyMvAudioLists() {
    const auto selectInput = [this](int value) {
        m_audioInputList->setCurrentIndex(value >= 1 && value <= 10 ? value - 1 : -1);
    };
    bool allEqual = true;
    for (std::size_t i = 2; i <= 9; ++i)
        allEqual = allEqual && m_mvAudio[i] == m_mvAudio[1];
    if (allEqual) {
        m_mvAudio[0] = m_mvAudio[1];
        selectInput(m_mvAudio[0]);
        m_audioOutputList->setCurrentIndex(0);
    } else {
        m_mvAudio[0] = -1;
        if (m_audioOutputList->currentIndex() < 0)
            m_audioOutputList->setCurrentIndex(1);
        selectInput(m_mvAudio[static_cast<std::size_t>(m_audioOutputList->currentIndex())]);
    }
    UpdateData(false);
}

// ---- window behaviour -------------------------------------------------------------------------

void CConsoleDlg::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CConsoleDlg::keyPressEvent(QKeyEvent *event) {
    // Enter and Escape end the program, as the close box does.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        accept();
        return;
    case Qt::Key_Escape:
        reject();
        return;
    case Qt::Key_F1:
        ShowAbout();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

QString CConsoleDlg::portPathText() const {
    const unsigned port = static_cast<unsigned>(std::max(0, m_portList->currentIndex())) + 1;
    const QFileInfo info(QString::fromStdString(link::ResolvePortPath(port)));
    if (info.isSymLink())
        return info.absoluteFilePath() + QStringLiteral(" -> ") + info.symLinkTarget();
    return info.absoluteFilePath();
}

bool CConsoleDlg::eventFilter(QObject *watched, QEvent *event) {
    // The path is resolved when asked: a COMn link in the current folder may come and go.
    if (watched == m_portList && event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), portPathText(), m_portList);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CConsoleDlg::contextMenuEvent(QContextMenuEvent *event) {
    // The window's menu carries the About entry when string 101 is not empty.
    const QString about = res::string(res::IDS_ABOUTBOX);
    if (about.isEmpty())
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("systemMenu"));
    menu.addSeparator();
    QAction *entry = menu.addAction(about);
    entry->setData(kAboutCommand);
    connect(
        entry, &QAction::triggered, this, [this] { ShowAbout(); }, Qt::QueuedConnection);
    menu.exec(event->globalPos());
}

void CConsoleDlg::closeEvent(QCloseEvent *event) {
    QDialog::closeEvent(event);
}
