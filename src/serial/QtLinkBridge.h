#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "serial/CComLink.h"

class QObject;

// Makes a link's received bytes arrive on a Qt thread: the thread of the receiver context, usually the
// console window's.
//
// Contract:
// - OnLinkBytes (worker thread) copies the chunk, posts it to the receiver's thread and blocks until
//   the handler has returned there, or until the hand-off is abandoned. Chunks are handled in order.
// - PumpPending (receiver's thread: CComLink calls it from Close, Open and its destructor while it
//   waits for its worker) abandons every hand-off in flight: the waiting worker returns at once, and
//   a chunk posted before but not yet handled is dropped when it comes up. So the link may be closed
//   anywhere on the receiver's thread, also from inside the handler or from a nested event loop that
//   the handler runs (a modal message box), without deadlock.
// - The handler works on its own copy of the chunk, valid for the whole call even when the link is
//   closed inside it; between bytes it checks whatever tells it to stop.
// - When the receiver context is destroyed, its chunks are dropped and their workers released.
// - The bridge must outlive the workers of the links it serves: close the link first.
class QtLinkBridge : public ILinkOwner {
public:
    using Handler = std::function<void(const uint8_t *data, std::size_t size, unsigned port)>;

    QtLinkBridge(QObject *receiverContext, Handler handler);
    ~QtLinkBridge() override;
    QtLinkBridge(const QtLinkBridge &) = delete;
    QtLinkBridge &operator=(const QtLinkBridge &) = delete;

    void OnLinkBytes(const uint8_t *data, std::size_t size, unsigned port) override;
    void PumpPending() override;

    // True while a worker waits in OnLinkBytes for its chunk (diagnostics and tests).
    bool HandOffInFlight() const;

private:
    struct Shared;
    struct Delivery;
    std::shared_ptr<Shared> m_shared;
};
