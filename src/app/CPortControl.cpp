#include "app/CPortControl.h"

#include "app/CNetworkDlg.h"
#include "app/CPortList.h"
#include "net/TcpTransport.h"
#include "res/Resources.h"
#include "serial/SerialTransport.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/QtTimer.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>

namespace {

using session::LineEvent;
using session::LineState;

constexpr int kIconSize = 32;
const QString kPleaseWait = QStringLiteral("Please wait.....");
const QString kReconnectSetting = QStringLiteral("reconnectAutomatically");

} // namespace

CPortControl::CPortControl(session::DeviceSession &session, QWidget *window)
    : QObject(window), m_session(session), m_window(window), m_line(session, *this, &ui::QtTimer::make) {
    m_portList = new CPortList(IDC_PORT_LIST, window);
    m_portButton = ui::makeButton(QStringLiteral("Turn on Port"), IDC_PORT_BUTTON, window);
    m_portIcon = ui::withId(new QLabel(window), IDC_PORT_ICON);
    m_portIcon->setFixedSize(kIconSize, kIconSize);
    m_searchButton = ui::makeButton(QStringLiteral("Search Machine"), IDC_SEARCH, window);
    m_status = ui::withId(new QLabel(QStringLiteral(" "), window), IDC_STATUS);
    m_status->setMinimumWidth(m_status->fontMetrics().horizontalAdvance(kPleaseWait) + 8);

    connect(m_portButton, &QPushButton::clicked, this, [this] { TogglePort(); });
    connect(m_portList, &QComboBox::activated, this, [this] { SelectPort(); });
    connect(m_searchButton, &QPushButton::clicked, this, [this] { StartSearch(); });

    m_line.setReconnect(QSettings().value(kReconnectSetting, true).toBool());
    m_line.setStatusHandler([this](const session::LineStatus &status) { show(status); });
    m_session.addReplySink(this);
    showPortIcon(false);
    m_portList->setCurrentIndex(0);
}

CPortControl::~CPortControl() {
    // The line goes while the hand-off its worker reports through still exists.
    m_session.removeReplySink(this);
    m_line.setStatusHandler(nullptr);
    m_session.setTransport(nullptr);
}

std::unique_ptr<session::ITransport> CPortControl::serialLine(unsigned port) {
    return std::make_unique<serial::SerialTransport>(port, m_handOff);
}

std::unique_ptr<session::ITransport> CPortControl::networkLine(const std::string &host, std::uint16_t port) {
    return std::make_unique<net::TcpTransport>(host, port, m_handOff);
}

void CPortControl::SelectPort() {
    if (m_portList->networkChosen())
        chooseNetwork();
    else
        m_line.choosePort(m_portList->chosenPort());
}

void CPortControl::chooseNetwork() {
    CNetworkDlg dialog(m_window);
    if (dialog.exec() != QDialog::Accepted) {
        // The list goes back to the line the console is on.
        const session::LineStatus &now = m_line.status();
        m_portList->setCurrentIndex(now.network ? CPortList::kNetworkIndex : static_cast<int>(now.port) - 1);
        return;
    }
    connectNetwork(dialog.host(), dialog.port());
}

void CPortControl::connectNetwork(const QString &host, unsigned port) {
    CNetworkDlg::remember(host, port);
    m_line.chooseNetwork(host.toStdString(), static_cast<std::uint16_t>(port));
}

void CPortControl::setReconnectEnabled(bool on) {
    QSettings().setValue(kReconnectSetting, on);
    m_line.setReconnect(on);
}

void CPortControl::onReply(const protocol::Reply &reply) {
    // "DHCP " also clears the status text, after the IP CONFIG page has taken it.
    if (std::holds_alternative<protocol::DhcpReply>(reply))
        m_status->setText(QStringLiteral(" "));
}

void CPortControl::showPortIcon(bool on) {
    m_portIcon->setPixmap(res::icon(on ? res::IDI_PORT_ON : res::IDI_PORT_OFF).pixmap(kIconSize, kIconSize));
    m_portIcon->setProperty("iconId", on ? res::IDI_PORT_ON : res::IDI_PORT_OFF);
}

void CPortControl::show(const session::LineStatus &status) {
    const bool on = status.state == LineState::On;
    const bool failed = status.state == LineState::Lost ||
                        (status.state == LineState::Off && status.event == LineEvent::Dropped);
    m_portButton->setText(on       ? QStringLiteral("Close Port")
                          : failed ? QStringLiteral("Open port")
                                   : QStringLiteral("Turn on Port"));
    showPortIcon(on && status.event != LineEvent::OpenFailed);
    // A port that opens clears the reason the last one did not.
    if (status.open && status.event != LineEvent::OpenFailed)
        m_portList->clearFailure();
    if (status.network)
        m_portList->setNetworkText(QString::fromStdString(status.line));
    // The list keeps the port chosen before a search until the search finds one.
    if (status.state != LineState::Searching)
        m_portList->setCurrentIndex(status.network ? CPortList::kNetworkIndex
                                                   : static_cast<int>(status.port) - 1);
    m_status->setText(statusText(status));
    if (status.event == LineEvent::OpenFailed)
        ui::messageBox(m_window, QStringLiteral("Can not find this port or used by other application"));
    else if (status.event == LineEvent::NotFound)
        ui::messageBox(m_window, QStringLiteral("Can not find available device for this console!"));
}

// What the status text beside "Search Machine" says; on Linux the commonest reason a port does not
// open is a user outside the dialout group, so the reason is shown (and kept in the list's tooltip).
QString CPortControl::statusText(const session::LineStatus &status) {
    const QString line = QString::fromStdString(status.line);
    const QString why = QString::fromStdString(status.detail);
    switch (status.state) {
    case LineState::Searching:
        return kPleaseWait;
    case LineState::Connecting:
        return QStringLiteral("Connecting to ") + line + QStringLiteral("...");
    case LineState::Lost:
        return line + QStringLiteral(" lost, waiting for it to return...");
    case LineState::On:
    case LineState::Off:
        break;
    }
    switch (status.event) {
    case LineEvent::OpenFailed:
        return m_portList->noteFailure(status.port, why);
    case LineEvent::ConnectFailed:
        return line + QStringLiteral(": ") + why;
    case LineEvent::Connected:
        return QStringLiteral("Connected to ") + line;
    case LineEvent::Dropped:
        return line + (why.isEmpty() ? QStringLiteral(" lost") : QStringLiteral(" lost: ") + why);
    case LineEvent::Reconnected:
        return QStringLiteral("Reconnected");
    case LineEvent::None:
    case LineEvent::Found:
    case LineEvent::NotFound:
        break;
    }
    return QStringLiteral(" ");
}
