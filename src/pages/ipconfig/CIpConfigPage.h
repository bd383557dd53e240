#pragma once

#include "pages/base/CConsolePage.h"

#include <QString>
#include <array>

class QAbstractButton;
class QLineEdit;

namespace ui {
class IpAddressEdit;
}

// The IP CONFIG page: the switcher's LAN settings. "Save Setting" sends DHCP, the three addresses and
// the TCP port as one multi-line write (and the MAC address once the service code has unlocked its
// box); "Reset to Default Setting" sends the LAN reset frame. The "MAC ", "HIP ", "NMK ", "RIP ",
// "TIP " and "DHCP " replies fill the page.
class CIpConfigPage : public CConsolePage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 195;

    enum ControlId {
        IDC_TCP_PORT = 1110,
        IDC_SAVE = 1118,
        IDC_DHCP = 1199,
        IDC_HOST_IP = 1200,
        IDC_NET_MASK = 1201,
        IDC_ROUTER_IP = 1202,
        IDC_RESET = 1251,
        IDC_MAC = 1256,
    };
    static constexpr int kTcpPortLength = 4;

    explicit CIpConfigPage(session::IDeviceConsole *console, QWidget *parent = nullptr);

    // take = true reads the DHCP box, the TCP port and the MAC text into the members, take = false
    // writes them back. The address boxes are read when saving and set directly by the replies.
    bool updateData(bool take) override;

protected:
    void buildControls() override;
    void applyReply(const protocol::Reply &reply) override;

private:
    void onDhcpClicked();
    void onSaveSetting();
    void onResetToDefault();
    void enableAddressBoxes();

    // "Host IP Address:", "Net Mask:", "Router IP Address:"
    enum AddressBox { HostBox, MaskBox, RouterBox };
    std::array<ui::IpAddressEdit *, 3> m_addressBoxes{};
    QAbstractButton *m_dhcpBox = nullptr;
    QLineEdit *m_tcpPortEdit = nullptr;
    QLineEdit *m_macEdit = nullptr;

    int m_dhcp = 0;
    QString m_tcpPort;
    QString m_mac;
    // Set by the service code and kept for as long as the page (the console window) lives.
    bool m_macUnlocked = false;
};
