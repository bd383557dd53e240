#include "web/HttpServer.h"

#include "web/EventHub.h"
#include "web/Site.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>

#include <algorithm>
#include <cctype>
#include <deque>
#include <list>
#include <optional>

namespace web {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;

namespace {

constexpr std::chrono::seconds kRequestTime{30};
constexpr std::chrono::seconds kHandshakeTime{10};

// What the server can close at stop.
class Closable {
public:
    virtual ~Closable() = default;
    virtual void close() = 0;
};

using PlainStream = beast::tcp_stream;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

std::string peerAddress(const beast::tcp_stream &stream) {
    boost::system::error_code ec;
    const tcp::endpoint peer = stream.socket().remote_endpoint(ec);
    if (ec)
        return "?";
    asio::ip::address address = peer.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    return address.to_string();
}

HttpRequest requestOf(const http::request<http::string_body> &message, std::string peer, bool secure) {
    HttpRequest request;
    request.method = std::string(message.method_string());
    request.target = std::string(message.target());
    for (const auto &field : message) {
        std::string name(field.name_string());
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        request.headers.emplace_back(std::move(name), std::string(field.value()));
    }
    request.body = message.body();
    request.peer = std::move(peer);
    request.secure = secure;
    return request;
}

http::response<http::string_body> responseOf(HttpResponse answer, unsigned version, bool keepAlive) {
    Site::finish(answer);
    http::response<http::string_body> message{static_cast<http::status>(answer.status), version};
    for (auto &[name, value] : answer.headers)
        message.insert(name, value);
    message.body() = std::move(answer.body);
    message.keep_alive(keepAlive);
    message.prepare_payload();
    return message;
}

constexpr bool isTls(const PlainStream *) {
    return false;
}
constexpr bool isTls(const TlsStream *) {
    return true;
}

} // namespace

struct HttpServer::Impl : std::enable_shared_from_this<HttpServer::Impl> {
    Impl(asio::io_context &c, Site &s, EventHub &h, Log l)
        : context(c), site(s), hub(h), log(std::move(l)), acceptor(c) {}

    void accept();
    void track(const std::shared_ptr<Closable> &connection) {
        std::erase_if(live, [](const std::weak_ptr<Closable> &w) { return w.expired(); });
        live.push_back(connection);
    }
    std::size_t count() {
        std::erase_if(live, [](const std::weak_ptr<Closable> &w) { return w.expired(); });
        return live.size();
    }

    asio::io_context &context;
    Site &site;
    EventHub &hub;
    Log log;
    tcp::acceptor acceptor;
    // Made only when HTTPS is set: OpenSSL's set-up alone costs megabytes of memory.
    std::optional<ssl::context> tls;
    bool secure = false;
    bool stopped = false;
    std::vector<std::weak_ptr<Closable>> live;
};

namespace {

// An open events socket: the hub's messages out, anything that comes in read and dropped.
template <class Stream>
class EventSocket : public Closable,
                    public IEventClient,
                    public std::enable_shared_from_this<EventSocket<Stream>> {
public:
    EventSocket(Stream stream, HttpServer::Impl &server, std::string peer)
        : m_socket(std::move(stream)), m_server(server), m_peer(std::move(peer)) {}

    void start(http::request<http::string_body> request, std::string session) {
        beast::get_lowest_layer(m_socket).expires_never();
        websocket::stream_base::timeout timeout{};
        timeout.handshake_timeout = kHandshakeTime;
        timeout.idle_timeout = std::chrono::seconds(40); // a ping after 20 s of quiet, gone 20 s later
        timeout.keep_alive_pings = true;
        m_socket.set_option(timeout);
        m_socket.read_message_max(HttpServer::kEventMessageLimit);
        m_socket.write_buffer_bytes(64 * 1024);
        auto self = this->shared_from_this();
        m_socket.async_accept(request, [self, session](const beast::error_code &error) {
            if (error || self->m_closed)
                return self->close();
            self->m_joined = true;
            self->m_server.hub.join(self.get(), session);
            self->read();
        });
    }

    void sendEvent(std::shared_ptr<const std::string> message) override {
        if (m_closed)
            return;
        if (m_queued + message->size() > HttpServer::kEventBacklog) {
            m_server.log("events client " + m_peer + " fell 1 MiB behind and was disconnected");
            close();
            return;
        }
        m_queued += message->size();
        m_out.push_back(std::move(message));
        if (!m_writing)
            writeNext();
    }

    void endEvents(int code) override {
        if (m_closed)
            return;
        leaveHub();
        m_out.clear();
        m_queued = 0;
        if (m_writing) {
            m_closeCode = code; // after the write under way
            return;
        }
        sendClose(code);
    }

    void close() override {
        if (m_closed)
            return;
        m_closed = true;
        leaveHub();
        m_out.clear();
        beast::error_code ec;
        beast::get_lowest_layer(m_socket).socket().shutdown(tcp::socket::shutdown_both, ec);
        beast::get_lowest_layer(m_socket).close();
    }

private:
    void leaveHub() {
        if (m_joined)
            m_server.hub.leave(this);
        m_joined = false;
    }

    void sendClose(int code) {
        auto self = this->shared_from_this();
        m_writing = true;
        m_socket.async_close(websocket::close_reason(static_cast<std::uint16_t>(code)),
                             [self](const beast::error_code &) { self->close(); });
    }

    void read() {
        auto self = this->shared_from_this();
        m_socket.async_read(m_in, [self](const beast::error_code &error, std::size_t) {
            if (self->m_closed)
                return;
            if (error)
                return self->close();
            self->m_in.consume(self->m_in.size()); // the client has nothing to say
            self->read();
        });
    }

    void writeNext() {
        if (m_closed)
            return;
        if (m_closeCode) {
            const int code = *m_closeCode;
            m_closeCode.reset();
            sendClose(code);
            return;
        }
        if (m_out.empty()) {
            m_writing = false;
            return;
        }
        m_writing = true;
        std::shared_ptr<const std::string> message = m_out.front();
        m_out.pop_front();
        m_socket.text(true);
        auto self = this->shared_from_this();
        m_socket.async_write(asio::buffer(*message),
                             [self, message](const beast::error_code &error, std::size_t) {
                                 if (self->m_closed)
                                     return;
                                 self->m_queued -= std::min(self->m_queued, message->size());
                                 if (error)
                                     return self->close();
                                 self->writeNext();
                             });
    }

    websocket::stream<Stream> m_socket;
    HttpServer::Impl &m_server;
    std::string m_peer;
    beast::flat_buffer m_in;
    std::deque<std::shared_ptr<const std::string>> m_out;
    std::size_t m_queued = 0;
    bool m_writing = false;
    bool m_joined = false;
    bool m_closed = false;
    std::optional<int> m_closeCode;
};

// One HTTP connection: requests one after another, each answered before the next is read.
template <class Stream>
class HttpConnection : public Closable, public std::enable_shared_from_this<HttpConnection<Stream>> {
public:
    HttpConnection(Stream stream, HttpServer::Impl &server, std::string peer)
        : m_stream(std::move(stream)), m_server(server), m_peer(std::move(peer)) {}

    void start() {
        auto self = this->shared_from_this();
        if constexpr (isTls(static_cast<Stream *>(nullptr))) {
            beast::get_lowest_layer(m_stream).expires_after(kHandshakeTime);
            m_stream.async_handshake(ssl::stream_base::server, [self](const beast::error_code &error) {
                if (error)
                    return self->close();
                self->read();
            });
        } else {
            read();
        }
    }

    void close() override {
        if (m_closed)
            return;
        m_closed = true;
        beast::error_code ec;
        beast::get_lowest_layer(m_stream).socket().shutdown(tcp::socket::shutdown_both, ec);
        beast::get_lowest_layer(m_stream).close();
    }

private:
    void read() {
        if (m_closed)
            return;
        m_parser.emplace();
        m_parser->header_limit(HttpServer::kHeaderLimit);
        m_parser->body_limit(Site::kBodyLimit);
        beast::get_lowest_layer(m_stream).expires_after(kRequestTime);
        auto self = this->shared_from_this();
        http::async_read(m_stream, m_buffer, *m_parser,
                         [self](const beast::error_code &error, std::size_t) { self->onRead(error); });
    }

    void onRead(const beast::error_code &error) {
        if (m_closed)
            return;
        if (error == http::error::body_limit) {
            write(errorResponse(413, "the body is over 64 KiB"), 11, false);
            return;
        }
        if (error == http::error::header_limit) {
            write(errorResponse(431, "the request's headers are over 16 KiB"), 11, false);
            return;
        }
        if (error) {
            if (error != http::error::end_of_stream && error != beast::error::timeout &&
                error != asio::error::connection_reset && error != asio::error::eof &&
                error != ssl::error::stream_truncated)
                write(errorResponse(400, "the request is not HTTP/1.1 as korvexd reads it"), 11, false);
            else
                close();
            return;
        }
        http::request<http::string_body> message = m_parser->release();
        const HttpRequest request = requestOf(message, m_peer, isTls(static_cast<Stream *>(nullptr)));
        if (websocket::is_upgrade(message)) {
            upgrade(std::move(message), request);
            return;
        }
        const unsigned version = message.version();
        const bool keepAlive = message.keep_alive();
        // The answer may wait for the switcher (3 s at most): the connection lives until it is written.
        beast::get_lowest_layer(m_stream).expires_never();
        auto self = this->shared_from_this();
        m_server.site.handle(request, [self, version, keepAlive](HttpResponse answer) {
            self->write(std::move(answer), version, keepAlive);
        });
    }

    void upgrade(http::request<http::string_body> message, const HttpRequest &request) {
        const std::string path = request.target.substr(0, request.target.find('?'));
        if (path != "/api/events") {
            write(errorResponse(404, "only /api/events is a WebSocket"), message.version(), false);
            return;
        }
        std::string session;
        if (std::optional<HttpResponse> refusal = m_server.site.admitEvents(request, session)) {
            write(std::move(*refusal), message.version(), false);
            return;
        }
        m_closed = true; // the stream moves to the events socket
        auto socket = std::make_shared<EventSocket<Stream>>(std::move(m_stream), m_server, m_peer);
        m_server.track(socket);
        socket->start(std::move(message), session);
    }

    void write(HttpResponse answer, unsigned version, bool keepAlive) {
        if (m_closed || m_writing)
            return;
        m_writing = true;
        auto message = std::make_shared<http::response<http::string_body>>(
            responseOf(std::move(answer), version, keepAlive));
        beast::get_lowest_layer(m_stream).expires_after(kRequestTime);
        auto self = this->shared_from_this();
        http::async_write(m_stream, *message, [self, message](const beast::error_code &error, std::size_t) {
            self->m_writing = false;
            if (error || message->need_eof())
                return self->close();
            self->read();
        });
    }

    Stream m_stream;
    HttpServer::Impl &m_server;
    std::string m_peer;
    beast::flat_buffer m_buffer;
    std::optional<http::request_parser<http::string_body>> m_parser;
    bool m_closed = false;
    bool m_writing = false;
};

} // namespace

void HttpServer::Impl::accept() {
    auto self = shared_from_this();
    acceptor.async_accept([self](const boost::system::error_code &error, tcp::socket socket) {
        if (self->stopped || error == asio::error::operation_aborted)
            return;
        if (!error) {
            boost::system::error_code ec;
            if (self->count() >= kMaxConnections) {
                socket.close(ec);
            } else {
                socket.set_option(tcp::no_delay(true), ec);
                beast::tcp_stream stream(std::move(socket));
                const std::string peer = peerAddress(stream);
                if (self->secure) {
                    auto connection = std::make_shared<HttpConnection<TlsStream>>(
                        TlsStream(std::move(stream), *self->tls), *self, peer);
                    self->track(connection);
                    connection->start();
                } else {
                    auto connection =
                        std::make_shared<HttpConnection<PlainStream>>(std::move(stream), *self, peer);
                    self->track(connection);
                    connection->start();
                }
            }
        }
        self->accept();
    });
}

HttpServer::HttpServer(asio::io_context &context, Site &site, EventHub &hub, Log log)
    : m_impl(std::make_shared<Impl>(context, site, hub, std::move(log))) {}

HttpServer::~HttpServer() {
    stop();
}

bool HttpServer::listen(const Options &options, std::string &error) {
    Impl &impl = *m_impl;
    boost::system::error_code ec;
    if (!options.tlsCert.empty()) {
        impl.tls.emplace(ssl::context::tls_server);
        impl.tls->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                              ssl::context::no_sslv3 | ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1);
        impl.tls->use_certificate_chain_file(options.tlsCert, ec);
        if (ec) {
            error = "cannot use the certificate " + options.tlsCert + ": " + ec.message();
            return false;
        }
        impl.tls->use_private_key_file(options.tlsKey, ssl::context::pem, ec);
        if (ec) {
            error = "cannot use the key " + options.tlsKey + ": " + ec.message();
            return false;
        }
        impl.secure = true;
    }
    tcp::resolver resolver(impl.context);
    const auto found =
        resolver.resolve(options.host, std::to_string(options.port), tcp::resolver::passive, ec);
    if (ec || found.empty()) {
        error = options.host + ": " + (ec ? ec.message() : "no such host");
        return false;
    }
    const tcp::endpoint endpoint = *found.begin();
    impl.acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        impl.acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        impl.acceptor.bind(endpoint, ec);
    if (!ec)
        impl.acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = "cannot listen on " + options.host + ":" + std::to_string(options.port) + ": " + ec.message();
        impl.acceptor.close(ec);
        return false;
    }
    impl.accept();
    return true;
}

std::string HttpServer::url() const {
    boost::system::error_code ec;
    const tcp::endpoint local = m_impl->acceptor.local_endpoint(ec);
    const std::string host = local.address().to_string();
    return std::string(m_impl->secure ? "https://" : "http://") +
           (local.address().is_v6() ? "[" + host + "]" : host) + ":" + std::to_string(local.port());
}

std::uint16_t HttpServer::port() const {
    boost::system::error_code ec;
    return m_impl->acceptor.local_endpoint(ec).port();
}

void HttpServer::stop() {
    Impl &impl = *m_impl;
    impl.stopped = true;
    boost::system::error_code ec;
    impl.acceptor.close(ec);
    const std::vector<std::weak_ptr<Closable>> live = impl.live;
    for (const std::weak_ptr<Closable> &weak : live)
        if (const auto connection = weak.lock())
            connection->close();
    impl.live.clear();
}

std::size_t HttpServer::connections() const {
    return m_impl->count();
}

} // namespace web
