#include "pages/ipconfig/CIpConfigPage.h"

#include "protocol/Commands.h"
#include "session/DeviceRules.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/IpAddressEdit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Typed into the TCP port box, this unlocks the MAC address box instead of saving.
const QString kServiceCode = QStringLiteral("tlrq");

constexpr int kAddressBoxIds[] = {CIpConfigPage::IDC_HOST_IP, CIpConfigPage::IDC_NET_MASK,
                                  CIpConfigPage::IDC_ROUTER_IP};

QLabel *makeLabel(const QString &caption, QWidget *buddy, QWidget *parent) {
    auto *label = new QLabel(caption, parent);
    label->setObjectName(caption);
    label->setBuddy(buddy);
    return label;
}

} // namespace

CIpConfigPage::CIpConfigPage(session::IDeviceConsole *console, QWidget *parent)
    : CConsolePage(kTemplate, console, parent) {
    constructed();
}

void CIpConfigPage::buildControls() {
    auto *dhcp = ui::withId(new QCheckBox(QStringLiteral("DHCP "), this), IDC_DHCP);
    m_dhcpBox = dhcp;

    auto *addresses = new QGroupBox(QStringLiteral("ip address setting"), this);
    addresses->setObjectName(QStringLiteral("ip address setting"));
    auto *addressGrid = new QGridLayout(addresses);
    const char *captions[] = {"Host IP Address:", "Net Mask:", "Router IP Address:"};
    for (int i = 0; i < 3; ++i) {
        auto *box = ui::withId(new ui::IpAddressEdit(addresses), kAddressBoxIds[i]);
        m_addressBoxes[static_cast<std::size_t>(i)] = box;
        addressGrid->addWidget(makeLabel(QString::fromLatin1(captions[i]), box, addresses), i, 0);
        addressGrid->addWidget(box, i, 1);
    }
    addressGrid->setColumnStretch(2, 1);

    auto *tcpPort = m_tcpPortEdit = ui::withId(new QLineEdit(this), IDC_TCP_PORT);
    tcpPort->setMaxLength(kTcpPortLength);
    tcpPort->setMaximumWidth(tcpPort->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    auto *mac = m_macEdit = ui::withId(new QLineEdit(this), IDC_MAC);
    mac->setMinimumWidth(mac->fontMetrics().horizontalAdvance(QStringLiteral("00-00-00-00-00-00000")));
    mac->setEnabled(false); // until the service code unlocks it

    auto *fields = new QGridLayout;
    fields->addWidget(makeLabel(QStringLiteral("TCP Port:"), tcpPort, this), 0, 0);
    fields->addWidget(tcpPort, 0, 1, Qt::AlignLeft);
    fields->addWidget(makeLabel(QStringLiteral("MAC Address(hex):"), mac, this), 1, 0);
    fields->addWidget(mac, 1, 1, Qt::AlignLeft);
    fields->setColumnStretch(2, 1);

    auto *save = ui::makeButton(QStringLiteral("Save Setting"), IDC_SAVE, this);
    auto *reset = ui::makeButton(QStringLiteral("Reset to Default Setting"), IDC_RESET, this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(reset);
    buttons->addStretch(1);

    auto *column = new QVBoxLayout;
    column->addWidget(dhcp);
    column->addWidget(addresses);
    column->addLayout(fields);
    column->addSpacing(fontMetrics().height());
    column->addLayout(buttons);
    column->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(column);
    layout->addStretch(1);

    connect(dhcp, &QCheckBox::clicked, this, [this] { onDhcpClicked(); });
    connect(save, &QPushButton::clicked, this, [this] { onSaveSetting(); });
    connect(reset, &QPushButton::clicked, this, [this] { onResetToDefault(); });
    enableAddressBoxes();
}

bool CIpConfigPage::updateData(bool take) {
    if (!built())
        return true;
    ui::Exchange dx(this, take ? ui::Exchange::Take : ui::Exchange::Refresh);
    dx.check(m_dhcpBox, m_dhcp).text(m_tcpPortEdit, m_tcpPort).text(m_macEdit, m_mac);
    return dx.ok();
}

// With DHCP on the device takes its addresses from the network: the three boxes are not the operator's.
void CIpConfigPage::enableAddressBoxes() {
    for (ui::IpAddressEdit *box : m_addressBoxes)
        box->setEnabled(m_dhcp == 0);
}

void CIpConfigPage::onDhcpClicked() {
    updateData(true);
    enableAddressBoxes();
}

void CIpConfigPage::onSaveSetting() {
    if (!updateData(true))
        return;
    if (m_tcpPort.contains(kServiceCode)) {
        m_macEdit->setEnabled(true);
        m_macUnlocked = true;
        return;
    }
    protocol::LanSettings settings;
    settings.dhcp = m_dhcp != 0;
    settings.host = m_addressBoxes[HostBox]->address();
    settings.netMask = m_addressBoxes[MaskBox]->address();
    settings.router = m_addressBoxes[RouterBox]->address();
    settings.tcpPort = m_tcpPort.toStdString();
    if (m_macUnlocked)
        settings.mac = m_mac.toStdString();
    send(protocol::buildSetLan(settings));
}

// A frame says "Com port is not on yet." itself when the port is off.
void CIpConfigPage::onResetToDefault() {
    sendFrame(protocol::kResetLanCode);
}

void CIpConfigPage::applyReply(const protocol::Reply &reply) {
    const auto setAddress = [this](AddressBox which, const protocol::IpAddressFields &fields) {
        // Set directly; a field the line was too short to hold keeps what the box shows.
        ui::IpAddressEdit *box = m_addressBoxes[which];
        for (int i = 0; i < 4; ++i)
            if (const auto &octet = fields.octets[static_cast<std::size_t>(i)])
                box->field(i)->setText(QString::number(*octet));
    };
    if (const auto *r = std::get_if<protocol::MacReply>(&reply)) {
        if (r->mac)
            m_mac = QString::fromLatin1(r->mac->data(), static_cast<qsizetype>(r->mac->size()));
        updateData(false);
    } else if (const auto *r = std::get_if<protocol::HostIpReply>(&reply)) {
        setAddress(HostBox, *r);
    } else if (const auto *r = std::get_if<protocol::NetMaskReply>(&reply)) {
        setAddress(MaskBox, *r);
    } else if (const auto *r = std::get_if<protocol::RouterIpReply>(&reply)) {
        setAddress(RouterBox, *r);
    } else if (const auto *r = std::get_if<protocol::TcpPortReply>(&reply)) {
        // Shown at once: a box left stale would go out with the next "Save Setting". An empty text,
        // which the device model holds as no port, empties the box.
        const std::string text = session::tcpPortText(r->text).value_or(std::string());
        m_tcpPort = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
        updateData(false);
    } else if (const auto *r = std::get_if<protocol::DhcpReply>(&reply)) {
        if (r->enabled)
            m_dhcp = session::flagValue(*r->enabled);
        enableAddressBoxes();
        updateData(false);
    }
}
