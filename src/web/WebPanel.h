#pragma once

#include "share/SharedLine.h"
#include "store/Store.h"

#include <utility> // before Asio: Boost 1.74's headers miss it in C++20

#include <boost/asio/io_context.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace web {

// korvexd's web panel and JSON API as one piece for its main: the panel's files, the API, the events
// socket and access, served on the loop from the settings' --http address.
class WebPanel {
public:
    using Log = std::function<void(const std::string &message)>;

    struct Options {
        std::string host = "127.0.0.1";
        std::uint16_t port = 8080;
        std::string passwordHash; // empty: open, which korvexd allows on loopback only
        std::string tlsCert;
        std::string tlsKey;
        std::string lineName; // as --line named it
    };

    WebPanel(boost::asio::io_context &context, share::SharedLine &line, store::Store &store, Options options,
             Log log);
    ~WebPanel();
    WebPanel(const WebPanel &) = delete;
    WebPanel &operator=(const WebPanel &) = delete;

    // Listens; false with the reason.
    bool start(std::string &error);
    // "http://127.0.0.1:8080"
    std::string url() const;
    std::uint16_t port() const;
    // Closes every connection; what waits for the switcher is dropped.
    void stop();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

} // namespace web
