#include "share/ProtocolServer.h"

#include "session/DeviceSession.h"
#include "share/UnitDevice.h"

#include <boost/asio/ip/address.hpp>
#include <boost/asio/write.hpp>

#include <algorithm>
#include <array>

namespace share {

namespace asio = boost::asio;
using asio::ip::tcp;

namespace {

std::string peerText(const tcp::socket &socket) {
    boost::system::error_code error;
    const tcp::endpoint peer = socket.remote_endpoint(error);
    if (error)
        return "?";
    const std::string host = peer.address().to_string();
    return (peer.address().is_v6() ? "[" + host + "]" : host) + ":" + std::to_string(peer.port());
}

} // namespace

struct ProtocolServer::Client : IUnitSink {
    Client(tcp::socket s, ClientId clientId, ProtocolServer &owner)
        : socket(std::move(s)), id(clientId), peer(peerText(socket)), server(owner),
          cutter(session::DeviceSession::kWriteLimit) {}

    void onUnit(const Unit &unit) override {
        server.m_line.submit({id, std::string(unit.bytes.begin(), unit.bytes.end()), unitDevice(unit, 0)});
    }
    void onRefusal(const Refusal &refusal) override {
        server.m_log("client " + peer + ": " + describeRefusal(refusal, cutter.limit()));
    }

    tcp::socket socket;
    ClientId id;
    std::string peer;
    ProtocolServer &server;
    UnitCutter cutter;
    std::array<std::uint8_t, 4096> input{};
    std::deque<std::shared_ptr<const std::string>> output;
    std::size_t queued = 0; // bytes in output
    bool writing = false;
    bool closed = false;
    bool paused = false; // not read while its units wait for the line
    bool deaf = false;   // a write failed: the client is only read until it ends
};

ProtocolServer::ProtocolServer(asio::io_context &context, SharedLine &line, unsigned maxClients, Log log)
    : m_context(context), m_line(line), m_maxClients(maxClients), m_log(std::move(log)), m_acceptor(context),
      m_acceptPause(context) {
    m_line.addListener(this);
    m_line.arbiter().onDequeued = [this](ClientId id) {
        resume(id);
        forgetLeft();
    };
}

ProtocolServer::~ProtocolServer() {
    m_line.arbiter().onDequeued = nullptr;
    m_line.removeListener(this);
    stop();
}

bool ProtocolServer::listen(const std::string &host, std::uint16_t port, std::string &error) {
    boost::system::error_code ec;
    tcp::resolver resolver(m_context);
    const auto found = resolver.resolve(host, std::to_string(port), tcp::resolver::passive, ec);
    if (ec || found.empty()) {
        error = host + ": " + (ec ? ec.message() : "no such host");
        return false;
    }
    const tcp::endpoint endpoint = *found.begin();
    m_acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        m_acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        m_acceptor.bind(endpoint, ec);
    if (!ec)
        m_acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + ec.message();
        m_acceptor.close();
        return false;
    }
    accept();
    return true;
}

std::uint16_t ProtocolServer::port() const {
    boost::system::error_code ec;
    return m_acceptor.local_endpoint(ec).port();
}

std::string ProtocolServer::address() const {
    boost::system::error_code ec;
    const tcp::endpoint local = m_acceptor.local_endpoint(ec);
    const std::string host = local.address().to_string();
    return (local.address().is_v6() ? "[" + host + "]" : host) + ":" + std::to_string(local.port());
}

void ProtocolServer::stop() {
    boost::system::error_code ec;
    m_acceptor.close(ec);
    m_acceptPause.cancel();
    for (const std::shared_ptr<Client> &client : m_clients) {
        client->closed = true;
        client->socket.close(ec);
    }
    m_clients.clear();
    m_paused = 0;
}

void ProtocolServer::accept() {
    m_acceptor.async_accept([this](const boost::system::error_code &error, tcp::socket socket) {
        if (error == asio::error::operation_aborted || !m_acceptor.is_open())
            return;
        if (error) {
            // Out of file descriptors, most likely: the connection waits in the backlog, and trying
            // again at once would only spin.
            acceptLater(error);
            return;
        }
        m_acceptFailing = false;
        if (m_clients.size() >= m_maxClients) {
            refuse(std::move(socket));
        } else {
            boost::system::error_code ec;
            socket.set_option(tcp::no_delay(true), ec);
            // A small send buffer, so that the output bound, not the kernel, decides when a client that
            // stops reading goes.
            socket.set_option(asio::socket_base::send_buffer_size(64 * 1024), ec);
            const std::string peer = peerText(socket);
            const ClientId id = m_line.clients().add({store::Actor::Kind::Protocol, "", peer});
            auto client = std::make_shared<Client>(std::move(socket), id, *this);
            m_clients.push_back(client);
            m_log("client " + client->peer + " connected (" + std::to_string(m_clients.size()) + " of " +
                  std::to_string(m_maxClients) + ")");
            read(client);
        }
        accept();
    });
}

void ProtocolServer::acceptLater(const boost::system::error_code &error) {
    if (!m_acceptFailing)
        m_log("cannot take a new client: " + error.message() + "; trying again");
    m_acceptFailing = true;
    m_acceptPause.expires_after(kAcceptPause);
    m_acceptPause.async_wait([this](const boost::system::error_code &cancelled) {
        if (!cancelled && m_acceptor.is_open())
            accept();
    });
}

void ProtocolServer::refuse(tcp::socket socket) {
    auto refused = std::make_shared<tcp::socket>(std::move(socket));
    auto text = std::make_shared<const std::string>("BUSY: korvexd serves at most " +
                                                    std::to_string(m_maxClients) + " clients\r\n");
    m_log("client " + peerText(*refused) + " refused: " + std::to_string(m_maxClients) +
          " clients connected");
    asio::async_write(*refused, asio::buffer(*text),
                      [refused, text](const boost::system::error_code &, std::size_t) {
                          boost::system::error_code ec;
                          refused->shutdown(tcp::socket::shutdown_both, ec);
                          refused->close(ec);
                      });
}

void ProtocolServer::read(const std::shared_ptr<Client> &client) {
    client->socket.async_read_some(
        asio::buffer(client->input),
        [this, client](const boost::system::error_code &error, std::size_t size) {
            if (client->closed)
                return;
            if (error) {
                drop(client, error == asio::error::eof ? "left" : "left (" + error.message() + ")");
                return;
            }
            client->cutter.feed(std::span<const std::uint8_t>(client->input.data(), size), *client);
            if (client->closed)
                return;
            if (m_line.arbiter().queuedBytes(client->id) >= kInputLimit) {
                client->paused = true;
                ++m_paused;
                return;
            }
            read(client);
        });
}

void ProtocolServer::forgetLeft() {
    const LineArbiter &arbiter = m_line.arbiter();
    std::erase_if(m_left, [&](ClientId id) {
        if (arbiter.queuedBytes(id) > 0 || arbiter.client() == id)
            return false;
        m_line.clients().remove(id);
        return true;
    });
}

void ProtocolServer::resume(ClientId id) {
    if (m_paused == 0 || m_line.arbiter().queuedBytes(id) >= kInputLimit)
        return;
    for (const std::shared_ptr<Client> &client : m_clients) {
        if (client->id != id || !client->paused)
            continue;
        client->paused = false;
        --m_paused;
        read(client);
        return;
    }
}

void ProtocolServer::onDeviceLine(std::string_view line) {
    if (m_clients.empty())
        return;
    auto bytes = std::make_shared<const std::string>(line);
    // A copy of the list: a client may be dropped while the line goes out.
    const std::list<std::shared_ptr<Client>> clients = m_clients;
    for (const std::shared_ptr<Client> &client : clients)
        send(client, bytes);
}

void ProtocolServer::send(const std::shared_ptr<Client> &client, std::shared_ptr<const std::string> bytes) {
    if (client->closed || client->deaf)
        return;
    if (client->queued + bytes->size() > kOutputLimit) {
        drop(client,
             "stopped reading: disconnected with " + std::to_string(client->queued) + " bytes waiting");
        return;
    }
    client->queued += bytes->size();
    client->output.push_back(std::move(bytes));
    if (!client->writing)
        writeNext(client);
}

void ProtocolServer::writeNext(const std::shared_ptr<Client> &client) {
    if (client->output.empty() || client->closed) {
        client->writing = false;
        return;
    }
    client->writing = true;
    // Everything waiting goes in one write.
    std::vector<asio::const_buffer> buffers;
    const std::size_t count = std::min<std::size_t>(client->output.size(), 64);
    auto batch = std::make_shared<std::vector<std::shared_ptr<const std::string>>>(
        client->output.begin(), client->output.begin() + static_cast<std::ptrdiff_t>(count));
    client->output.erase(client->output.begin(), client->output.begin() + static_cast<std::ptrdiff_t>(count));
    for (const auto &bytes : *batch)
        buffers.emplace_back(asio::buffer(*bytes));
    asio::async_write(client->socket, buffers,
                      [this, client, batch](const boost::system::error_code &error, std::size_t written) {
                          if (client->closed)
                              return;
                          client->queued -= std::min(client->queued, written);
                          if (error) {
                              // The client closed its end: nothing more goes to it, but what it sent
                              // before is still read and carried out, and its end of stream ends it.
                              client->output.clear();
                              client->queued = 0;
                              client->writing = false;
                              client->deaf = true;
                              return;
                          }
                          writeNext(client);
                      });
}

void ProtocolServer::drop(const std::shared_ptr<Client> &client, const std::string &why) {
    if (client->closed)
        return;
    client->closed = true;
    if (client->paused)
        --m_paused;
    client->paused = false;
    boost::system::error_code ec;
    client->socket.shutdown(tcp::socket::shutdown_both, ec);
    client->socket.close(ec);
    // Its whole units still go on the line (a script may send a command and close at once), and who
    // sent them is known until the last has gone and another's unit is on the line.
    m_left.push_back(client->id);
    forgetLeft();
    m_clients.remove(client);
    m_log("client " + client->peer + " " + why);
}

} // namespace share
