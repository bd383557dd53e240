#pragma once

#include "session/DeviceModel.h"
#include "share/SharedLine.h"
#include "store/Store.h"
#include "videohub/BlockReader.h"
#include "videohub/RequestDecoder.h"
#include "videohub/RouterState.h"

#include <utility> // before Asio: Boost 1.74's headers miss it in C++20

#include <boost/asio/ip/tcp.hpp>

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>

namespace videohub {

// The Videohub router protocol on TCP for one device of korvexd's line: control surfaces and room
// controllers see a 10 x 9 router (in1..in9 and the multiview picture; Out1..Out9) whose routing is
// korvexd's model of the device and whose labels and locks are the store's names and locks, shared
// with the web panel. Every change, whoever made it, reaches every client as the changed lines.
//
// - A route request goes on the line as this client's units, one command per output, even if the
//   client leaves after its ACK; the update follows the device's answer.
// - Locks are the store's, held under an owner text naming the client connection. A route or lock
//   request on an output that someone else holds (another client, the web panel) is refused with NAK;
//   "F" takes any lock away. A client's locks go when it disconnects (and when korvexd stops); those
//   left by a korvexd that did not stop cleanly are released when the endpoint starts.
// - While the line is not on the device is absent: clients are told "Device present: false" and
//   nothing more, requests other than PING get NAK; when it is back every block goes out again.
// - At most kMaxClients clients; a line over 4 KiB closes the client, and so does output that waits
//   beyond kOutputLimit (a client that stops reading): the line never waits for a client.
class RouterEndpoint : private share::ISharedLineListener, private session::IDeviceModelObserver {
public:
    static constexpr std::size_t kMaxClients = 64;
    static constexpr std::size_t kOutputLimit = 256 * 1024;
    using Log = share::SharedLine::Log;

    RouterEndpoint(boost::asio::io_context &context, share::SharedLine &line, store::Store &store,
                   std::uint8_t device, Log log);
    ~RouterEndpoint() override;
    RouterEndpoint(const RouterEndpoint &) = delete;
    RouterEndpoint &operator=(const RouterEndpoint &) = delete;

    // Listens on host:port and releases the locks clients of an earlier run left on the device; false
    // with the reason when it cannot listen.
    bool listen(const std::string &host, std::uint16_t port, std::string &error);
    // The address it listens on ("127.0.0.1:9990").
    std::string address() const;
    std::uint16_t port() const;
    // Closes the listener and every client, releasing their locks.
    void stop();

    std::uint8_t device() const { return m_device; }
    std::size_t clients() const { return m_clients.size(); }

    // The store's owner text of every lock a router client takes: "Videohub client #7 (10.0.0.31:51234)".
    static std::string ownerText(share::ClientId client, std::string_view peer);
    static bool isOwnerText(std::string_view owner);

private:
    struct Client;

    // ISharedLineListener
    void onLineStatus(const session::LineStatus &status) override;
    // IDeviceModelObserver
    void onDeviceChanged(std::uint8_t device, session::DeviceMembers changed) override;
    void onDeviceCleared(std::uint8_t device) override;
    void onStoreChange(const store::StoreChange &change);

    // The router as clients see it now.
    RouterState current() const;
    // Sends every client what changed since the state they were last shown.
    void publish();

    void accept();
    void read(const std::shared_ptr<Client> &client);
    void take(const std::shared_ptr<Client> &client, std::size_t size);
    std::string answer(Client &client, const Block &block);
    std::string route(Client &client, const RouteRequest &request);
    std::string label(Client &client, const LabelRequest &request);
    std::string lock(Client &client, const LockRequest &request);
    std::string refused(const Client &client, const std::string &why);
    void send(const std::shared_ptr<Client> &client, std::string bytes); // nothing when empty
    void send(const std::shared_ptr<Client> &client, std::shared_ptr<const std::string> bytes);
    void writeNext(const std::shared_ptr<Client> &client);
    void drop(const std::shared_ptr<Client> &client, const std::string &why);
    void releaseStaleLocks();
    std::string name() const;

    boost::asio::io_context &m_context;
    share::SharedLine &m_line;
    store::Store &m_store;
    std::uint8_t m_device;
    Log m_log;
    int m_storeObserver = 0;
    boost::asio::ip::tcp::acceptor m_acceptor;
    std::list<std::shared_ptr<Client>> m_clients;
    RouterState m_shown; // what every client has been shown
    bool m_busy = false; // a request or an update is under way: changes are sent when it is done
};

} // namespace videohub
