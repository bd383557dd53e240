#pragma once

#include "serial/CComLink.h"
#include "session/Transport.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// A numbered serial port ("COMn", see PortNaming.h) as a session transport: 57600 8N1 over CComLink.
// CComLink's worker hands its bytes to a hand-off (the owner's choice: a Qt event loop, or a plain
// queue in korvex-ctl) that calls deliver() on the session's thread.
class SerialTransport : public session::ITransport {
public:
    using Deliver = std::function<void(const std::uint8_t *data, std::size_t size)>;
    using HandOffFactory = std::function<std::unique_ptr<ILinkOwner>(Deliver deliver)>;

    static constexpr unsigned kBaud = 57600;

    SerialTransport(unsigned port, const HandOffFactory &makeHandOff);
    ~SerialTransport() override;

    // The port the next open uses (1..99).
    void setPort(unsigned port) { m_port = port; }
    unsigned port() const { return m_port; }

    bool open(session::ITransportEvents *events, bool serve) override;
    void close() override;
    bool isOpen() const override { return m_link.IsOpen(); }
    bool write(const std::uint8_t *data, std::size_t size) override;
    bool failed() const override { return m_link.ErrorFlag() != 0; }
    void clearFailure() override { m_link.ClearError(); }
    std::string name() const override;
    // Why the last open failed: "no such device", "in use by another program", ...
    std::string failureText() const override;

    // One chunk from the worker, on the session's thread. After a hang-up or failed read the worker
    // sends a one-byte notice that is not received data: it becomes the drop report.
    void deliver(const std::uint8_t *data, std::size_t size);

    CComLink &link() { return m_link; }
    const CComLink &link() const { return m_link; }

private:
    unsigned m_port;
    session::ITransportEvents *m_events = nullptr;
    std::unique_ptr<ILinkOwner> m_handOff; // outlives the link's worker: declared before the link
    CComLink m_link;
};

// The text for an open result ("no such device", ...); errno explains a plain failure.
std::string SerialOpenFailureText(SerialDevice::OpenResult result, int error);
