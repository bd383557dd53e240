#include "app/CNetworkDlg.h"

#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/MessageBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <optional>

namespace {

const QString kRecentSetting = QStringLiteral("recentHosts");

// "host:port", "[v6]:port", "host" or a bare IPv6 address: the host, and the port when one is given.
std::optional<unsigned> splitHostPort(const QString &text, QString &host) {
    host = text.trimmed();
    std::optional<unsigned> port;
    const int colon = host.lastIndexOf(QLatin1Char(':'));
    const bool bracketed = host.startsWith(QLatin1Char('['));
    if (colon > 0 &&
        (bracketed ? host.at(colon - 1) == QLatin1Char(']') : host.count(QLatin1Char(':')) == 1)) {
        bool ok = false;
        const unsigned p = host.mid(colon + 1).toUInt(&ok);
        if (ok && p >= 1 && p <= 65535) {
            port = p;
            host = host.left(colon);
        }
    }
    if (bracketed && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    return port;
}

} // namespace

CNetworkDlg::CNetworkDlg(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CNetworkDlg"));
    setWindowTitle(QStringLiteral("Network"));
    m_host = new QComboBox(this);
    m_host->addItems(recentHosts());
    ui::setUpList(m_host, 0);
    m_host->setObjectName(QStringLiteral("Host:"));
    m_host->setInsertPolicy(QComboBox::NoInsert);
    m_host->setMinimumContentsLength(24);
    m_port = new QLineEdit(QString::number(kDefaultPort), this);
    m_port->setObjectName(QStringLiteral("TCP port:"));
    m_port->setValidator(new QIntValidator(1, 65535, m_port));
    m_port->setMaximumWidth(m_port->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Connect"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("Connect"));
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("Host:"), m_host);
    form->addRow(QStringLiteral("TCP port:"), m_port);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNetworkDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_host, &QComboBox::activated, this, [this](int index) { choose(m_host->itemText(index)); });
    if (m_host->count() > 0)
        choose(m_host->itemText(0));
}

void CNetworkDlg::choose(const QString &recent) {
    QString host;
    const std::optional<unsigned> port = splitHostPort(recent, host);
    m_host->setEditText(host);
    m_port->setText(QString::number(port.value_or(kDefaultPort)));
}

QString CNetworkDlg::host() const {
    QString host;
    splitHostPort(m_host->currentText(), host);
    return host;
}

unsigned CNetworkDlg::port() const {
    return m_portValue;
}

void CNetworkDlg::accept() {
    // A "host:port" typed into the host field sets the port too.
    QString host;
    const std::optional<unsigned> typedPort = splitHostPort(m_host->currentText(), host);
    if (host.isEmpty()) {
        ui::messageBox(this, QStringLiteral("Please enter the switcher's host name or IP address."));
        m_host->setFocus();
        return;
    }
    unsigned port = 0;
    if (typedPort) {
        port = *typedPort;
    } else if (!ui::parseUnsigned(m_port->text(), port) || port < 1 || port > 65535) {
        ui::messageBox(this, ui::integerRangeMessage(1, 65535));
        m_port->setFocus();
        return;
    }
    m_portValue = port;
    QDialog::accept();
}

QString CNetworkDlg::splitAddress(const QString &text, unsigned &port) {
    QString host;
    port = splitHostPort(text, host).value_or(kDefaultPort);
    return host;
}

QStringList CNetworkDlg::recentHosts() {
    return QSettings().value(kRecentSetting).toStringList();
}

void CNetworkDlg::remember(const QString &host, unsigned port) {
    const QString entry =
        (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host) +
        QLatin1Char(':') + QString::number(port);
    QStringList recent = recentHosts();
    recent.removeAll(entry);
    recent.prepend(entry);
    while (recent.size() > kRecentCount)
        recent.removeLast();
    QSettings().setValue(kRecentSetting, recent);
}
