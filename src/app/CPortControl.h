#pragma once

#include "session/DeviceSession.h"
#include "session/LineController.h"
#include "ui/QtHandOff.h"

#include <QObject>
#include <QString>

class CPortList;
class QLabel;
class QPushButton;
class QWidget;

// The port row of the console window ("Comm:", "Turn on Port", the port icon, "Search Machine" and
// the status text): it shows the line controller's state and hands it the operator's actions. The
// lines it makes report to the window's thread.
class CPortControl : public QObject, private session::ILineFactory, private session::IReplySink {
    Q_OBJECT
public:
    enum ControlId {
        IDC_PORT_BUTTON = 1006,
        IDC_PORT_ICON = 1007,
        IDC_PORT_LIST = 1106,
        IDC_SEARCH = 1107,
        IDC_STATUS = 1108,
    };

    CPortControl(session::DeviceSession &session, QWidget *window);
    ~CPortControl() override;

    CPortList *portList() const { return m_portList; }
    QPushButton *portButton() const { return m_portButton; }
    QLabel *portIcon() const { return m_portIcon; }
    QPushButton *searchButton() const { return m_searchButton; }
    QLabel *statusLabel() const { return m_status; }
    session::LineController &line() { return m_line; }

    void TogglePort() { m_line.togglePort(); }
    // Connects to a switcher's LAN port (or korvexd) as "Network..." does, and remembers the host.
    void connectNetwork(const QString &host, unsigned port);
    void SelectPort();
    void StartSearch() { m_line.startSearch(); }
    bool searchInProgress() const { return m_line.searching(); }
    unsigned portNumber() const { return m_line.status().port; }
    // "Reconnect automatically": on unless the operator's settings say otherwise.
    bool reconnectEnabled() const { return m_line.reconnect(); }
    void setReconnectEnabled(bool on);
    bool waitingForLine() const { return m_line.waitingForLine(); }

private:
    // ILineFactory
    std::unique_ptr<session::ITransport> serialLine(unsigned port) override;
    std::unique_ptr<session::ITransport> networkLine(const std::string &host, std::uint16_t port) override;
    // IReplySink: "DHCP " clears the status text.
    void onReply(const protocol::Reply &reply) override;

    // "Network...": asks where, then connects to that switcher's LAN port.
    void chooseNetwork();
    void show(const session::LineStatus &status);
    QString statusText(const session::LineStatus &status);
    void showPortIcon(bool on);

    session::DeviceSession &m_session;
    QWidget *m_window;
    CPortList *m_portList = nullptr;
    QPushButton *m_portButton = nullptr;
    QLabel *m_portIcon = nullptr;
    QPushButton *m_searchButton = nullptr;
    QLabel *m_status = nullptr;
    ui::QtHandOff m_handOff; // outlives the lines: they are closed before it goes
    session::LineController m_line;
};
