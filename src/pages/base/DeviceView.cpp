#include "pages/base/DeviceView.h"

#include "protocol/CommandFrame.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include <QString>

DeviceView::DeviceView(QWidget *scope, session::IDeviceConsole *console)
    : m_scope(scope), m_console(console) {
    ui::markScope(scope);
    if (m_console)
        m_console->addReplySink(this);
}

DeviceView::~DeviceView() {
    if (m_console)
        m_console->removeReplySink(this);
}

bool DeviceView::send(std::string_view text) {
    if (!portOn())
        return false;
    return m_console->SendText(text) == session::SendStatus::Sent;
}

bool DeviceView::send(const std::optional<std::string> &text) {
    return text && send(std::string_view(*text));
}

bool DeviceView::sendFrame(std::uint16_t code, std::span<const std::uint8_t> payload) {
    if (!m_console)
        return false;
    switch (m_console->SendFrame(code, payload)) {
    case session::SendStatus::Sent:
        return true;
    case session::SendStatus::TooMuchParameter:
        ui::messageBox(m_scope, QString::fromLatin1(protocol::kTooMuchParameterText));
        return false;
    case session::SendStatus::PortOff:
        ui::messageBox(m_scope, QStringLiteral("Com port is not on yet."));
        return false;
    case session::SendStatus::Refused:
        break;
    }
    return false;
}
