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
    unsigned waiting = 0;
};

namespace {

// Marks a waited-for call finished when the posted closure goes, whether it ran or was dropped unrun.
struct Finish {
    Finish(std::shared_ptr<bool> flag, std::mutex &lock, std::condition_variable &signal, std::shared_ptr<void> owner)
        : finished(std::move(flag)), mutex(&lock), changed(&signal), keepAlive(std::move(owner)) {}
    Finish(const Finish &) = delete;
    Finish &operator=(const Finish &) = delete;
    std::shared_ptr<bool> finished;
    std::mutex *mutex;
    std::condition_variable *changed;
    std::shared_ptr<void> keepAlive;
    ~Finish() {
        std::lock_guard<std::mutex> guard(*mutex);
        *finished = true;
        changed->notify_all();
    }
};

} // namespace

HandOffChannel::HandOffChannel(IHandOff &handOff) : m_handOff(handOff), m_shared(std::make_shared<Shared>()) {}

HandOffChannel::~HandOffChannel() {
    abandon();
}

void HandOffChannel::post(std::function<void()> call) {
    std::uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> guard(m_shared->mutex);
        generation = m_shared->generation;
    }
    // The generation is bumped only on the owner's thread, where the call runs: no race between the
    // check and the call.
    m_handOff.post([shared = m_shared, generation, call = std::move(call)] {
        {
            std::lock_guard<std::mutex> guard(shared->mutex);
            if (generation != shared->generation)
                return;
        }
        call();
    });
}

bool HandOffChannel::postAndWait(std::function<void()> call) {
    auto finished = std::make_shared<bool>(false);
    std::uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> guard(m_shared->mutex);
        generation = m_shared->generation;
        ++m_shared->waiting;
    }
    auto finish = std::make_shared<Finish>(finished, m_shared->mutex, m_shared->changed, m_shared);
    post([finish = std::move(finish), call = std::move(call)]() mutable {
        call();
        finish.reset();
    });
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->changed.wait(lock, [&] { return *finished || generation != m_shared->generation; });
    --m_shared->waiting;
    return generation == m_shared->generation;
}

void HandOffChannel::abandon() {
    std::lock_guard<std::mutex> guard(m_shared->mutex);
    ++m_shared->generation;
    m_shared->changed.notify_all();
}

bool HandOffChannel::waiting() const {
    std::lock_guard<std::mutex> guard(m_shared->mutex);
    return m_shared->waiting > 0;
}

} // namespace session
