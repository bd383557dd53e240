#pragma once

#include "address/AddressTable.h"
#include "link/CComLink.h"
#include "link/DeviceConsole.h"
#include "link/LineAssembler.h"
#include "link/QtLinkBridge.h"
#include "link/ReplyDecoder.h"

#include <QDialog>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;
class QToolButton;
class CVideoWallPage;
class CVideoPage;

// The console window: owns the serial port, the pages, the address table and the device state that
// replies fill, and offers pages the way to the device (IDeviceConsole).
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
        IDC_MV_ICON = 1254,
        IDC_MV_BUTTON = 1255,
        IDC_QV_WINDOW1 = 1101, // .. 1104
        IDC_AUDIO_INPUT = 1354,
        IDC_AUDIO_OUTPUT = 1355,
    };
    // Template numbers of the five pages, in tab order.
    static constexpr std::array<int, 5> kPageTemplates{176, 183, 180, 195, 182};
    static constexpr std::array<int, 9> kQvInputIds{1340, 1341, 1342, 1343, 1344, 1349, 1350, 1351, 1352};
    static constexpr int kAboutCommand = 0x10;

    explicit CConsoleDlg(QWidget *parent = nullptr);
    ~CConsoleDlg() override;

    // IDeviceConsole
    bool PortOn() const override { return m_portOn != 0; }
    std::uint8_t DeviceByte() const override { return m_deviceByte; }
    void SendText(std::string_view text) override;
    void SendShortFrame(std::uint16_t code) override;
    void SendFrame(std::uint16_t code, std::size_t payloadLength, const std::uint8_t *payload) override;

    // Start-up and the address list.
    void LoadAddressFile();
    void RefreshAddressList();
    void SelectAddress();
    void OpenAddressDialog();
    const AddressTable &addressTable() const { return m_addressTable; }
    AddressTable &addressTable() { return m_addressTable; }

    void ShowSelectedPage();
    void ShowAbout();

    // Port on/off and the device search.
    void TogglePort();
    void SelectPort();
    void StartSearch();
    void SearchStep();
    void OnPortErrorTimer();
    bool SearchInProgress() const { return m_searchInProgress != 0; }
    unsigned PortNumber() const { return m_portNumber; }

    // Multiview controls.
    void ToggleMvMode(bool fromIcon);
    void SelectQvWindow();
    void SetQvSource();
    void SetMvAudio();
    void ShowMvAudio();
    int MvMode() const { return m_mvMode; }
    const std::array<int, 4> &QvSources() const { return m_qvSources; }
    const std::array<int, 10> &MvAudioTable() const { return m_mvAudio; }

    // Received bytes, on the window's thread, one at a time.
    void OnLinkChar(std::uint8_t c, unsigned port);

    // Data exchange of the window's own members with its controls.
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
    QWidget *page(int templateNumber) const;
    CVideoWallPage *wallPage() const { return m_wallPage; }
    CVideoPage *videoPage() const { return m_videoPage; }

    // The device path the chosen port opens, as its tooltip shows it.
    QString portPathText() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    QWidget *buildMultiviewColumn();
    void OnInitDialog();
    void handleLinkBytes(const std::uint8_t *data, std::size_t size, unsigned port);
    void ParseReply(std::uint8_t c);
    struct ReplyApplier;
    void ApplyReply(const link::Reply &reply);
    void ApplyMvAudioLists();
    void ApplyQvChoices();
    void showPortIcon(bool on);
    void setPortCaption(const QString &caption);
    void setMvMode(int mode);
    bool openPort(unsigned portNumber);
    bool openFirstPortFrom(unsigned first);
    void endSearchForOperator();
    void searchNotFound();

    // Controls bound by identifier.
    QComboBox *m_audioOutputList = nullptr;
    QComboBox *m_audioInputList = nullptr;
    QToolButton *m_mvIcon = nullptr;
    QPushButton *m_mvButton = nullptr;
    QComboBox *m_addressList = nullptr;
    QComboBox *m_portList = nullptr;
    QLabel *m_portIcon = nullptr;
    QPushButton *m_portButton = nullptr;
    QTabWidget *m_tab = nullptr;

    QString m_statusText;
    int m_qvWindowChoice = -1;
    int m_qvInputChoice = -1;

    CComLink m_port;
    std::unique_ptr<QtLinkBridge> m_bridge;
    std::array<QWidget *, 5> m_pages{};
    CVideoPage *m_videoPage = nullptr;
    CVideoWallPage *m_wallPage = nullptr;

    int m_searchInProgress = 0;
    unsigned m_savedPort = 1;
    int m_probePhase = 0;
    int m_addressDialogOpen = 0;
    std::array<int, 4> m_qvSources{-1, -1, -1, -1};
    std::array<int, 10> m_mvAudio{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    link::LineAssembler m_lineBuffer; // received-line buffer, bounded
    std::uint8_t m_groupByte = 0;
    std::uint8_t m_deviceByte = 0;
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
    int m_mvMode = 0;

    QTimer m_searchTimer;    // window timer 4
    QTimer m_portErrorTimer; // window timer 5
};
