#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace testsupport {

struct HttpAnswer {
    int status = 0;                             // 0: no answer
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
};

// One HTTP request to a loopback port on its own connection; the raw text is sent as it is, and the
// first answer is read up to its Content-Length.
HttpAnswer httpRoundTrip(std::uint16_t port, const std::string &raw);

} // namespace testsupport
