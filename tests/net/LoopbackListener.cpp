#include "LoopbackListener.h"

#include "net/Socket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using Handle = SOCKET;
static void closeHandle(Handle handle) {
    ::closesocket(handle);
}
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using Handle = int;
static void closeHandle(Handle handle) {
    ::close(handle);
}
#endif

LoopbackListener::LoopbackListener(int backlog) {
    net::SocketError error;
    if (!net::Socket::startUp(error))
        return;
    const Handle handle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto *raw = reinterpret_cast<sockaddr *>(&address);
    if (::bind(handle, raw, sizeof address) != 0 || ::listen(handle, backlog) != 0 ||
        ::getsockname(handle, raw, &length) != 0) {
        closeHandle(handle);
        return;
    }
    m_handle = static_cast<std::intptr_t>(handle);
    m_port = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() {
    close();
}

void LoopbackListener::close() {
    if (m_handle != -1)
        closeHandle(static_cast<Handle>(m_handle));
    m_handle = -1;
}
