#pragma once

#include "address/AddressTable.h"
#include "app/CPortControl.h"
#include "session/DeviceModel.h"
#include "session/DeviceSession.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <vector>

class CAddressDlg;
class CTrafficDlg;
class CConsolePage;
class CMultiviewPanel;
class QComboBox;
class QTabWidget;

// The console window: builds the port row, the address list, the pages of the page table and the
// multiview panel, and wires operator actions to the device session, which every page, the panel and
// the address dialog reach the device through.
class CConsoleDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId {
        IDC_TAB = 1000,
        IDC_PORT_BUTTON = CPortControl::IDC_PORT_BUTTON,
        IDC_PORT_ICON = CPortControl::IDC_PORT_ICON,
        IDC_PORT_LIST = CPortControl::IDC_PORT_LIST,
        IDC_SEARCH = CPortControl::IDC_SEARCH,
        IDC_STATUS = CPortControl::IDC_STATUS,
        IDC_ADDRESS_BUTTON = 1123,
        IDC_ADDRESS_LIST = 1200,
    };

    explicit CConsoleDlg(QWidget *parent = nullptr);
    ~CConsoleDlg() override;

    session::DeviceSession &session() { return m_session; }
    // The state of each device on the line, as the session's replies report it.
    session::DeviceModel &model() { return m_model; }
    bool portOn() const { return m_session.portOn(); }
    std::uint8_t deviceByte() const { return m_session.deviceByte(); }

    // The address table and list.
    void LoadAddressFile();
    void RefreshAddressList();
    void SelectAddress();
    void OpenAddressDialog();
    // The address dialog, with its controls built.
    CAddressDlg *addressDialog() const;

    void ShowSelectedPage();
    void showAbout();
    // The line traffic window (context menu, Ctrl+T); it records from start-up on.
    void showTraffic();
    CTrafficDlg *trafficDialog() const { return m_traffic; }

    // The port row.
    CPortControl &portControl() { return *m_portControl; }
    void TogglePort() { m_portControl->TogglePort(); }
    void SelectPort() { m_portControl->SelectPort(); }
    void StartSearch() { m_portControl->StartSearch(); }
    bool searchInProgress() const { return m_portControl->searchInProgress(); }
    unsigned portNumber() const { return m_portControl->portNumber(); }
    const session::DeviceSession::Counters &linkCounters() const { return m_session.counters(); }
    std::size_t pendingLineLength() const { return m_session.pendingLineLength(); }
    bool portMarked(int index) const;
    QString portPathText() const;

    // The page of a template number, or of a type, with its controls built; null when there is none.
    CConsolePage *page(int templateNumber) const;
    template <class Page> Page *findPage() const {
        for (CConsolePage *p : m_pages) {
            if (auto *typed = dynamic_cast<Page *>(p)) {
                typed->ensureBuilt();
                return typed;
            }
        }
        return nullptr;
    }
    CMultiviewPanel *multiview() const { return m_multiview; }

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void buildControls();
    void onInitDialog();
    bool deviceByteOfEntry(int listIndex, std::uint8_t &device);

    // Declared first, destroyed last: pages, panel and dialogs leave its sink list as they go.
    session::DeviceSession m_session;
    session::DeviceModel m_model;
    address::AddressTable m_addressTable;
    CTrafficDlg *m_traffic = nullptr;
    CPortControl *m_portControl = nullptr;
    QComboBox *m_addressList = nullptr;
    QTabWidget *m_tab = nullptr;
    std::vector<CConsolePage *> m_pages;
    CMultiviewPanel *m_multiview = nullptr;
    CAddressDlg *m_addressDlg = nullptr; // lives as long as the window, hears "ADDR " all along
    int m_addressChoice = 0;             // the address list entry the device byte came from
    bool m_pagesQueued = false;          // the hidden pages' controls are on their way
};
