#pragma once

#include "session/DeviceConsole.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class QWidget;

// What every page, the multiview panel and the address dialog share: the widget that owns their
// controls (a lookup scope: identifiers repeat across pages), their reply registration for their
// whole life, and sending with the port check.
class DeviceView : public session::IReplySink {
public:
    ~DeviceView() override;
    DeviceView(const DeviceView &) = delete;
    DeviceView &operator=(const DeviceView &) = delete;

    // Rows the view does not own are not its business; the default applies none.
    void onReply(const protocol::Reply &) override {}

protected:
    DeviceView(QWidget *scope, session::IDeviceConsole *console);

    session::IDeviceConsole *console() const { return m_console; }
    bool portOn() const { return m_console && m_console->portOn(); }

    // Sends a command text when the port is on; with the port off (or no text) nothing is sent and
    // nothing shown. True when it went out.
    bool send(std::string_view text);
    bool send(const std::string &text) { return send(std::string_view(text)); }
    bool send(const std::optional<std::string> &text);
    // Sends a frame, or says why not: "Too much parameter." or "Com port is not on yet.".
    bool sendFrame(std::uint16_t code, std::span<const std::uint8_t> payload = {});

private:
    QWidget *m_scope;
    session::IDeviceConsole *m_console;
};
