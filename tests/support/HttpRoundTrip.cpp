#include "HttpRoundTrip.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

namespace testsupport {

HttpAnswer httpRoundTrip(std::uint16_t port, const std::string &raw) {
    HttpAnswer answer;
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval wait{10, 0};
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(s);
        return answer;
    }
    for (std::size_t sent = 0; sent < raw.size();) {
        const ssize_t n = ::send(s, raw.data() + sent, raw.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    std::string text;
    char buffer[4096];
    // Up to the end of the first answer: the header, then Content-Length bytes (a 101 has none).
    for (;;) {
        const std::size_t end = text.find("\r\n\r\n");
        if (end != std::string::npos) {
            const std::size_t length = text.find("Content-Length: ");
            const std::size_t need =
                length != std::string::npos && length < end ? std::stoul(text.substr(length + 16)) : 0;
            if (text.size() >= end + 4 + need)
                break;
        }
        const ssize_t n = ::recv(s, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(s);
    const std::size_t end = text.find("\r\n\r\n");
    if (text.rfind("HTTP/1.", 0) != 0 || end == std::string::npos)
        return answer;
    answer.status = std::atoi(text.c_str() + 9);
    std::size_t at = text.find("\r\n") + 2;
    while (at < end) {
        const std::size_t eol = text.find("\r\n", at);
        const std::string line = text.substr(at, eol - at);
        const std::size_t colon = line.find(':');
        std::string name = line.substr(0, colon);
        for (char &c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        answer.headers[name] = line.substr(colon + 2);
        at = eol + 2;
    }
    answer.body = text.substr(end + 4);
    return answer;
}

} // namespace testsupport
