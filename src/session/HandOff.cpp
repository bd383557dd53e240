#include "session/HandOff.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace session {

// Shared with the posted calls, which may outlive the channel in the owner's queue.
struct HandOffChannel::Shared {
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t generation = 0; // bumped by abandon: calls of older generations do not run
    unsigned waiting = 0;         // waited-for calls posted and not finished, their worker still waiting
};

// One waited-for call, under the shared lock: whether it finished, and whether it is counted as waiting.
struct HandOffChannel::Ticket {
    bool finished = false;
    bool counted = false;
};

// Marks a waited-for call finished when the posted closure goes, whether it ran or was dropped unrun.
// The waiter is woken after the lock is let go, so that it does not wake only to wait for the lock.
struct HandOffChannel::Finish {
    Finish(std::shared_ptr<Shared> shared, std::shared_ptr<Ticket> ticket)
        : shared(std::move(shared)), ticket(std::move(ticket)) {}
    Finish(const Finish &) = delete;
    Finish &operator=(const Finish &) = delete;
    ~Finish() {
        {
            std::lock_guard<std::mutex> guard(shared->mutex);
            ticket->finished = true;
            uncount(*shared, *ticket);
        }
        shared->changed.notify_all();
    }
    std::shared_ptr<Shared> shared;
    std::shared_ptr<Ticket> ticket;
};

HandOffChannel::HandOffChannel(IHandOff &handOff)
    : m_handOff(handOff), m_shared(std::make_shared<Shared>()) {}

HandOffChannel::~HandOffChannel() {
    abandon();
}

std::uint64_t HandOffChannel::generation() const {
    std::lock_guard<std::mutex> guard(m_shared->mutex);
    return m_shared->generation;
}

// The generation is bumped only on the owner's thread, where the call runs: no race between the check
// and the call.
bool HandOffChannel::current(const Shared &shared, std::uint64_t generation) {
    std::lock_guard<std::mutex> guard(shared.mutex);
    return generation == shared.generation;
}

void HandOffChannel::uncount(Shared &shared, Ticket &ticket) {
    if (ticket.counted) {
        ticket.counted = false;
        --shared.waiting;
    }
}

void HandOffChannel::post(std::function<void()> call) {
    m_handOff.post([shared = m_shared, generation = generation(), call = std::move(call)] {
        if (current(*shared, generation))
            call();
    });
}

bool HandOffChannel::postAndWait(std::function<void()> call) {
    auto ticket = std::make_shared<Ticket>();
    const std::uint64_t generation = this->generation();
    m_handOff.post([shared = m_shared, generation, finish = std::make_shared<Finish>(m_shared, ticket),
                    call = std::move(call)]() mutable {
        if (current(*shared, generation))
            call();
        finish.reset();
    });
    // Counted as waiting once posted, until the call has finished or the worker leaves: whoever sees a
    // waiting worker may drop the hand-off, and sees no worker whose call was handled already.
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    if (!ticket->finished && generation == m_shared->generation) {
        ticket->counted = true;
        ++m_shared->waiting;
    }
    m_shared->changed.wait(lock, [&] { return ticket->finished || generation != m_shared->generation; });
    uncount(*m_shared, *ticket);
    return generation == m_shared->generation;
}

void HandOffChannel::abandon() {
    {
        std::lock_guard<std::mutex> guard(m_shared->mutex);
        ++m_shared->generation;
    }
    m_shared->changed.notify_all();
}

bool HandOffChannel::waiting() const {
    std::lock_guard<std::mutex> guard(m_shared->mutex);
    return m_shared->waiting > 0;
}

} // namespace session
