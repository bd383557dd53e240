#include "app/CPortControl.h"

#include "app/CNetworkDlg.h"
#include "app/CPortList.h"
#include "net/TcpTransport.h"
#include "protocol/Commands.h"
#include "pages/traffic/CTrafficDlg.h"
#include "res/Resources.h"
#include "serial/PortPresence.h"
#include "serial/QtLinkBridge.h"
#include "serial/SerialTransport.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>

namespace {

constexpr int kIconSize = 32;
const QString kPleaseWait = QStringLiteral("Please wait.....");
const QString kTurnOn = QStringLiteral("Turn on Port");
const QString kClose = QStringLiteral("Close Port");
const QString kReconnectSetting = QStringLiteral("reconnectAutomatically");

} // namespace

CPortControl::CPortControl(session::DeviceSession &session, QWidget *window, CTrafficDlg *traffic)
    : QObject(window), m_session(session), m_window(window), m_traffic(traffic),
      m_searchTimer(QStringLiteral("searchTimer"), [this] { m_search.onTimer(); }),
      m_search(session, *this, m_searchTimer),
      m_reconnectTimer(QStringLiteral("reconnectTimer"), [this] { m_reconnect.onTimer(); }),
      m_reconnect(*this, m_reconnectTimer) {
    m_reconnectEnabled = QSettings().value(kReconnectSetting, true).toBool();
    m_session.addObserver(this);

    m_portList = new CPortList(IDC_PORT_LIST, window);
    m_portButton = ui::makeButton(kTurnOn, IDC_PORT_BUTTON, window);
    m_portIcon = ui::withId(new QLabel(window), IDC_PORT_ICON);
    m_portIcon->setFixedSize(kIconSize, kIconSize);
    m_searchButton = ui::makeButton(QStringLiteral("Search Machine"), IDC_SEARCH, window);
    m_status = ui::withId(new QLabel(QStringLiteral(" "), window), IDC_STATUS);
    m_status->setMinimumWidth(m_status->fontMetrics().horizontalAdvance(kPleaseWait) + 8);
    m_portErrorTimer.setObjectName(QStringLiteral("portErrorTimer"));

    connect(m_portButton, &QPushButton::clicked, this, [this] { TogglePort(); });
    connect(m_portList, &QComboBox::activated, this, [this] { SelectPort(); });
    connect(m_searchButton, &QPushButton::clicked, this, [this] { StartSearch(); });
    connect(&m_portErrorTimer, &QTimer::timeout, this, [this] { closeAfterFailure(); });

    showPortIcon(false);
    m_portList->setCurrentIndex(0);
}

CPortControl::~CPortControl() {
    // Stop the worker while the window still exists: it may be handing bytes to it.
    m_session.removeObserver(this);
    if (m_session.transport())
        m_session.transport()->close();
}

SerialTransport &CPortControl::serialLine(unsigned port) {
    m_portNumber = port;
    auto *serial = dynamic_cast<SerialTransport *>(m_session.transport());
    if (!serial) {
        // The worker's bytes cross to the window's thread through a Qt hand-off.
        auto made = std::make_unique<SerialTransport>(port, [this](SerialTransport::Deliver deliver) {
            return std::make_unique<QtLinkBridge>(m_window, [deliver](const std::uint8_t *data, std::size_t size,
                                                                      unsigned) { deliver(data, size); });
        });
        serial = made.get();
        m_session.setTransport(std::move(made));
    }
    serial->setPort(port);
    return *serial;
}

void CPortControl::setStatus(const QString &text) {
    m_status->setText(text);
}

void CPortControl::showPortIcon(bool on) {
    m_portIcon->setPixmap(res::icon(on ? res::IDI_PORT_ON : res::IDI_PORT_OFF).pixmap(kIconSize, kIconSize));
    m_portIcon->setProperty("iconId", on ? res::IDI_PORT_ON : res::IDI_PORT_OFF);
}

void CPortControl::showPortOn(bool on, const QString &caption) {
    m_session.setPortOn(on);
    m_portButton->setText(caption);
    showPortIcon(on);
}

bool CPortControl::openPort(unsigned port, bool serve) {
    serialLine(port);
    const bool opened = m_session.open(serve);
    // A port that opens clears the reason the last one did not.
    if (opened && m_portList->clearFailure() && m_status->text() != kPleaseWait)
        setStatus(QStringLiteral(" "));
    return opened;
}

// The console's own message stays as it is; the status text and the port list's tooltip say why,
// since on Linux the commonest reason is a user outside the dialout group.
void CPortControl::reportPortFailure() {
    const std::string reason = m_session.transport()->failureText();
    setStatus(m_portList->noteFailure(m_portNumber, QString::fromStdString(reason)));
    ui::messageBox(m_window, QStringLiteral("Can not find this port or used by other application"));
}

void CPortControl::endSearchForOperator() {
    // The operator acts while a search is going: end it cleanly, as if it had never run.
    if (!m_search.cancel())
        return;
    m_portNumber = m_search.savedPort();
    setStatus(QStringLiteral(" "));
}

void CPortControl::endWaitForOperator() {
    if (!m_reconnect.waiting())
        return;
    m_reconnect.cancel();
    m_session.close();
    setStatus(QStringLiteral(" "));
}

void CPortControl::TogglePort() {
    endWaitForOperator();
    endSearchForOperator();
    if (m_connecting) {
        // "Turn on Port" while a connection is being made gives up on it.
        m_connecting = false;
        m_session.close();
        setStatus(QStringLiteral(" "));
        return;
    }
    if (!m_session.PortOn() && onNetwork()) {
        connectNetwork();
        return;
    }
    if (m_session.PortOn()) {
        m_session.setPortOn(false);
        m_portButton->setText(kTurnOn);
        m_session.close();
        showPortIcon(false);
        return;
    }
    if (openPort(m_portNumber)) {
        showPortOn(true, kClose);
    } else {
        m_session.setPortOn(false);
        reportPortFailure();
        showPortOn(false, kTurnOn);
    }
}

void CPortControl::SelectPort() {
    endWaitForOperator();
    endSearchForOperator();
    if (m_portList->networkChosen()) {
        chooseNetwork();
        return;
    }
    m_connecting = false;
    m_session.close();
    // Switching ports while on turns the console off; the new port is then held open but unread.
    const bool wasOn = m_session.PortOn();
    if (!openPort(m_portList->chosenPort(), !wasOn)) {
        showPortIcon(false);
        reportPortFailure();
        return;
    }
    showPortOn(!wasOn, wasOn ? kTurnOn : kClose);
}

void CPortControl::StartSearch() {
    endWaitForOperator();
    endSearchForOperator();
    m_connecting = false;
    showPortOn(false, kTurnOn);
    m_session.close();
    if (m_search.start(m_portNumber))
        setStatus(kPleaseWait);
}

bool CPortControl::onNetwork() const {
    return dynamic_cast<const net::TcpTransport *>(m_session.transport()) != nullptr;
}

void CPortControl::chooseNetwork() {
    CNetworkDlg dialog(m_window);
    if (dialog.exec() != QDialog::Accepted) {
        // The list goes back to the line the console is on.
        m_portList->setCurrentIndex(onNetwork() ? CPortList::kNetworkIndex : static_cast<int>(m_portNumber) - 1);
        return;
    }
    m_session.close();
    showPortOn(false, kTurnOn);
    CNetworkDlg::remember(dialog.host(), dialog.port());
    // The worker's reports cross to the window's thread through a Qt hand-off, as the serial port's do.
    auto tcp = std::make_unique<net::TcpTransport>(
        dialog.host().toStdString(), static_cast<std::uint16_t>(dialog.port()),
        [this](net::TcpTransport::Deliver deliver) {
            return std::make_unique<QtLinkBridge>(
                m_window, [deliver](const std::uint8_t *data, std::size_t size, unsigned) { deliver(data, size); });
        });
    m_session.setTransport(std::move(tcp));
    m_portList->setNetworkText(QString::fromStdString(m_session.transport()->name()));
    connectNetwork();
}

// Connecting goes on in the background; the window stays live and says where it is connecting.
void CPortControl::connectNetwork() {
    const QString name = QString::fromStdString(m_session.transport()->name());
    m_portList->setCurrentIndex(CPortList::kNetworkIndex);
    if (!m_session.open()) {
        setStatus(name + QStringLiteral(": ") + QString::fromStdString(m_session.transport()->failureText()));
        return;
    }
    m_connecting = true;
    setStatus(QStringLiteral("Connecting to ") + name + QStringLiteral("..."));
}

void CPortControl::onLineConnected() {
    if (m_reconnect.waiting()) {
        m_reconnect.connected();
        return;
    }
    if (!m_connecting)
        return;
    m_connecting = false;
    showPortOn(true, kClose);
    setStatus(QStringLiteral("Connected to ") + QString::fromStdString(m_session.transport()->name()));
}

bool CPortControl::openSearchPort(unsigned port) {
    return openPort(port);
}

void CPortControl::searchFound(unsigned port) {
    showPortOn(true, kClose);
    m_portList->setCurrentIndex(static_cast<int>(port) - 1);
    // "Please wait....." goes at once, not at some later refresh.
    setStatus(QStringLiteral(" "));
}

void CPortControl::searchNotFound() {
    m_portNumber = m_search.savedPort();
    setStatus(QStringLiteral(" "));
    ui::messageBox(m_window, QStringLiteral("Can not find available device for this console!"));
}

void CPortControl::onReplyHandled(const protocol::Reply &reply) {
    // "DHCP " also clears the status text, after the IP CONFIG page has taken it.
    if (std::holds_alternative<protocol::DhcpReply>(reply))
        setStatus(QStringLiteral(" "));
}

void CPortControl::onLineDropped() {
    if (!m_portErrorTimer.isActive())
        m_portErrorTimer.start(1);
}

void CPortControl::closeAfterFailure() {
    m_portErrorTimer.stop();
    if (!m_session.lineFailed())
        return;
    if (m_reconnect.waiting()) {
        // An attempt's line failed again: close it quietly and try later.
        m_session.close();
        m_reconnect.failed();
        return;
    }
    if (m_connecting) {
        // The connection did not come about: say why (refused, timed out, no such host, ...).
        m_connecting = false;
        const QString name = QString::fromStdString(m_session.transport()->name());
        setStatus(name + QStringLiteral(": ") + QString::fromStdString(m_session.transport()->failureText()));
        m_session.close();
        return;
    }
    const bool wasOn = m_session.PortOn();
    m_portButton->setText(QStringLiteral("Open port"));
    m_session.close();
    showPortIcon(false);
    m_session.setPortOn(false);
    if (wasOn && m_reconnectEnabled) {
        const QString name = QString::fromStdString(m_session.transport()->name());
        setStatus(name + QStringLiteral(" lost, waiting for it to return..."));
        m_reconnect.start(onNetwork() ? session::Reconnector::networkSchedule()
                                      : session::Reconnector::serialSchedule());
    }
}

void CPortControl::setReconnectEnabled(bool on) {
    m_reconnectEnabled = on;
    QSettings().setValue(kReconnectSetting, on);
    if (!on && m_reconnect.waiting()) {
        m_reconnect.cancel();
        setStatus(QStringLiteral(" "));
    }
}

session::IReconnectOwner::Attempt CPortControl::reopenLine() {
    // A network line connects in the background; a serial port counts once its device node (or COMn
    // link) is there again and opens.
    if (onNetwork())
        return m_session.open() ? Attempt::Pending : Attempt::Failed;
    if (!serial::PortPresent(m_portNumber) || !m_session.open())
        return Attempt::Failed;
    return Attempt::Opened;
}

void CPortControl::lineReturned() {
    showPortOn(true, kClose);
    // Every page shows the device's real state again.
    m_session.SendText(protocol::buildGetStatus());
    setStatus(QStringLiteral("Reconnected"));
}

void CPortControl::onBytesSent(const std::uint8_t *data, std::size_t size) {
    m_traffic->recordSent(data, size);
}

void CPortControl::onBytesReceived(const std::uint8_t *data, std::size_t size) {
    m_traffic->recordReceived(data, size);
}
