#pragma once

#include <utility> // before Asio: Boost 1.74's headers miss it in C++20

#include <boost/asio/io_context.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace web {

class EventHub;
class Site;

// HTTP/1.1 and the events WebSocket on korvexd's loop (Boost.Beast), plain or over TLS: reads each
// request within bounds (headers 16 KiB, body 64 KiB, 30 s to arrive), hands it to the Site and
// writes its answer; an upgrade to /api/events becomes an events socket fed by the hub, pinged every
// 20 s, dropped when it does not answer or falls 1 MiB behind. Beyond the connection limit a
// newcomer is closed at once.
class HttpServer {
public:
    using Log = std::function<void(const std::string &message)>;
    static constexpr std::size_t kMaxConnections = 512;
    static constexpr std::size_t kHeaderLimit = 16 * 1024;
    static constexpr std::size_t kEventBacklog = 1024 * 1024;
    static constexpr std::size_t kEventMessageLimit = 4096;

    struct Options {
        std::string host = "127.0.0.1";
        std::uint16_t port = 8080; // 0: any free port
        std::string tlsCert;       // both set: HTTPS only
        std::string tlsKey;
    };

    HttpServer(boost::asio::io_context &context, Site &site, EventHub &hub, Log log);
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Listens; false with the reason (address in use, a certificate that cannot be read, ...).
    bool listen(const Options &options, std::string &error);
    // "http://127.0.0.1:8080"
    std::string url() const;
    std::uint16_t port() const;
    // Closes the listener and every connection.
    void stop();
    std::size_t connections() const;

    // The listener and what its connections share; defined where they are.
    struct Impl;

private:
    std::shared_ptr<Impl> m_impl;
};

} // namespace web
