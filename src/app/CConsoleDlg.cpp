#include "app/CConsoleDlg.h"

#include "address/AddressFile.h"
#include "app/CAboutDlg.h"
#include "protocol/CommandFrame.h"
#include "protocol/Commands.h"
#include "serial/PortNaming.h"
#include "protocol/TextPrefix.h"
#include "app/CPortList.h"
#include "app/PageTable.h"
#include "pages/address/CAddressDlg.h"
#include "pages/base/CConsolePage.h"
#include "pages/multiview/CMultiviewPanel.h"
#include "pages/traffic/CTrafficDlg.h"
#include "res/Resources.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <span>

namespace {

constexpr int kIconSize = 32;

} // namespace

CConsoleDlg::CConsoleDlg(QWidget *parent)
    : QDialog(parent), m_bridge(std::make_unique<QtLinkBridge>(
                           this, [this](const std::uint8_t *data, std::size_t size, unsigned port) {
                               handleLinkBytes(data, size, port);
                           })) {
    setWindowTitle(QStringLiteral("Korvex  V2.0"));
    buildControls();
    m_addressDlg = new CAddressDlg(this, m_addressTable, this);
    m_traffic = new CTrafficDlg(this);
    auto *trafficKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+T")), this);
    connect(trafficKey, &QShortcut::activated, this, [this] { ShowTraffic(); });
    m_searchTimer.setObjectName(QStringLiteral("searchTimer"));
    m_portErrorTimer.setObjectName(QStringLiteral("portErrorTimer"));
    OnInitDialog();
}

CConsoleDlg::~CConsoleDlg() {
    // Stop the worker while the window still exists: it may be handing bytes to it. Then take the
    // pages, the panel and the address dialog down while the sink list they leave is still alive.
    m_port.Close();
    disconnect(m_tab, nullptr, this, nullptr); // removing tabs must not reach ShowSelectedPage
    delete m_addressDlg;
    m_addressDlg = nullptr;
    delete m_multiview;
    m_multiview = nullptr;
    const std::vector<CConsolePage *> pages = std::move(m_pages);
    m_pages.clear();
    for (CConsolePage *p : pages)
        delete p;
}

void CConsoleDlg::buildControls() {
    // Port row: "Comm:", the port list, the port button and icon, "Search Machine", status text.
    m_portList = new CPortList(IDC_PORT_LIST, this);
    m_portButton = ui::makeButton(QStringLiteral("Turn on Port"), IDC_PORT_BUTTON, this);
    m_portIcon = ui::withId(new QLabel(this), IDC_PORT_ICON);
    m_portIcon->setFixedSize(kIconSize, kIconSize);
    auto *search = ui::makeButton(QStringLiteral("Search Machine"), IDC_SEARCH, this);
    auto *status = ui::withId(new QLabel(this), IDC_STATUS);
    status->setMinimumWidth(status->fontMetrics().horizontalAdvance(QStringLiteral("Please wait.....")) + 8);

    // Address row: "Address:", the address list, "Address Management".
    m_addressList = ui::makeList(IDC_ADDRESS_LIST, this);
    m_addressList->addItem(QStringLiteral("All: 00(all devices)"));
    for (int n = 1; n <= 32; ++n)
        m_addressList->addItem(QString());
    m_addressList->setMinimumContentsLength(22);
    auto *addressButton = ui::makeButton(QStringLiteral("Address Management"), IDC_ADDRESS_BUTTON, this);

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

    // The tab control; the pages of the page table come in during initialisation.
    m_tab = ui::withId(new QTabWidget(this), IDC_TAB);
    m_multiview = new CMultiviewPanel(this, this);

    auto *middle = new QHBoxLayout;
    middle->addWidget(m_multiview, 0);
    middle->addWidget(m_tab, 1);

    auto *root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addLayout(middle, 1);

    connect(m_tab, &QTabWidget::currentChanged, this, [this] { ShowSelectedPage(); });
    connect(m_portButton, &QPushButton::clicked, this, [this] { TogglePort(); });
    connect(m_portList, &QComboBox::activated, this, [this] { SelectPort(); });
    connect(search, &QPushButton::clicked, this, [this] { StartSearch(); });
    connect(&m_searchTimer, &QTimer::timeout, this, [this] { SearchStep(); });
    connect(&m_portErrorTimer, &QTimer::timeout, this, [this] { OnPortErrorTimer(); });
    connect(m_addressList, &QComboBox::activated, this, [this] { SelectAddress(); });
    connect(addressButton, &QPushButton::clicked, this, [this] { OpenAddressDialog(); });
}

void CConsoleDlg::OnInitDialog() {
    const QIcon appIcon = res::icon(res::IDR_MAINFRAME);
    setWindowIcon(appIcon);
    if (qApp)
        qApp->setWindowIcon(appIcon);

    m_groupByte = 0;
    m_deviceByte = 0;
    m_addressChoice = 0;
    m_addressList->setCurrentIndex(0);

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

    // The tabs and their pages in table order, then each page's own start-up step (the VIDEO WALL
    // page reads KorvexVW.ini), then the address table: the files are read in this order.
    createPages();
    for (CConsolePage *p : m_pages)
        p->OnInitPage();
    m_tab->setCurrentIndex(0);
    ShowSelectedPage();

    LoadAddressFile();
}

void CConsoleDlg::createPages() {
    for (const PageEntry &entry : PageTable()) {
        CConsolePage *p = entry.create(this, m_tab);
        m_pages.push_back(p);
        m_tab->addTab(p, QString::fromLatin1(entry.title));
    }
}

bool CConsoleDlg::UpdateData(bool take) {
    ui::Exchange ex(this, take ? ui::Exchange::Take : ui::Exchange::Refresh);
    ex.text(IDC_STATUS, m_statusText);
    return ex.ok();
}

CConsolePage *CConsoleDlg::page(int templateNumber) const {
    for (CConsolePage *p : m_pages)
        if (p->templateNumber() == templateNumber)
            return p;
    return nullptr;
}

void CConsoleDlg::ShowSelectedPage() {
    const int selected = m_tab->currentIndex();
    for (std::size_t i = 0; i < m_pages.size(); ++i)
        m_pages[i]->setVisible(static_cast<int>(i) == selected);
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

// The device byte of address list entry listIndex (0 = all devices). An entry whose address is not
// a device address (above 99, from a hand-edited file) is refused with a message: a prefix or frame
// byte made from it would reach some other switcher.
bool CConsoleDlg::deviceByteOfEntry(int listIndex, std::uint8_t &device) {
    if (listIndex <= 0) {
        device = 0;
        return true;
    }
    const unsigned address = m_addressTable.entries[static_cast<std::size_t>(listIndex - 1)].address;
    if (address > 99) {
        ui::messageBox(this, QStringLiteral("The address %1 of entry No.%2 is not a device address (00 to "
                                            "99). Correct it in Address Management.")
                                 .arg(address)
                                 .arg(listIndex));
        return false;
    }
    device = static_cast<std::uint8_t>(address);
    return true;
}

void CConsoleDlg::RefreshAddressList() {
    const int selected = m_addressList->currentIndex();
    for (int n = 1; n <= 32; ++n) {
        const AddressEntry &entry = m_addressTable.entries[static_cast<std::size_t>(n - 1)];
        // Descriptions are Latin-1, one byte per character, as the file holds them.
        m_addressList->setItemText(n, QString::fromLatin1(address::AddressListText(n, entry)));
    }
    m_addressList->setCurrentIndex(selected);
    if (selected >= 1) {
        std::uint8_t device = 0;
        if (deviceByteOfEntry(selected, device)) {
            m_deviceByte = device;
            m_addressChoice = selected;
        } else {
            m_deviceByte = 0;
            m_addressChoice = 0;
            m_addressList->setCurrentIndex(0);
        }
    }
}

void CConsoleDlg::SelectAddress() {
    const int selected = m_addressList->currentIndex();
    std::uint8_t device = 0;
    if (!deviceByteOfEntry(selected, device)) {
        // Back to the entry the device byte still belongs to; nothing is sent.
        m_addressList->setCurrentIndex(m_addressChoice);
        return;
    }
    m_deviceByte = device;
    m_addressChoice = std::max(0, selected);
    if (m_portOn)
        SendText(link::buildGetStatus()); // the new device answers with all of its status lines
}

void CConsoleDlg::OpenAddressDialog() {
    // The list is refreshed after every closing, saved or not.
    m_addressDlg->exec();
    RefreshAddressList();
}

// ---- sending ----------------------------------------------------------------------------------

void CConsoleDlg::SendText(std::string_view text) {
    // A text that does not fit the write buffer once prefixed is refused whole, never cut.
    const std::optional<std::string> out = link::prefixText(text, m_deviceByte, kWriteBufferSize);
    if (!out || out->empty())
        return;
    sendBytes(reinterpret_cast<const std::uint8_t *>(out->data()), out->size());
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
    sendBytes(frame.bytes.data(), frame.bytes.size());
}

// ---- port on/off and the device search ---------------------------------------------------------

void CConsoleDlg::setPortCaption(const QString &caption) {
    m_portButton->setText(caption);
}

bool CConsoleDlg::openPort(unsigned portNumber) {
    const bool opened = m_port.Open(m_bridge.get(), portNumber, m_baud, m_parity, m_dataBits, m_stopBits,
                                    m_eventMask, kWriteBufferSize);
    // A port that opens clears the reason the last one did not.
    if (opened && m_portList->clearFailure()) {
        if (m_statusText != QStringLiteral("Please wait....."))
            m_statusText = QStringLiteral(" ");
        UpdateData(false);
    }
    return opened;
}

void CConsoleDlg::endSearchForOperator() {
    // The operator acts while a search is going: end it cleanly, as if it had never run.
    if (!m_searchInProgress && !m_searchTimer.isActive())
        return;
    m_searchTimer.stop();
    m_searchInProgress = 0;
    m_probePhase = 0;
    closePort();
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
        closePort();
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
        reportPortFailure();
        showPortIcon(false);
        setPortCaption(QStringLiteral("Turn on Port"));
    }
}

void CConsoleDlg::SelectPort() {
    endSearchForOperator();
    m_port.ClearError();
    closePort();
    m_portNumber = m_portList->chosenPort();
    if (!openPort(m_portNumber)) {
        showPortIcon(false);
        reportPortFailure();
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

// The console's own message stays as it is; the status text beside "Search Machine" and the port
// list's tooltip say why, since on Linux the commonest reason is a user outside the dialout group.
void CConsoleDlg::reportPortFailure() {
    m_statusText = m_portList->noteFailure(m_portNumber, m_port.LastOpenResult(), m_port.LastOpenError());
    UpdateData(false);
    ui::messageBox(this, QStringLiteral("Can not find this port or used by other application"));
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
    closePort();
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
        closePort();
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
    sendBytes(reinterpret_cast<const std::uint8_t *>(probe.data()), probe.size());
    m_searchInProgress = 1;
    m_searchTimer.start(400);
}

void CConsoleDlg::OnPortErrorTimer() {
    if (m_port.ErrorFlag()) {
        setPortCaption(QStringLiteral("Open port"));
        closePort();
        showPortIcon(false);
        m_portOn = 0;
    }
    m_portErrorTimer.stop();
}

// ---- receiving --------------------------------------------------------------------------------

void CConsoleDlg::sendBytes(const std::uint8_t *data, std::size_t size) {
    // What the port accepted is what goes on the line; the traffic view shows exactly that.
    if (m_port.Send(data, static_cast<std::uint32_t>(size)))
        m_traffic->recordSent(data, size);
}

void CConsoleDlg::ShowTraffic() {
    m_traffic->show();
    m_traffic->raise();
    m_traffic->activateWindow();
}

void CConsoleDlg::handleLinkBytes(const std::uint8_t *data, std::size_t size, unsigned port) {
    m_counters.bytes += size;
    // The one-byte notice after a hang-up or failed read is not received data.
    if (!m_port.ErrorFlag())
        m_traffic->recordReceived(data, size);
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
    // A sink that takes raw lines (the EDID capture while it waits for its dump) gets the line
    // whole, undecoded.
    if (m_sinks.offerRawLine(*line))
        return;
    if (m_searchInProgress)
        searchFound(); // any complete line ends the search: the device on this port answered
    const link::Reply reply = link::decodeReply(*line);
    m_sinks.dispatch(reply);
    // "DHCP " also clears the window's status text, after the IP CONFIG page has taken it.
    if (std::holds_alternative<link::DhcpReply>(reply)) {
        m_statusText = QStringLiteral(" ");
        UpdateData(false);
    }
}

void CConsoleDlg::searchFound() {
    showPortIcon(true);
    m_portOn = 1;
    setPortCaption(QStringLiteral("Close Port"));
    m_portList->setCurrentIndex(static_cast<int>(m_portNumber) - 1);
    m_searchInProgress = 0;
    m_searchTimer.stop();
    // "Please wait....." goes at once, not at some later refresh.
    m_statusText = QStringLiteral(" ");
    UpdateData(false);
}

void CConsoleDlg::AddReplySink(IReplySink *sink) {
    m_sinks.add(sink);
}

void CConsoleDlg::RemoveReplySink(IReplySink *sink) {
    m_sinks.remove(sink);
}

void CConsoleDlg::closePort() {
    m_port.Close();
    m_sinks.linkReset();
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

void CConsoleDlg::contextMenuEvent(QContextMenuEvent *event) {
    // The window's menu: the line traffic view, then the About entry when string 101 is not empty.
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("systemMenu"));
    QAction *traffic = menu.addAction(QStringLiteral("Line traffic..."));
    traffic->setShortcut(QKeySequence(QStringLiteral("Ctrl+T")));
    connect(
        traffic, &QAction::triggered, this, [this] { ShowTraffic(); }, Qt::QueuedConnection);
    const QString about = res::string(res::IDS_ABOUTBOX);
    if (!about.isEmpty()) {
        menu.addSeparator();
        QAction *entry = menu.addAction(about);
        entry->setData(kAboutCommand);
        connect(
            entry, &QAction::triggered, this, [this] { ShowAbout(); }, Qt::QueuedConnection);
    }
    menu.exec(event->globalPos());
}



bool CConsoleDlg::portMarked(int index) const {
    return m_portList->marked(index);
}

QString CConsoleDlg::portPathText() const {
    return m_portList->pathText();
}
