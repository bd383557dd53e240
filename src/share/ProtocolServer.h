#pragma once

#include "share/SharedLine.h"
#include "share/UnitCutter.h"

#include <utility> // before Asio: Boost 1.74's headers miss it in C++20

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace share {

// The switchers' own protocol on TCP, for many clients at once (the console's "Network...",
// korvex-ctl --host, room controllers, scripts): each client's bytes are cut into whole units for the
// shared line, and every line from the devices goes to every client. A client that stops reading is
// disconnected once a megabyte waits for it: the line never waits for a client. A client whose units
// wait for the line beyond kInputLimit is not read until they have gone, so a flood is held back in
// its own connection; and what a client sent whole goes on the line even when it closed the connection
// right after. Beyond the client limit a newcomer is told so in one line and closed.
class ProtocolServer : private ISharedLineListener {
public:
    static constexpr std::size_t kOutputLimit = 1024 * 1024;
    static constexpr std::size_t kInputLimit = 8 * 1024;
    // After a failed accept (no file descriptor left) the listener rests this long.
    static constexpr std::chrono::milliseconds kAcceptPause{250};
    using Log = SharedLine::Log;

    ProtocolServer(boost::asio::io_context &context, SharedLine &line, unsigned maxClients, Log log);
    ~ProtocolServer() override;
    ProtocolServer(const ProtocolServer &) = delete;
    ProtocolServer &operator=(const ProtocolServer &) = delete;

    // Listens on host:port (port 0: any free port); false with the reason when it cannot.
    bool listen(const std::string &host, std::uint16_t port, std::string &error);
    // The address it listens on ("127.0.0.1:8000").
    std::string address() const;
    std::uint16_t port() const;
    // Closes the listener and every client.
    void stop();

    std::size_t clients() const { return m_clients.size(); }

private:
    struct Client;

    void onDeviceLine(std::string_view line) override;
    void accept();
    void acceptLater(const boost::system::error_code &error);
    void refuse(boost::asio::ip::tcp::socket socket);
    void read(const std::shared_ptr<Client> &client);
    void resume(ClientId id);
    void forgetLeft();
    void send(const std::shared_ptr<Client> &client, std::shared_ptr<const std::string> bytes);
    void writeNext(const std::shared_ptr<Client> &client);
    void drop(const std::shared_ptr<Client> &client, const std::string &why);

    boost::asio::io_context &m_context;
    SharedLine &m_line;
    unsigned m_maxClients;
    Log m_log;
    boost::asio::ip::tcp::acceptor m_acceptor;
    boost::asio::steady_timer m_acceptPause;
    bool m_acceptFailing = false; // logged once until an accept succeeds again
    std::list<std::shared_ptr<Client>> m_clients;
    std::size_t m_paused = 0;     // clients not read while their units wait
    std::vector<ClientId> m_left; // clients gone whose units may still be on their way
};

} // namespace share
