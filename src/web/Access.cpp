#include "web/Access.h"

#include <sodium.h>

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace web {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isIpv4(const std::string &text) {
    in_addr address{};
    return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

bool isIpv6(const std::string &text) {
    in6_addr address{};
    return ::inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

} // namespace

Access::Access(std::string passwordHash, std::vector<std::string> hostNames,
               std::function<Clock::time_point()> now)
    : m_hash(std::move(passwordHash)), m_now(std::move(now)) {
    for (const std::string &name : hostNames) {
        if (name.empty())
            continue;
        m_hostNames.push_back(lower(name));
        if (name.find('.') == std::string::npos)
            m_hostNames.push_back(lower(name) + ".local");
    }
}

bool Access::passwordMatches(const std::string &password) const {
    if (m_hash.empty() || sodium_init() < 0)
        return false;
    return crypto_pwhash_str_verify(m_hash.c_str(), password.data(), password.size()) == 0;
}

bool Access::hostAllowed(std::string_view host) const {
    if (host.empty() || host.size() > 255)
        return false;
    std::string name;
    std::string_view port;
    if (host.front() == '[') {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos)
            return false;
        if (!isIpv6(std::string(host.substr(1, close - 1))))
            return false;
        const std::string_view rest = host.substr(close + 1);
        if (rest.empty())
            return true;
        return rest.front() == ':' && rest.size() > 1 && rest.size() <= 6 && allDigits(rest.substr(1));
    }
    const std::size_t colon = host.rfind(':');
    name = lower(host.substr(0, colon));
    if (colon != std::string_view::npos) {
        port = host.substr(colon + 1);
        if (port.empty() || port.size() > 5 || !allDigits(port))
            return false;
    }
    if (name.empty())
        return false;
    if (name.back() == '.') // "localhost." is the same name
        name.pop_back();
    if (name == "localhost" || isIpv4(name))
        return true;
    return std::find(m_hostNames.begin(), m_hostNames.end(), name) != m_hostNames.end();
}

bool Access::originAllowed(std::optional<std::string_view> origin, std::string_view host) {
    if (!origin)
        return true;
    const std::string given = lower(*origin);
    const std::string own = lower(host);
    return given == "http://" + own || given == "https://" + own;
}

std::string Access::openSession() {
    if (sodium_init() < 0)
        return {};
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    char hex[sizeof bytes * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, bytes, sizeof bytes);
    if (m_sessions.size() >= kMaxSessions) {
        const auto oldest =
            std::min_element(m_sessions.begin(), m_sessions.end(),
                             [](const auto &a, const auto &b) { return a.second < b.second; });
        m_sessions.erase(oldest);
    }
    m_sessions[hex] = m_now();
    return hex;
}

std::string Access::sessionOf(std::optional<std::string_view> cookieHeader) {
    if (!cookieHeader)
        return {};
    std::string_view rest = *cookieHeader;
    while (!rest.empty()) {
        const std::size_t end = rest.find(';');
        std::string_view pair = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        while (!pair.empty() && pair.front() == ' ')
            pair.remove_prefix(1);
        const std::size_t equals = pair.find('=');
        if (equals != std::string_view::npos && pair.substr(0, equals) == kCookie)
            return std::string(pair.substr(equals + 1));
    }
    return {};
}

bool Access::sessionValid(std::optional<std::string_view> cookieHeader) {
    const std::string token = sessionOf(cookieHeader);
    if (token.empty())
        return false;
    const auto found = m_sessions.find(token);
    if (found == m_sessions.end())
        return false;
    const Clock::time_point now = m_now();
    if (now - found->second > kSessionIdle) {
        m_sessions.erase(found);
        return false;
    }
    found->second = now;
    return true;
}

void Access::closeSession(const std::string &token) {
    m_sessions.erase(token);
}

std::vector<std::string> Access::expireSessions() {
    const Clock::time_point now = m_now();
    std::vector<std::string> gone;
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        if (now - it->second > kSessionIdle) {
            gone.push_back(it->first);
            it = m_sessions.erase(it);
        } else {
            ++it;
        }
    }
    forgetOldFailures(now);
    return gone;
}

void Access::forgetOldFailures(Clock::time_point now) {
    for (auto it = m_failures.begin(); it != m_failures.end();) {
        std::erase_if(it->second, [&](Clock::time_point t) { return now - t >= kFailureWindow; });
        it = it->second.empty() ? m_failures.erase(it) : std::next(it);
    }
}

std::optional<long long> Access::loginRetryAfter(const std::string &address) {
    const auto found = m_failures.find(address);
    if (found == m_failures.end())
        return std::nullopt;
    const Clock::time_point now = m_now();
    std::vector<Clock::time_point> &times = found->second;
    std::erase_if(times, [&](Clock::time_point t) { return now - t >= kFailureWindow; });
    if (times.size() < static_cast<std::size_t>(kFailureLimit))
        return std::nullopt;
    // Blocked until the oldest failure that makes up the count leaves the window.
    const auto left = times[times.size() - kFailureLimit] + kFailureWindow - now;
    return std::max<long long>(1, std::chrono::ceil<std::chrono::seconds>(left).count());
}

void Access::loginFailed(const std::string &address) {
    const Clock::time_point now = m_now();
    if (m_failures.size() >= kMaxTrackedAddresses && !m_failures.count(address))
        forgetOldFailures(now);
    if (m_failures.size() >= kMaxTrackedAddresses && !m_failures.count(address))
        m_failures.erase(m_failures.begin()); // a flood of addresses: forget one rather than grow
    std::vector<Clock::time_point> &times = m_failures[address];
    times.push_back(now);
    if (times.size() > static_cast<std::size_t>(kFailureLimit))
        times.erase(times.begin());
}

} // namespace web
