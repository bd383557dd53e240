#pragma once

#include "app/QtSessionTimer.h"
#include "session/DeviceSession.h"
#include "session/PortSearch.h"
#include "session/Reconnector.h"

#include <QObject>
#include <QString>
#include <QTimer>

class CPortList;
class CTrafficDlg;
class QLabel;
class QPushButton;
class QWidget;
class SerialTransport;

// The port row of the console window ("Comm:", "Turn on Port", the port icon, "Search Machine" and
// the status text) and what it does to the device session: turning the port on and off, choosing a
// port, the device search, and closing the port after the line fails. It also hears the session for
// the window: lines end a search, "DHCP " clears the status text, traffic goes to the traffic view.
// After the line drops, it waits for the line to come back, reopens it and asks the chosen device for
// its status, unless the operator turned that off or acts on the port meanwhile.
class CPortControl : public QObject,
                     private session::ISessionObserver,
                     private session::ISearchOwner,
                     private session::IReconnectOwner {
    Q_OBJECT
public:
    enum ControlId {
        IDC_PORT_BUTTON = 1006,
        IDC_PORT_ICON = 1007,
        IDC_PORT_LIST = 1106,
        IDC_SEARCH = 1107,
        IDC_STATUS = 1108,
    };

    CPortControl(session::DeviceSession &session, QWidget *window, CTrafficDlg *traffic);
    ~CPortControl() override;

    CPortList *portList() const { return m_portList; }
    QPushButton *portButton() const { return m_portButton; }
    QLabel *portIcon() const { return m_portIcon; }
    QPushButton *searchButton() const { return m_searchButton; }
    QLabel *statusLabel() const { return m_status; }

    void TogglePort();
    void SelectPort();
    void StartSearch();
    bool SearchInProgress() const { return m_search.inProgress(); }
    // "Reconnect automatically" (on unless the operator's settings say otherwise).
    bool reconnectEnabled() const { return m_reconnectEnabled; }
    void setReconnectEnabled(bool on);
    bool waitingForLine() const { return m_reconnect.waiting(); }
    unsigned PortNumber() const { return m_portNumber; }

private:
    // ISessionObserver
    void onLineSeen(std::string_view) override { m_search.onLine(); }
    void onReplyHandled(const protocol::Reply &reply) override;
    void onLineDropped() override;
    void onLineConnected() override;
    void onBytesSent(const std::uint8_t *data, std::size_t size) override;
    void onBytesReceived(const std::uint8_t *data, std::size_t size) override;
    // ISearchOwner
    bool openSearchPort(unsigned port) override;
    void searchFound(unsigned port) override;
    void searchNotFound() override;
    // IReconnectOwner
    Attempt reopenLine() override;
    void lineReturned() override;

    // The session's line as serial port `port` (a new serial transport when it had another line).
    SerialTransport &serialLine(unsigned port);
    bool openPort(unsigned port, bool serve = true);
    // "Network...": asks where, then connects to that switcher's LAN port.
    void chooseNetwork();
    void connectNetwork();
    bool onNetwork() const;
    void reportPortFailure();
    void endSearchForOperator();
    void endWaitForOperator();
    void closeAfterFailure();
    void showPortOn(bool on, const QString &caption);
    void showPortIcon(bool on);
    void setStatus(const QString &text);

    session::DeviceSession &m_session;
    QWidget *m_window;
    CTrafficDlg *m_traffic;
    unsigned m_portNumber = 1;
    bool m_connecting = false; // a network connection is being made for the operator
    CPortList *m_portList = nullptr;
    QPushButton *m_portButton = nullptr;
    QLabel *m_portIcon = nullptr;
    QPushButton *m_searchButton = nullptr;
    QLabel *m_status = nullptr;

    QtSessionTimer m_searchTimer;
    session::PortSearch m_search;
    QTimer m_portErrorTimer; // closes the port after the line failed, outside the delivery
    QtSessionTimer m_reconnectTimer;
    session::Reconnector m_reconnect;
    bool m_reconnectEnabled = true;
};
