#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace web {

// Who may use the web panel: the password (a libsodium crypto_pwhash_str hash), the sessions of those
// who logged in, the count of wrong passwords per address, and the names a request's Host may give
// (so that a page on another name that resolves here, DNS rebinding, reaches nothing) and the
// Origin a change may come from. Sessions live in memory only. Runs on korvexd's loop; checking a
// password is slow and thread-safe, so it may run elsewhere.
class Access {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::hours kSessionIdle{12};
    static constexpr std::chrono::minutes kFailureWindow{5};
    static constexpr int kFailureLimit = 5;
    static constexpr std::size_t kMaxSessions = 1024;
    static constexpr std::size_t kMaxTrackedAddresses = 4096;
    static constexpr const char *kCookie = "korvex_session";

    // `hostNames`: names besides IP literals and "localhost" that reach korvexd (the --http host,
    // this machine's name); compared without case.
    Access(std::string passwordHash, std::vector<std::string> hostNames,
           std::function<Clock::time_point()> now = &Clock::now);

    bool passwordSet() const { return !m_hash.empty(); }
    // True when the password matches the hash. Slow (tens of milliseconds) and safe on any thread.
    bool passwordMatches(const std::string &password) const;

    // Whether the Host header names korvexd itself: an IPv4 or bracketed IPv6 literal, localhost or
    // one of the host names, each with any port.
    bool hostAllowed(std::string_view host) const;
    // Whether a request's Origin (absent: a tool, not a browser) is the panel's own.
    static bool originAllowed(std::optional<std::string_view> origin, std::string_view host);

    // A new session's token (64 hex digits); the oldest session goes beyond the limit.
    std::string openSession();
    // True when the Cookie header holds a live session, which then counts as used now.
    bool sessionValid(std::optional<std::string_view> cookieHeader);
    // The session token the Cookie header names (live or not), or empty.
    static std::string sessionOf(std::optional<std::string_view> cookieHeader);
    void closeSession(const std::string &token);
    // Forgets sessions unused for too long and returns their tokens.
    std::vector<std::string> expireSessions();
    std::size_t sessions() const { return m_sessions.size(); }

    // Seconds until this address may try a password again, or std::nullopt when it may now.
    std::optional<long long> loginRetryAfter(const std::string &address);
    void loginFailed(const std::string &address);

private:
    void forgetOldFailures(Clock::time_point now);

    std::string m_hash;
    std::vector<std::string> m_hostNames;
    std::function<Clock::time_point()> m_now;
    std::map<std::string, Clock::time_point> m_sessions; // token -> last use
    std::map<std::string, std::vector<Clock::time_point>> m_failures;
};

} // namespace web
