#pragma once

#include "serial/CComLink.h"
#include "session/HandOff.h"
#include "session/Transport.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace serial {

// A numbered serial port ("COMn", see PortNaming.h) as a session transport: 57600 8N1 over CComLink.
// The link's worker hands what it reads to the owner's thread through the owner's hand-off, waiting
// until each chunk is handled; a line that goes down is reported the same way.
class SerialTransport : public session::ITransport, private ILinkOwner {
public:
    static constexpr unsigned kBaud = 57600;

    // `displayName` names the line in messages instead of "COMn" (a device path the user gave).
    SerialTransport(unsigned port, session::IHandOff &handOff, std::string displayName = {});
    ~SerialTransport() override;
    SerialTransport(const SerialTransport &) = delete;
    SerialTransport &operator=(const SerialTransport &) = delete;

    unsigned port() const { return m_port; }

    bool open(session::ITransportEvents *events, bool serve) override;
    void close() override;
    bool isOpen() const override { return m_link.isOpen(); }
    bool write(const std::uint8_t *data, std::size_t size) override;
    bool failed() const override { return m_link.errorFlag() != 0; }
    void clearFailure() override { m_link.clearError(); }
    std::string name() const override;
    // Why the last open failed: "no such device", "in use by another program", ...
    std::string failureText() const override;
    // The device the port opened on last is there again (the same COMn link or device node: a port
    // whose link vanished is not taken to be the system's node of the same number); a dropped port is
    // retried every half second.
    bool present() const override;
    std::vector<int> reconnectSchedule() const override { return {500}; }

    // True while the link's worker waits for the owner to handle what it read (diagnostics, tests).
    bool handOffWaiting() const { return m_channel.waiting(); }

    CComLink &link() { return m_link; }
    const CComLink &link() const { return m_link; }

private:
    // ILinkOwner, on the link's worker thread.
    void onLinkBytes(const std::uint8_t *data, std::size_t size) override;
    void onLinkDown() override;
    void pumpPending() override { m_channel.abandon(); }

    unsigned m_port;
    std::string m_displayName;
    std::string m_openedPath;                      // where the port opened last
    session::ITransportEvents *m_events = nullptr; // the owner's thread only
    session::HandOffChannel m_channel;             // outlives the link's worker: declared before it
    CComLink m_link;
};

// The text for an open result ("no such device", ...); errno explains a plain failure.
std::string openFailureText(SerialDevice::OpenResult result, int error);

} // namespace serial
