#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One HTTP request and its answer as the web panel's handlers see them: plain data, without the
// socket library, so that the handlers can be driven by a test or a fuzzer the same way as by the
// server.
namespace web {

struct HttpRequest {
    std::string method;                                       // "GET", "POST", ...
    std::string target;                                       // "/api/devices/01?limit=5", as sent
    std::vector<std::pair<std::string, std::string>> headers; // names in lower case, in order
    std::string body;
    std::string peer;    // the client's address without its port: "10.0.0.12", "::1"
    bool secure = false; // came over TLS

    // The first header of that name (lower case), or std::nullopt.
    std::optional<std::string_view> header(std::string_view name) const {
        for (const auto &[key, value] : headers)
            if (key == name)
                return value;
        return std::nullopt;
    }
};

struct HttpResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers; // beyond the ones every answer carries
    std::string body;
    bool noStore = true; // Cache-Control: no-store; the panel's files say no-cache instead

    void set(std::string name, std::string value) { headers.emplace_back(std::move(name), std::move(value)); }
};

} // namespace web
