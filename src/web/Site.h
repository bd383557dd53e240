#pragma once

#include "web/Access.h"
#include "web/Api.h"
#include "web/EventHub.h"
#include "web/HttpMessage.h"
#include "web/PanelFiles.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>

namespace web {

// Everything korvexd answers over HTTP, before the JSON API sees a request: the Host check, access
// (sessions, the login and logout, the login wall), the cross-site rules for changes, the body's
// form, the panel's files, and the headers every answer carries. No sockets here: the server hands
// requests in and writes the answers out.
class Site {
public:
    using Reply = std::function<void(HttpResponse)>;
    // Runs `work` away from the loop (checking a password takes a while) and `done` with its result
    // back on the loop.
    using Aside = std::function<void(std::function<bool()> work, std::function<void(bool)> done)>;
    static constexpr std::size_t kBodyLimit = 64 * 1024;
    static constexpr std::size_t kMaxUserLength = 32;
    static constexpr std::size_t kMaxLoginChecks = 4; // passwords being checked at once

    Site(Access &access, Api &api, EventHub &hub, const PanelFiles &files, Aside aside);

    // Answers the request once through `reply`, maybe later (a routing waits for the switcher).
    void handle(const HttpRequest &request, const Reply &reply);
    // Whether the events socket may open for this handshake request: std::nullopt, with the session
    // it belongs to in `session`, or the refusal to answer instead.
    std::optional<HttpResponse> admitEvents(const HttpRequest &request, std::string &session);
    // Forgets expired sessions and closes their sockets; called now and then.
    void expireSessions();

    // The headers every answer carries (see docs/api.md); the server adds them to each answer.
    static void finish(HttpResponse &response);

private:
    void login(const HttpRequest &request, const Json &body, const Reply &reply);
    void logout(const HttpRequest &request, const Reply &reply);
    void serveFile(const HttpRequest &request, const PanelFiles::File &file, const Reply &reply) const;
    bool sessionOk(const HttpRequest &request);
    std::string cookie(const std::string &token, int maxAge, bool secure) const;

    Access &m_access;
    Api &m_api;
    EventHub &m_hub;
    const PanelFiles &m_files;
    Aside m_aside;
    std::set<std::string> m_checking; // addresses whose password is being checked
};

} // namespace web
