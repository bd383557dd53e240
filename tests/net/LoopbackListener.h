#pragma once

#include <cstdint>

// A TCP socket listening on 127.0.0.1 (any free port) that never accepts: a closed port once closed,
// and with backlog 0 and one connection waiting in it, a listener whose accept queue is full, so the
// system drops the next connection request unanswered.
class LoopbackListener {
public:
    explicit LoopbackListener(int backlog);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener &) = delete;
    LoopbackListener &operator=(const LoopbackListener &) = delete;

    bool listening() const { return m_handle != -1; }
    std::uint16_t port() const { return m_port; }
    void close();

private:
    std::intptr_t m_handle = -1;
    std::uint16_t m_port = 0;
};
