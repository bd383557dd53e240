#pragma once

#include "session/DeviceModel.h"
#include "session/DeviceSession.h"
#include "session/LineController.h"
#include "share/AsioLoop.h"
#include "share/ClientDirectory.h"
#include "share/LineArbiter.h"
#include "share/Poller.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace share {

// What korvexd's listeners hear of the line.
class ISharedLineListener {
public:
    virtual ~ISharedLineListener() = default;
    // Every complete line from the devices (CR LF included), whoever asked for it.
    virtual void onDeviceLine(std::string_view line) { (void)line; }
    // The line went on, was lost, is waited for, came back.
    virtual void onLineStatus(const session::LineStatus &status) { (void)status; }
};

// The one line korvexd holds for everyone: a serial port (COMn or a device path) or a switcher's LAN
// port, kept on by the line controller (a line missing at start is waited for like one that dropped),
// the clients' units put on it one at a time by the arbiter, the devices asked for their status at
// start, after every reconnect and by polling, and the model of the configured devices that their
// answers keep. Runs on the loop's thread.
class SharedLine : private session::ILineFactory, private session::ISessionObserver {
public:
    struct Line {
        enum class Kind { Serial, Network };
        Kind kind = Kind::Serial;
        std::string name;  // as the user gave it: "COM3", "/dev/ttyUSB0", "10.0.0.7:8000"
        unsigned port = 1; // the serial port number that reaches it
        std::string host;  // a network line's host and TCP port
        std::uint16_t hostPort = 0;
    };
    using Log = std::function<void(const std::string &message)>;

    SharedLine(boost::asio::io_context &context, Line line, std::vector<std::uint8_t> devices,
               unsigned pollSeconds, Log log);
    ~SharedLine() override;
    SharedLine(const SharedLine &) = delete;
    SharedLine &operator=(const SharedLine &) = delete;

    // Turns the line on and keeps it on.
    void start();
    // Closes the line.
    void stop();

    // A client's whole unit for the line. Every device answers a unit for address 00, and the answers
    // cannot be told apart: after one that may change the devices (not a GET), korvexd asks each device
    // for its status once they have settled. While the line is not on, the unit is refused and counted.
    void submit(LineUnit unit);
    // A client left.
    void forget(ClientId client) { m_arbiter.forget(client); }

    void addListener(ISharedLineListener *listener);
    void removeListener(ISharedLineListener *listener);

    const session::LineStatus &status() const { return m_controller.status(); }
    bool on() const { return m_controller.state() == session::LineState::On; }
    session::DeviceModel &model() { return m_model; }
    ClientDirectory &clients() { return m_clients; }
    const std::vector<std::uint8_t> &devices() const { return m_devices; }
    session::DeviceSession &session() { return m_session; }
    LineArbiter &arbiter() { return m_arbiter; }
    Poller &poller() { return m_poller; }

private:
    // ILineFactory
    std::unique_ptr<session::ITransport> serialLine(unsigned port) override;
    std::unique_ptr<session::ITransport> networkLine(const std::string &host, std::uint16_t port) override;
    // ISessionObserver
    void onLineSeen(std::string_view line) override;

    void onStatus(const session::LineStatus &status);
    void refusedWhileAway();

    boost::asio::io_context &m_context;
    AsioHandOff m_handOff; // outlives the session's transports
    Line m_line;
    std::vector<std::uint8_t> m_devices;
    Log m_log;
    session::DeviceSession m_session;
    session::DeviceModel m_model;
    ClientDirectory m_clients;
    session::LineController m_controller;
    LineArbiter m_arbiter;
    Poller m_poller;
    std::vector<ISharedLineListener *> m_listeners;
    bool m_wasOn = false;
    std::uint64_t m_refusedWhileAway = 0; // clients' units refused since the line went
};

} // namespace share
