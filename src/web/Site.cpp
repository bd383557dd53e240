#include "web/Site.h"

#include "store/NameCheck.h"

#include <algorithm>
#include <cctype>

namespace web {

namespace {

bool isChange(const std::string &method) {
    return method == "POST" || method == "PUT" || method == "PATCH" || method == "DELETE";
}

// "application/json", with or without parameters ("; charset=utf-8").
bool isJsonType(std::optional<std::string_view> type) {
    if (!type)
        return false;
    std::string value(type->substr(0, type->find(';')));
    while (!value.empty() && value.back() == ' ')
        value.pop_back();
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return value == "application/json";
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// X-Korvex-User, percent-decoded; std::nullopt when it is not a valid name.
std::optional<std::string> userName(std::string_view header, std::string &problem) {
    std::string out;
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header[i] != '%') {
            out += header[i];
            continue;
        }
        const int high = i + 2 < header.size() ? hexValue(header[i + 1]) : -1;
        const int low = i + 2 < header.size() ? hexValue(header[i + 2]) : -1;
        if (high < 0 || low < 0) {
            problem = "X-Korvex-User: a \"%\" is not followed by two hexadecimal digits";
            return std::nullopt;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (const std::string why = store::checkName(out); !why.empty()) {
        problem = "X-Korvex-User: " + why;
        return std::nullopt;
    }
    return out;
}

std::vector<std::string> segmentsOf(std::string_view path) {
    std::vector<std::string> out;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (!part.empty())
            out.emplace_back(part);
        if (slash == std::string_view::npos)
            break;
        path.remove_prefix(slash + 1);
        if (out.size() > 16)
            break; // no path of the API is that deep
    }
    return out;
}

bool openWithoutSession(const std::string &method, std::string_view path) {
    if (method == "POST")
        return path == "/login";
    return method == "GET" && (path == "/login" || path == "/login.html" || path == "/login.js" ||
                               path == "/panel.css" || path == "/favicon.svg");
}

} // namespace

Site::Site(Access &access, Api &api, EventHub &hub, const PanelFiles &files, Aside aside)
    : m_access(access), m_api(api), m_hub(hub), m_files(files), m_aside(std::move(aside)) {
    if (!m_aside)
        m_aside = [](std::function<bool()> work, std::function<void(bool)> done) { done(work()); };
}

void Site::finish(HttpResponse &response) {
    response.set("Cache-Control", response.noStore ? "no-store" : "no-cache");
    response.set("X-Content-Type-Options", "nosniff");
    response.set("Referrer-Policy", "no-referrer");
    response.set("Content-Security-Policy",
                 "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'");
}

bool Site::sessionOk(const HttpRequest &request) {
    return !m_access.passwordSet() || m_access.sessionValid(request.header("cookie"));
}

std::string Site::cookie(const std::string &token, int maxAge, bool secure) const {
    return std::string(Access::kCookie) + "=" + token +
           "; Path=/; HttpOnly; SameSite=Strict; Max-Age=" + std::to_string(maxAge) +
           (secure ? "; Secure" : "");
}

void Site::handle(const HttpRequest &request, const Reply &reply) {
    const std::optional<std::string_view> host = request.header("host");
    if (!host) {
        reply(errorResponse(400, "the request has no Host header"));
        return;
    }
    if (!m_access.hostAllowed(*host)) {
        reply(errorResponse(403, "korvexd does not answer to the name " + std::string(*host)));
        return;
    }
    if (request.body.size() > kBodyLimit) {
        reply(errorResponse(413, "the body is over 64 KiB"));
        return;
    }
    const std::string_view target = request.target;
    const std::size_t question = target.find('?');
    const std::string path(target.substr(0, question));
    const std::string query(question == std::string_view::npos ? std::string_view()
                                                               : target.substr(question + 1));
    if (path.empty() || path.front() != '/') {
        reply(errorResponse(400, "the request's target is not a path"));
        return;
    }
    if (!openWithoutSession(request.method, path) && !sessionOk(request)) {
        if (request.method == "GET" && (path == "/" || path == "/index.html")) {
            HttpResponse response;
            response.status = 303;
            response.set("Location", "/login");
            reply(std::move(response));
            return;
        }
        reply(errorResponse(401, "log in first"));
        return;
    }
    Json body;
    if (isChange(request.method)) {
        if (!Access::originAllowed(request.header("origin"), *host)) {
            reply(errorResponse(403, "changes are taken only from korvexd's own pages"));
            return;
        }
        if (request.method == "DELETE") {
            if (!request.body.empty()) {
                reply(errorResponse(400, "a DELETE takes no body"));
                return;
            }
        } else {
            if (!isJsonType(request.header("content-type"))) {
                reply(errorResponse(400, "a change needs a JSON body with Content-Type: application/json"));
                return;
            }
            body = Json::parse(request.body, nullptr, false);
            if (body.is_discarded()) {
                reply(errorResponse(400, "the body is not JSON"));
                return;
            }
        }
    }
    if (path == "/login" && request.method == "POST") {
        login(request, body, reply);
        return;
    }
    if (path == "/logout") {
        if (request.method == "POST")
            logout(request, reply);
        else
            reply(errorResponse(405, "this path takes POST"));
        return;
    }
    if (path.rfind("/api/", 0) == 0 || path == "/api") {
        store::Actor who{store::Actor::Kind::Panel, "", request.peer};
        if (const auto header = request.header("x-korvex-user")) {
            std::string problem;
            const std::optional<std::string> name = userName(*header, problem);
            if (!name) {
                reply(errorResponse(400, problem));
                return;
            }
            who.name = *name;
        }
        m_api.handle(request.method, segmentsOf(path), query, body, who, reply);
        return;
    }
    const PanelFiles::File *file = m_files.find(path);
    if (!file) {
        reply(errorResponse(404, "no such page"));
        return;
    }
    if (request.method != "GET") {
        HttpResponse response = errorResponse(405, "the panel's files take GET");
        response.set("Allow", "GET");
        reply(std::move(response));
        return;
    }
    serveFile(request, *file, reply);
}

void Site::serveFile(const HttpRequest &request, const PanelFiles::File &file, const Reply &reply) const {
    const std::string accept(request.header("accept-encoding").value_or(""));
    const bool gzip = !file.gzipped.empty() && accept.find("gzip") != std::string::npos;
    const std::string &etag = gzip ? file.gzipEtag : file.etag;
    HttpResponse response;
    response.noStore = false;
    response.set("ETag", etag);
    response.set("Vary", "Accept-Encoding");
    const std::string match(request.header("if-none-match").value_or(""));
    if (!match.empty() && match.find(etag) != std::string::npos) {
        response.status = 304;
        reply(std::move(response));
        return;
    }
    response.set("Content-Type", file.type);
    if (gzip)
        response.set("Content-Encoding", "gzip");
    response.body = gzip ? file.gzipped : std::string(file.content);
    reply(std::move(response));
}

void Site::login(const HttpRequest &request, const Json &body, const Reply &reply) {
    if (!m_access.passwordSet()) {
        HttpResponse response;
        response.status = 204; // nothing to log in to: the panel is open
        reply(std::move(response));
        return;
    }
    const std::string address = request.peer;
    if (const std::optional<long long> wait = m_access.loginRetryAfter(address)) {
        HttpResponse response =
            errorResponse(429, "too many wrong passwords from " + address + "; try again in " +
                                   std::to_string((*wait + 59) / 60) + " minutes");
        response.set("Retry-After", std::to_string(*wait));
        reply(std::move(response));
        return;
    }
    if (!body.is_object() || !body.contains("password") || !body["password"].is_string()) {
        reply(errorResponse(400, "login: expected {\"password\": \"...\"}"));
        return;
    }
    if (m_checking.count(address) || m_checking.size() >= kMaxLoginChecks) {
        HttpResponse response = errorResponse(429, "a password is being checked; try again in a moment");
        response.set("Retry-After", "1");
        reply(std::move(response));
        return;
    }
    m_checking.insert(address);
    const bool secure = request.secure;
    m_aside(
        [this, password = body["password"].get<std::string>()] { return m_access.passwordMatches(password); },
        [this, address, secure, reply](bool matches) {
            m_checking.erase(address);
            if (!matches) {
                m_access.loginFailed(address);
                reply(errorResponse(401, "that password is not right"));
                return;
            }
            const std::string token = m_access.openSession();
            HttpResponse response;
            response.status = 204;
            response.set("Set-Cookie", cookie(token, 12 * 3600, secure));
            reply(std::move(response));
        });
}

void Site::logout(const HttpRequest &request, const Reply &reply) {
    const std::string token = Access::sessionOf(request.header("cookie"));
    if (!token.empty()) {
        m_access.closeSession(token);
        m_hub.endSession(token);
    }
    HttpResponse response;
    response.status = 204;
    response.set("Set-Cookie", cookie("", 0, request.secure));
    reply(std::move(response));
}

std::optional<HttpResponse> Site::admitEvents(const HttpRequest &request, std::string &session) {
    const std::optional<std::string_view> host = request.header("host");
    if (!host)
        return errorResponse(400, "the request has no Host header");
    if (!m_access.hostAllowed(*host))
        return errorResponse(403, "korvexd does not answer to the name " + std::string(*host));
    if (!Access::originAllowed(request.header("origin"), *host))
        return errorResponse(403, "the events are open only to korvexd's own pages");
    if (!sessionOk(request))
        return errorResponse(401, "log in first");
    session = m_access.passwordSet() ? Access::sessionOf(request.header("cookie")) : std::string();
    return std::nullopt;
}

void Site::expireSessions() {
    for (const std::string &token : m_access.expireSessions())
        m_hub.endSession(token);
}

} // namespace web
