#include "net/Socket.h"

#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif
// mstcpip.h (the keep-alive times) needs the Winsock headers before it.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <mstcpip.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <string>

// The socket is in WSAEventSelect mode (which also makes it non-blocking): its network events set one
// event, and the wake-up signal is a second one; wait() sleeps on both. Winsock reports FD_READ,
// FD_WRITE and FD_CONNECT once each until the next recv, the next send that would block, or the
// next connect, so what WSAEnumNetworkEvents returned is kept here until the worker asks for it.
namespace net {
namespace {

// Keep-alive probes start after this long idle, so a switcher unplugged from the network is noticed
// within about half a minute rather than the system's two hours.
constexpr ULONG kKeepIdleMs = 10000;
constexpr ULONG kKeepIntervalMs = 3000;

SOCKET handle(std::uintptr_t value) {
    return static_cast<SOCKET>(value);
}

std::string systemText(int code) {
    char buffer[256] = {};
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                    static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == '.'))
        text.pop_back();
    if (text.empty())
        return "socket error " + std::to_string(code);
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

SocketError errorFor(int code) {
    switch (code) {
    case 0:
        return {};
    case WSAECONNREFUSED:
        return {SocketError::Refused, {}};
    case WSAETIMEDOUT:
        return {SocketError::TimedOut, {}};
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAENETDOWN:
        return {SocketError::Unreachable, {}};
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA:
    case WSANO_RECOVERY:
        return {SocketError::NoSuchHost, {}};
    default:
        return {SocketError::Other, systemText(code)};
    }
}

template <typename T> void setOption(SOCKET socket, int level, int name, T value) {
    // A socket that refuses one of these still works: the option only makes it better.
    (void)::setsockopt(socket, level, name, reinterpret_cast<const char *>(&value), sizeof value);
}

} // namespace

Socket::Socket() : m_socket(static_cast<std::uintptr_t>(INVALID_SOCKET)) {}

Socket::~Socket() {
    close();
    if (m_signal)
        ::CloseHandle(m_signal);
    if (m_socketEvent)
        ::WSACloseEvent(m_socketEvent);
}

bool Socket::systemStartUp(SocketError &error) {
    static const int result = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (result != 0)
        error = errorFor(result);
    return result == 0;
}

std::vector<Socket::Address> Socket::resolve(const std::string &host, std::uint16_t port,
                                             SocketError &error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *list = nullptr;
    const int code = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (code != 0) {
        error = errorFor(code);
        return {};
    }
    std::vector<Address> addresses;
    for (const addrinfo *entry = list; entry; entry = entry->ai_next) {
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(entry->ai_addr);
        addresses.push_back({entry->ai_family, {bytes, bytes + entry->ai_addrlen}});
    }
    ::freeaddrinfo(list);
    if (addresses.empty())
        error = {SocketError::NoSuchHost, {}};
    return addresses;
}

bool Socket::createSignal() {
    if (!m_signal)
        m_signal = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_socketEvent) {
        WSAEVENT event = ::WSACreateEvent();
        m_socketEvent = event == WSA_INVALID_EVENT ? nullptr : event;
    }
    return m_signal && m_socketEvent;
}

bool Socket::raiseSignal() {
    return ::SetEvent(m_signal) != 0;
}

void Socket::takeSignal() {
    ::ResetEvent(m_signal);
}

Socket::Connect Socket::connect(const Address &address, SocketError &error) {
    close();
    const SOCKET socket = ::socket(address.family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) {
        error = errorFor(::WSAGetLastError());
        return Connect::Failed;
    }
    m_socket = static_cast<std::uintptr_t>(socket);
    // Programs the console starts do not inherit the connection.
    ::SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
    setOption<BOOL>(socket, IPPROTO_TCP, TCP_NODELAY, TRUE);
    setOption<BOOL>(socket, SOL_SOCKET, SO_KEEPALIVE, TRUE);
    tcp_keepalive keepAlive{};
    keepAlive.onoff = 1;
    keepAlive.keepalivetime = kKeepIdleMs;
    keepAlive.keepaliveinterval = kKeepIntervalMs;
    DWORD returned = 0;
    (void)::WSAIoctl(socket, SIO_KEEPALIVE_VALS, &keepAlive, sizeof keepAlive, nullptr, 0, &returned, nullptr,
                     nullptr);
    if (::WSAEventSelect(socket, m_socketEvent, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE) != 0) {
        error = errorFor(::WSAGetLastError());
        close();
        return Connect::Failed;
    }
    const auto *target = reinterpret_cast<const sockaddr *>(address.bytes.data());
    if (::connect(socket, target, static_cast<int>(address.bytes.size())) == 0)
        return Connect::Done;
    const int code = ::WSAGetLastError();
    if (code == WSAEWOULDBLOCK)
        return Connect::InProgress;
    error = errorFor(code);
    close();
    return Connect::Failed;
}

SocketError Socket::connectResult() {
    return errorFor(m_connectError);
}

bool Socket::isOpen() const {
    return handle(m_socket) != INVALID_SOCKET;
}

void Socket::close() {
    if (isOpen())
        ::closesocket(handle(m_socket));
    m_socket = static_cast<std::uintptr_t>(INVALID_SOCKET);
    if (m_socketEvent)
        ::WSAResetEvent(m_socketEvent);
    m_readReady = m_writeReady = m_closedSeen = false;
    m_connectError = 0;
}

void Socket::collectEvents() {
    WSANETWORKEVENTS events{};
    if (::WSAEnumNetworkEvents(handle(m_socket), m_socketEvent, &events) != 0)
        return;
    if (events.lNetworkEvents & FD_READ)
        m_readReady = true;
    if (events.lNetworkEvents & FD_WRITE)
        m_writeReady = true;
    if (events.lNetworkEvents & FD_CONNECT) {
        m_writeReady = true;
        m_connectError = events.iErrorCode[FD_CONNECT_BIT];
    }
    if (events.lNetworkEvents & FD_CLOSE) {
        // Whatever arrived before the close is still to be read; the read then finds the end.
        m_closedSeen = m_readReady = true;
        m_connectError = events.iErrorCode[FD_CLOSE_BIT];
    }
}

Socket::Io Socket::read(std::uint8_t *buffer, std::size_t capacity) {
    // Each recv lets Winsock report FD_READ again while bytes remain.
    m_readReady = false;
    const int n = ::recv(handle(m_socket), reinterpret_cast<char *>(buffer),
                         static_cast<int>(std::min<std::size_t>(capacity, INT_MAX)), 0);
    if (n > 0)
        return {Io::Ok, static_cast<std::size_t>(n), {}};
    if (n == 0)
        return {Io::Closed, 0, {}};
    const int code = ::WSAGetLastError();
    if (code == WSAEWOULDBLOCK)
        return m_closedSeen ? Io{Io::Closed, 0, {}} : Io{Io::WouldBlock, 0, {}};
    return {Io::Failed, 0, errorFor(code)};
}

Socket::Io Socket::write(const std::uint8_t *data, std::size_t size) {
    const int n = ::send(handle(m_socket), reinterpret_cast<const char *>(data),
                         static_cast<int>(std::min<std::size_t>(size, INT_MAX)), 0);
    if (n != SOCKET_ERROR)
        return {Io::Ok, static_cast<std::size_t>(n), {}};
    const int code = ::WSAGetLastError();
    if (code == WSAEWOULDBLOCK) {
        // FD_WRITE comes once there is room again.
        m_writeReady = false;
        return {Io::WouldBlock, 0, {}};
    }
    return {Io::Failed, 0, errorFor(code)};
}

Socket::Wake Socket::wait(bool wantRead, bool wantWrite, int timeoutMs) {
    const bool open = isOpen();
    const bool pending = open && ((wantRead && m_readReady) || (wantWrite && m_writeReady) || m_closedSeen);
    HANDLE handles[2] = {m_signal, m_socketEvent};
    const DWORD result = ::WaitForMultipleObjects(open ? 2 : 1, handles, FALSE,
                                                  pending         ? 0
                                                  : timeoutMs < 0 ? INFINITE
                                                                  : timeoutMs);
    Wake wake;
    if (result == WAIT_FAILED) {
        wake.failed = true;
        wake.error = errorFor(static_cast<int>(::GetLastError()));
        return wake;
    }
    wake.signalled = ::WaitForSingleObject(m_signal, 0) == WAIT_OBJECT_0;
    if (open) {
        collectEvents();
        wake.readable = wantRead && m_readReady;
        wake.writable = wantWrite && m_writeReady;
        wake.hangUp = m_closedSeen;
    }
    wake.timedOut =
        result == WAIT_TIMEOUT && !wake.signalled && !wake.readable && !wake.writable && !wake.hangUp;
    return wake;
}

} // namespace net
