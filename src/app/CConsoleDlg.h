#pragma once

#include "address/AddressTable.h"
#include "pages/base/DeviceConsole.h"
#include "pages/base/ReplySinks.h"
#include "serial/CComLink.h"
#include "protocol/LineAssembler.h"
#include "serial/QtLinkBridge.h"
#include "protocol/ReplyDecoder.h"

#include <QDialog>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CAddressDlg;
class CTrafficDlg;
class CConsolePage;
class CPortList;
class CMultiviewPanel;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;

// The console window: owns the serial port, the address table and the device byte, hosts the pages
// of the page table and the multiview panel, and offers them the way to the device (IDeviceConsole).
// Received lines are decoded once and handed to the registered reply sinks; the window itself keeps
// no page's reply rule.
class CConsoleDlg : public QDialog, public IDeviceConsole {
    Q_OBJECT
public:
    enum ControlId {
        IDC_TAB = 1000,
        IDC_PORT_BUTTON = 1006,
        IDC_PORT_ICON = 1007,
        IDC_PORT_LIST = 1106,
        IDC_SEARCH = 1107,
        IDC_STATUS = 1108,
        IDC_ADDRESS_BUTTON = 1123,
        IDC_ADDRESS_LIST = 1200,
    };
    static constexpr int kAboutCommand = 0x10;

    explicit CConsoleDlg(QWidget *parent = nullptr);
    ~CConsoleDlg() override;

    // IDeviceConsole
    bool PortOn() const override { return m_portOn != 0; }
    std::uint8_t DeviceByte() const override { return m_deviceByte; }
    void SendText(std::string_view text) override;
    void SendShortFrame(std::uint16_t code) override;
    void SendFrame(std::uint16_t code, std::size_t payloadLength, const std::uint8_t *payload) override;
    void AddReplySink(IReplySink *sink) override;
    void RemoveReplySink(IReplySink *sink) override;

    // Start-up and the address list.
    void LoadAddressFile();
    void RefreshAddressList();
    void SelectAddress();
    void OpenAddressDialog();
    CAddressDlg *addressDialog() const { return m_addressDlg; }
    const AddressTable &addressTable() const { return m_addressTable; }
    AddressTable &addressTable() { return m_addressTable; }

    void ShowSelectedPage();
    void ShowAbout();
    // The line traffic window (context menu, Ctrl+T); it records from start-up on.
    void ShowTraffic();
    CTrafficDlg *trafficDialog() const { return m_traffic; }

    // Port on/off and the device search.
    void TogglePort();
    void SelectPort();
    void StartSearch();
    void SearchStep();
    void OnPortErrorTimer();
    bool SearchInProgress() const { return m_searchInProgress != 0; }
    unsigned PortNumber() const { return m_portNumber; }

    // Received bytes, on the window's thread, one at a time.
    void OnLinkChar(std::uint8_t c, unsigned port);

    // Data exchange of the window's own members with its controls (the status text).
    bool UpdateData(bool take);

    // Bytes and complete lines received since start-up (diagnostics and benchmarks).
    struct LinkCounters {
        std::uint64_t bytes = 0;
        std::uint64_t lines = 0;
    };
    const LinkCounters &linkCounters() const { return m_counters; }
    // Bytes of the unfinished received line (bounded: a longer line is dropped whole).
    std::size_t pendingLineLength() const { return m_lineBuffer.pending().size(); }

    CComLink &port() { return m_port; }
    // The page of a template number, or of a type; null when there is none.
    CConsolePage *page(int templateNumber) const;
    template <class Page> Page *findPage() const {
        for (CConsolePage *p : m_pages)
            if (auto *typed = dynamic_cast<Page *>(p))
                return typed;
        return nullptr;
    }
    CMultiviewPanel *multiview() const { return m_multiview; }

    // The port list's bold mark of a present port, and its tooltip text.
    bool portMarked(int index) const;
    QString portPathText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void buildControls();
    void createPages();
    void OnInitDialog();
    void handleLinkBytes(const std::uint8_t *data, std::size_t size, unsigned port);
    void sendBytes(const std::uint8_t *data, std::size_t size);
    void ParseReply(std::uint8_t c);
    void searchFound();
    void closePort();
    void showPortIcon(bool on);
    void setPortCaption(const QString &caption);
    bool openPort(unsigned portNumber);
    void reportPortFailure();
    bool openFirstPortFrom(unsigned first);
    void endSearchForOperator();
    void searchNotFound();
    bool deviceByteOfEntry(int listIndex, std::uint8_t &device);

    // Controls bound by identifier.
    QComboBox *m_addressList = nullptr;
    CPortList *m_portList = nullptr;
    QLabel *m_portIcon = nullptr;
    QPushButton *m_portButton = nullptr;
    QTabWidget *m_tab = nullptr;

    QString m_statusText;

    CComLink m_port;
    std::unique_ptr<QtLinkBridge> m_bridge;
    std::vector<CConsolePage *> m_pages;
    CMultiviewPanel *m_multiview = nullptr;
    ReplySinks m_sinks;
    CTrafficDlg *m_traffic = nullptr;
    CAddressDlg *m_addressDlg = nullptr; // lives as long as the window, hears "ADDR " all along

    int m_searchInProgress = 0;
    unsigned m_savedPort = 1;
    int m_probePhase = 0;
    link::LineAssembler m_lineBuffer; // received-line buffer, bounded
    std::uint8_t m_groupByte = 0;
    std::uint8_t m_deviceByte = 0;
    int m_addressChoice = 0; // the address list entry the device byte came from
    AddressTable m_addressTable;

    // Port settings handed to Open.
    unsigned m_baud = 57600;
    unsigned m_portNumber = 1;
    char m_parity = 'N';
    unsigned m_dataBits = 8;
    unsigned m_stopBits = 1;
    std::uint32_t m_eventMask = 3;
    static constexpr std::uint32_t kWriteBufferSize = 1024;

    int m_portOn = 0;
    LinkCounters m_counters;

    QTimer m_searchTimer;    // window timer 4
    QTimer m_portErrorTimer; // window timer 5
};
