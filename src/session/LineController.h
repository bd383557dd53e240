#pragma once

#include "session/DeviceSession.h"
#include "session/PortSearch.h"
#include "session/Reconnector.h"
#include "session/Timer.h"
#include "session/Transport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace session {

// Where the line controller gets its lines: a numbered serial port (1..99), or a switcher's LAN port.
// The console, korvex-ctl and korvexd each make theirs with their own hand-off to their thread.
class ILineFactory {
public:
    virtual ~ILineFactory() = default;
    virtual std::unique_ptr<ITransport> serialLine(unsigned port) = 0;
    virtual std::unique_ptr<ITransport> networkLine(const std::string &host, std::uint16_t port) = 0;
};

enum class LineState {
    Off,        // the console counts the line as off (a port may be held open, unread)
    Connecting, // a network connection is being made
    On,         // the line is on: pages send and replies are read
    Lost,       // the line dropped (or did not open at start) and is waited for
    Searching,  // "Search Machine" is trying the serial ports
};

// What last happened to the line, so that its owner can say so.
enum class LineEvent {
    None,          // the operator turned the line on or off, or chose a port
    OpenFailed,    // the chosen port did not open (detail says why)
    ConnectFailed, // a network connection did not come about (detail says why)
    Connected,     // a network connection is up
    Dropped,       // the line failed and was closed (detail says why, when it is known)
    Reconnected,   // the line came back after a drop, was reopened and asked for the device's status
    Found,         // a search found a device
    NotFound,      // a search went past the last port without an answer
};

struct LineStatus {
    LineState state = LineState::Off;
    LineEvent event = LineEvent::None;
    std::string line;     // the line's name: "COM3", "10.0.0.7:8000"
    std::string detail;   // why, for OpenFailed, ConnectFailed and Dropped: "no such device", ...
    unsigned port = 1;    // the serial port chosen last (1..99); kept while on a network line
    bool network = false; // the line is a switcher's LAN port
    bool open = false;    // a port is open (on, or held unread after a change of port while on)
};

// The line's state machine, the same for the console, korvex-ctl and korvexd: turning the line on and
// off, choosing a serial port or a network line, the device search, closing the line after it failed,
// and waiting for a dropped line to come back (then reopening it and asking the chosen device for its
// status), with what happened as data. It drives the session's transport, port-on flag and device
// search; its owner shows the status. Single-threaded, on the session's thread.
class LineController : private ISessionObserver, private ISearchOwner, private IReconnectOwner {
public:
    using StatusHandler = std::function<void(const LineStatus &status)>;

    LineController(DeviceSession &session, ILineFactory &factory, const TimerFactory &timers);
    ~LineController() override;
    LineController(const LineController &) = delete;
    LineController &operator=(const LineController &) = delete;

    // What asks the devices for their status once a lost line is back; by default "GET STA" to the
    // session's device.
    void setResync(std::function<void()> resync) { m_resync = std::move(resync); }
    // Told after every change of state or event, once the change is complete.
    void setStatusHandler(StatusHandler handler) { m_handler = std::move(handler); }
    const LineStatus &status() const { return m_status; }
    LineState state() const { return m_status.state; }

    // "Turn on Port" / "Close Port": off turns on (a network line connects), on turns off, and a
    // connection being made is given up.
    void togglePort();
    // A serial port chosen from the list: switching while on turns the line off and holds the new
    // port open unread; switching while off turns it on.
    void choosePort(unsigned port);
    // A switcher's LAN port: connects in the background.
    void chooseNetwork(const std::string &host, std::uint16_t port);
    // "Search Machine".
    void startSearch();

    // For programs without an operator (korvexd, korvex-ctl): the line to use next, chosen without
    // opening it (the line in use is closed).
    void setSerialLine(unsigned port);
    void setNetworkLine(const std::string &host, std::uint16_t port);
    // The chosen line goes on and stays on: a line that does not open is waited for like one that
    // dropped, and a drop is waited for whatever the reconnect setting says.
    void keepOn();
    // Turns the line off, whatever it is doing.
    void turnOff();

    // "Reconnect automatically": on by default. Turning it off ends a wait and closes any attempt.
    void setReconnect(bool on);
    bool reconnect() const { return m_reconnectOn; }
    bool waitingForLine() const { return m_reconnector.waiting(); }
    bool searching() const { return m_search.inProgress(); }

private:
    // ISessionObserver
    void onLineSeen(std::string_view line) override;
    void onLineDropped() override;
    void onLineConnected() override;
    // ISearchOwner
    bool openSearchPort(unsigned port) override;
    void searchFound(unsigned port) override;
    void searchNotFound() override;
    // IReconnectOwner
    Attempt reopenLine() override;
    void lineReturned() override;

    void useSerial(unsigned port);
    void useNetwork();
    bool openLine(bool serve);
    void connectNetwork();
    void closeAfterFailure();
    // The operator acts: a running search or wait ends as if it had never been.
    void endSearchAndWait();
    void restoreLineBeforeSearch();
    void clearFailure();
    void setState(LineState state, LineEvent event, std::string detail = {});

    DeviceSession &m_session;
    ILineFactory &m_factory;
    std::unique_ptr<ITimer> m_searchTimer;
    std::unique_ptr<ITimer> m_reconnectTimer;
    std::unique_ptr<ITimer> m_failureTimer; // closes the line after it failed, outside its report
    PortSearch m_search;
    Reconnector m_reconnector;
    StatusHandler m_handler;
    std::function<void()> m_resync;
    LineStatus m_status;
    std::string m_host; // the network line's host and port, once one was chosen
    std::uint16_t m_hostPort = 0;
    bool m_networkBeforeSearch = false;
    bool m_reconnectOn = true;
    bool m_keepOn = false;
};

} // namespace session
