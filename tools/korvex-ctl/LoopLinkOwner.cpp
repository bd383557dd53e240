#include "LoopLinkOwner.h"

#include <vector>

void LoopLinkOwner::OnLinkBytes(const uint8_t *data, std::size_t size, unsigned port) {
    (void)port;
    if (!data || size == 0)
        return;
    // The delivery owns its copy: a close inside it releases this worker while it still runs.
    m_loop.callAndWait([this, bytes = std::vector<std::uint8_t>(data, data + size)] {
        m_deliver(bytes.data(), bytes.size());
    });
}
