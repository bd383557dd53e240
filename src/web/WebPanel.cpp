#include "web/WebPanel.h"

#include "share/AsioLoop.h"
#include "web/Access.h"
#include "web/Api.h"
#include "web/ChangeWaiter.h"
#include "web/DeviceWatch.h"
#include "web/EventHub.h"
#include "web/HttpServer.h"
#include "web/PanelFiles.h"
#include "web/Site.h"

#include <boost/asio/post.hpp>
#include <boost/asio/thread_pool.hpp>

#include <unistd.h>

#include <climits>

namespace web {

namespace {

std::vector<std::string> ownNames(const std::string &httpHost) {
    std::vector<std::string> names = {httpHost};
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) == 0)
        names.emplace_back(host);
    return names;
}

} // namespace

struct WebPanel::Parts {
    Parts(boost::asio::io_context &context, share::SharedLine &line, store::Store &store, Options o, Log log)
        : options(std::move(o)), timers(share::AsioTimer::factory(context)),
          access(options.passwordHash, ownNames(options.host)), waiter(line.model(), timers),
          watch(line.session(), line.model(), line.arbiter(), line.devices(), timers),
          hub(line, store, watch, options.lineName, access.passwordSet()),
          api(line, store, waiter, options.lineName, [this] { return hub.devicesJson(); }),
          site(access, api, hub, files,
               [this, &context](std::function<bool()> work, std::function<void(bool)> done) {
                   boost::asio::post(checks, [&context, work = std::move(work), done = std::move(done)] {
                       const bool result = work();
                       boost::asio::post(context, [done, result] { done(result); });
                   });
               }),
          server(context, site, hub, std::move(log)), sweep(timers([this] { site.expireSessions(); })) {}

    Options options;
    session::TimerFactory timers;
    Access access;
    PanelFiles files;
    ChangeWaiter waiter;
    DeviceWatch watch;
    EventHub hub;
    Api api;
    boost::asio::thread_pool checks{1}; // passwords are checked here, away from the loop
    Site site;
    HttpServer server;
    std::unique_ptr<session::ITimer> sweep;
};

WebPanel::WebPanel(boost::asio::io_context &context, share::SharedLine &line, store::Store &store,
                   Options options, Log log)
    : m_parts(std::make_unique<Parts>(context, line, store, std::move(options), std::move(log))) {}

WebPanel::~WebPanel() {
    stop();
}

bool WebPanel::start(std::string &error) {
    HttpServer::Options listen;
    listen.host = m_parts->options.host;
    listen.port = m_parts->options.port;
    listen.tlsCert = m_parts->options.tlsCert;
    listen.tlsKey = m_parts->options.tlsKey;
    if (!m_parts->server.listen(listen, error))
        return false;
    m_parts->sweep->start(60 * 1000);
    return true;
}

std::string WebPanel::url() const {
    return m_parts->server.url();
}

std::uint16_t WebPanel::port() const {
    return m_parts->server.port();
}

void WebPanel::stop() {
    m_parts->sweep->stop();
    m_parts->server.stop();
    m_parts->checks.join();
}

} // namespace web
