#pragma once

#include "EventLoop.h"
#include "serial/CComLink.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// The hand-off of a link's received bytes to korvex-ctl's loop thread: the worker copies each chunk,
// queues its delivery on the loop and waits until the loop has run it, so chunks are handled in
// order and one at a time. A link that closes (on the loop thread) abandons a delivery still queued,
// releasing its worker; the chunk is then dropped.
class LoopLinkOwner : public ILinkOwner {
public:
    using Deliver = std::function<void(const std::uint8_t *data, std::size_t size)>;

    LoopLinkOwner(EventLoop &loop, Deliver deliver) : m_loop(loop), m_deliver(std::move(deliver)) {}

    void OnLinkBytes(const uint8_t *data, std::size_t size, unsigned port) override;
    void PumpPending() override { m_loop.abandonPending(); }

private:
    EventLoop &m_loop;
    Deliver m_deliver;
};
