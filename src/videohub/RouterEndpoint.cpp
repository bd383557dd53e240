#include "videohub/RouterEndpoint.h"

#include "protocol/Commands.h"
#include "protocol/TextPrefix.h"
#include "store/DeviceNames.h"
#include "videohub/StatusBlocks.h"

#include <boost/asio/ip/address.hpp>
#include <boost/asio/write.hpp>

#include <algorithm>
#include <array>
#include <deque>
#include <limits>
#include <optional>
#include <set>
#include <vector>

namespace videohub {

namespace asio = boost::asio;
using asio::ip::tcp;

namespace {

constexpr RouterSize kKorvexSize{store::kInputCount, store::kOutputCount};
// Who a router client is in the activity, beside its address; its locks' owner text adds its id.
constexpr const char *kClientName = "Videohub client";
constexpr std::string_view kOwnerPrefix = "Videohub client #";
// The owner of a lock held by someone who is not a client of this endpoint: shown "L" to all.
constexpr ClientId kSomeoneElse = std::numeric_limits<ClientId>::max();
// A viewer that holds no lock (korvexd's own id, never a client's): what every such client is shown.
constexpr ClientId kHoldsNothing = share::kKorvexd;

bool holdsALock(const RouterState &state, ClientId client) {
    return std::find(state.lockOwners.begin(), state.lockOwners.end(), client) != state.lockOwners.end();
}

std::string hostText(const asio::ip::address &address, std::uint16_t port) {
    const std::string host = address.to_string();
    return (address.is_v6() ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string peerText(const tcp::socket &socket) {
    boost::system::error_code error;
    const tcp::endpoint peer = socket.remote_endpoint(error);
    return error ? "?" : hostText(peer.address(), peer.port());
}

std::string twoDigits(int value) {
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

} // namespace

struct RouterEndpoint::Client {
    Client(tcp::socket s, share::ClientId clientId, store::Actor actor)
        : socket(std::move(s)), id(clientId), who(std::move(actor)), owner(ownerText(id, who.address)) {}

    tcp::socket socket;
    share::ClientId id;
    store::Actor who;
    std::string owner; // the store's owner text of its locks
    BlockReader reader;
    std::array<char, 4096> input{};
    std::deque<std::shared_ptr<const std::string>> output;
    std::size_t queued = 0; // bytes in output and in the write under way
    bool writing = false;
    bool closed = false;
};

RouterEndpoint::RouterEndpoint(asio::io_context &context, share::SharedLine &line, store::Store &store,
                               std::uint8_t device, Log log)
    : m_context(context), m_line(line), m_store(store), m_device(device), m_log(std::move(log)),
      m_acceptor(context) {
    m_line.addListener(this);
    m_line.model().addObserver(this);
    m_storeObserver =
        m_store.addObserver([this](const store::StoreChange &change) { onStoreChange(change); });
    m_shown = current();
}

RouterEndpoint::~RouterEndpoint() {
    m_line.removeListener(this);
    m_line.model().removeObserver(this);
    m_store.removeObserver(m_storeObserver);
    stop();
}

std::string RouterEndpoint::ownerText(share::ClientId client, std::string_view peer) {
    return std::string(kOwnerPrefix) + std::to_string(client) + " (" + std::string(peer) + ")";
}

bool RouterEndpoint::isOwnerText(std::string_view owner) {
    return owner.starts_with(kOwnerPrefix);
}

std::string RouterEndpoint::name() const {
    return "videohub " + twoDigits(m_device);
}

bool RouterEndpoint::listen(const std::string &host, std::uint16_t port, std::string &error) {
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
    releaseStaleLocks();
    accept();
    return true;
}

std::uint16_t RouterEndpoint::port() const {
    boost::system::error_code ec;
    return m_acceptor.local_endpoint(ec).port();
}

std::string RouterEndpoint::address() const {
    boost::system::error_code ec;
    const tcp::endpoint local = m_acceptor.local_endpoint(ec);
    return hostText(local.address(), local.port());
}

void RouterEndpoint::stop() {
    boost::system::error_code ec;
    m_acceptor.close(ec);
    // Nobody is told of the locks that go: every client is on its way out.
    const bool busy = std::exchange(m_busy, true);
    const std::list<std::shared_ptr<Client>> clients = m_clients;
    for (const std::shared_ptr<Client> &client : clients)
        drop(client, "closed: korvexd stops");
    m_busy = busy;
    m_shown = current();
}

// No connection outlives korvexd, so a router client's lock found at start was left by a run that
// ended without releasing it.
void RouterEndpoint::releaseStaleLocks() {
    std::set<std::string> stale;
    for (const std::optional<store::OutputLock> &lock : m_store.locks(m_device))
        if (lock && isOwnerText(lock->owner))
            stale.insert(lock->owner);
    for (const std::string &owner : stale) {
        const store::StoreResult result =
            m_store.releaseOwner(owner, {store::Actor::Kind::Router, kClientName, {}});
        if (!result.ok())
            m_log(name() + ": the locks of " + owner + ", left by an earlier run, stay: " + result.message);
    }
}

void RouterEndpoint::onLineStatus(const session::LineStatus &) {
    publish();
}

void RouterEndpoint::onDeviceChanged(std::uint8_t device, session::DeviceMembers changed) {
    if (device == m_device && changed.has(session::DeviceMember::Routing))
        publish();
}

void RouterEndpoint::onDeviceCleared(std::uint8_t device) {
    if (device == m_device)
        publish();
}

void RouterEndpoint::onStoreChange(const store::StoreChange &change) {
    using Kind = store::StoreChange::Kind;
    if (change.device == m_device &&
        (change.kind == Kind::InputName || change.kind == Kind::OutputName || change.kind == Kind::Lock))
        publish();
}

RouterState RouterEndpoint::current() const {
    RouterState state = korvexRouter(m_device);
    state.present = m_line.on();
    const store::DeviceNames &names = m_store.names(m_device);
    for (int i = 0; i < store::kInputCount; ++i) {
        const std::string &given = names.inputs[static_cast<std::size_t>(i)];
        state.inputLabels[static_cast<std::size_t>(i)] =
            given.empty() ? store::defaultInputLabel(i + 1) : given;
    }
    for (int o = 0; o < store::kOutputCount; ++o) {
        const std::string &given = names.outputs[static_cast<std::size_t>(o)];
        state.outputLabels[static_cast<std::size_t>(o)] =
            given.empty() ? store::defaultOutputLabel(o + 1) : given;
    }
    if (const session::DeviceState *device = m_line.model().state(m_device))
        std::copy(device->routing.begin(), device->routing.end(), state.routing.begin());
    const store::DeviceLocks &locks = m_store.locks(m_device);
    for (std::size_t o = 0; o < locks.size(); ++o) {
        if (!locks[o])
            continue;
        const auto mine = std::find_if(m_clients.begin(), m_clients.end(),
                                       [&](const auto &client) { return client->owner == locks[o]->owner; });
        state.lockOwners[o] = mine == m_clients.end() ? kSomeoneElse : (*mine)->id;
    }
    return state;
}

void RouterEndpoint::publish() {
    if (m_busy)
        return;
    m_busy = true;
    // Sending may drop a client, whose locks then go: that change goes out on the next round.
    for (RouterState next = current(); next != m_shown; next = current()) {
        const RouterState before = std::exchange(m_shown, next);
        // Only a lock's holder sees it differently ("O"): the others share one text.
        const auto common = std::make_shared<const std::string>(statusUpdate(before, m_shown, kHoldsNothing));
        const std::list<std::shared_ptr<Client>> clients = m_clients;
        for (const std::shared_ptr<Client> &client : clients) {
            if (holdsALock(before, client->id) || holdsALock(m_shown, client->id))
                send(client, statusUpdate(before, m_shown, client->id));
            else if (!common->empty())
                send(client, common);
        }
    }
    m_busy = false;
}

void RouterEndpoint::accept() {
    m_acceptor.async_accept([this](const boost::system::error_code &error, tcp::socket socket) {
        if (error == asio::error::operation_aborted || !m_acceptor.is_open())
            return;
        if (!error) {
            const std::string peer = peerText(socket);
            if (m_clients.size() >= kMaxClients) {
                m_log(name() + ": client " + peer + " refused: " + std::to_string(kMaxClients) +
                      " clients connected");
                boost::system::error_code ec;
                socket.close(ec);
            } else {
                boost::system::error_code ec;
                socket.set_option(tcp::no_delay(true), ec);
                // A small send buffer, so that the output bound, not the kernel, decides when a client
                // that stops reading goes.
                socket.set_option(asio::socket_base::send_buffer_size(64 * 1024), ec);
                const store::Actor who{store::Actor::Kind::Router, kClientName, peer};
                auto client = std::make_shared<Client>(std::move(socket), m_line.clients().add(who), who);
                m_clients.push_back(client);
                m_log(name() + ": client " + peer + " connected (" + std::to_string(m_clients.size()) +
                      " of " + std::to_string(kMaxClients) + ")");
                publish();
                send(client, initialDump(m_shown, client->id));
                read(client);
            }
        }
        accept();
    });
}

void RouterEndpoint::read(const std::shared_ptr<Client> &client) {
    client->socket.async_read_some(
        asio::buffer(client->input),
        [this, client](const boost::system::error_code &error, std::size_t size) {
            if (client->closed)
                return;
            if (error) {
                drop(client, error == asio::error::eof ? "left" : "left (" + error.message() + ")");
                return;
            }
            take(client, size);
            if (!client->closed)
                read(client);
        });
}

void RouterEndpoint::take(const std::shared_ptr<Client> &client, std::size_t size) {
    const std::vector<Block> blocks = client->reader.feed(std::string_view(client->input.data(), size));
    for (const Block &block : blocks) {
        if (client->closed)
            return;
        // What the request changes goes out after its answer, so that ACK comes first.
        m_busy = true;
        std::string reply = answer(*client, block);
        m_busy = false;
        send(client, std::move(reply));
        publish();
    }
    if (client->reader.failed())
        drop(client, "sent a line over " + std::to_string(BlockReader::kMaxLine) + " bytes or a block over " +
                         std::to_string(BlockReader::kMaxBlock) + " bytes: disconnected");
}

std::string RouterEndpoint::answer(Client &client, const Block &block) {
    const Request request = decodeRequest(block, kKorvexSize);
    if (std::holds_alternative<Ignored>(request))
        return {};
    if (std::holds_alternative<Ping>(request))
        return ackBlock();
    if (std::holds_alternative<Malformed>(request))
        return nakBlock();
    // Without the device the client is told nothing more than that it is absent.
    if (!m_shown.present)
        return nakBlock();
    if (const auto *query = std::get_if<BlockQuery>(&request))
        return ackBlock() + wholeBlock(query->block, m_shown, client.id);
    if (const auto *routes = std::get_if<RouteRequest>(&request))
        return route(client, *routes);
    if (const auto *labels = std::get_if<LabelRequest>(&request))
        return label(client, *labels);
    return lock(client, std::get<LockRequest>(request));
}

std::string RouterEndpoint::route(Client &client, const RouteRequest &request) {
    for (const RouteRequest::Route &r : request.routes) {
        const store::OutputLock *holder = m_store.ownerOf(m_device, r.output + 1);
        if (holder && holder->owner != client.owner)
            return nakBlock();
    }
    // One command per output, the last line for it standing, each its own unit: the line's arbiter
    // then waits for every output's answer before another device's unit may go.
    std::array<std::optional<int>, store::kOutputCount> inputs;
    for (const RouteRequest::Route &r : request.routes)
        inputs[static_cast<std::size_t>(r.output)] = r.input;
    std::vector<std::string> units;
    for (int o = 0; o < store::kOutputCount; ++o) {
        const std::optional<int> input = inputs[static_cast<std::size_t>(o)];
        if (!input)
            continue;
        const std::optional<std::string> command = protocol::buildSetRouting(o + 1, *input + 1);
        const std::optional<std::string> prefixed =
            command ? protocol::prefixText(*command, m_device) : command;
        if (!prefixed)
            return refused(client, "no routing command for output " + std::to_string(o + 1));
        units.push_back(*prefixed);
    }
    for (std::string &unit : units)
        m_line.submit({client.id, std::move(unit), m_device});
    return ackBlock();
}

std::string RouterEndpoint::label(Client &client, const LabelRequest &request) {
    for (const LabelRequest::Label &l : request.labels) {
        const store::StoreResult result =
            request.side == PortSide::Input
                ? m_store.setInputName(m_device, l.index + 1, l.text, client.who)
                : m_store.setOutputName(m_device, l.index + 1, l.text, client.who);
        if (!result.ok())
            return refused(client, result.message);
    }
    return ackBlock();
}

std::string RouterEndpoint::lock(Client &client, const LockRequest &request) {
    // The whole block is played on a copy of the owners first: it is taken whole or refused whole.
    std::array<std::optional<std::string>, store::kOutputCount> owners;
    for (int o = 0; o < store::kOutputCount; ++o)
        if (const store::OutputLock *holder = m_store.ownerOf(m_device, o + 1))
            owners[static_cast<std::size_t>(o)] = holder->owner;
    for (const LockRequest::Lock &l : request.locks) {
        std::optional<std::string> &owner = owners[static_cast<std::size_t>(l.output)];
        if (l.action != LockAction::Force && owner && *owner != client.owner)
            return nakBlock();
        if (l.action == LockAction::Own)
            owner = client.owner;
        else
            owner.reset();
    }
    for (const LockRequest::Lock &l : request.locks) {
        const int output = l.output + 1;
        const store::StoreResult result =
            l.action == LockAction::Own       ? m_store.lock(m_device, output, client.owner, client.who)
            : l.action == LockAction::Release ? m_store.unlock(m_device, output, client.owner, client.who)
                                              : m_store.forceUnlock(m_device, output, client.who);
        if (!result.ok())
            return refused(client, result.message);
    }
    return ackBlock();
}

// A request that passed every check but could not be carried out: the operator finds why in the log.
std::string RouterEndpoint::refused(const Client &client, const std::string &why) {
    m_log(name() + ": client " + client.who.address + ": request refused: " + why);
    return nakBlock();
}

void RouterEndpoint::send(const std::shared_ptr<Client> &client, std::string bytes) {
    if (!bytes.empty())
        send(client, std::make_shared<const std::string>(std::move(bytes)));
}

void RouterEndpoint::send(const std::shared_ptr<Client> &client, std::shared_ptr<const std::string> bytes) {
    if (client->closed)
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

void RouterEndpoint::writeNext(const std::shared_ptr<Client> &client) {
    if (client->output.empty() || client->closed) {
        client->writing = false;
        return;
    }
    client->writing = true;
    // Everything waiting goes in one write.
    auto batch = std::make_shared<std::vector<std::shared_ptr<const std::string>>>(client->output.begin(),
                                                                                   client->output.end());
    client->output.clear();
    std::vector<asio::const_buffer> buffers;
    for (const auto &bytes : *batch)
        buffers.emplace_back(asio::buffer(*bytes));
    asio::async_write(client->socket, buffers,
                      [this, client, batch](const boost::system::error_code &error, std::size_t written) {
                          if (client->closed)
                              return;
                          client->queued -= std::min(client->queued, written);
                          if (error) {
                              drop(client, "left (" + error.message() + ")");
                              return;
                          }
                          writeNext(client);
                      });
}

void RouterEndpoint::drop(const std::shared_ptr<Client> &client, const std::string &why) {
    if (client->closed)
        return;
    client->closed = true;
    boost::system::error_code ec;
    client->socket.shutdown(tcp::socket::shutdown_both, ec);
    client->socket.close(ec);
    // Its units still waiting for the line go on it: each was acknowledged.
    m_line.clients().remove(client->id);
    m_clients.remove(client);
    m_log(name() + ": client " + client->who.address + " " + why);
    // A connection that ended cannot come back for its locks: they go with it.
    const store::StoreResult released = m_store.releaseOwner(client->owner, client->who);
    if (!released.ok())
        m_log(name() + ": the locks of " + client->owner + " stay: " + released.message);
    publish();
}

} // namespace videohub
