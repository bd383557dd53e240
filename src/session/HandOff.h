#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace session {

// The owner's thread as other threads see it: a call posted here runs there, later, in the order
// posted. The console posts through Qt's event loop, korvex-ctl through its own loop, korvexd through
// Asio. A call that is dropped without running (its loop ended) is destroyed all the same.
class IHandOff {
public:
    virtual ~IHandOff() = default;
    // Any thread; never runs the call inside post.
    virtual void post(std::function<void()> call) = 0;
};

// One transport's calls to its owner's thread. Its worker posts reports here, or posts and waits until
// the owner has handled them (received bytes: the worker reads nothing more meanwhile, so bytes are
// handled in order and a flood cannot pile up). When the owner closes the transport it abandons the
// channel: calls posted before and not yet run are dropped, and a waiting worker is released, so the
// transport can stop its worker anywhere on the owner's thread, even inside one of its own calls.
class HandOffChannel {
public:
    explicit HandOffChannel(IHandOff &handOff);
    ~HandOffChannel();
    HandOffChannel(const HandOffChannel &) = delete;
    HandOffChannel &operator=(const HandOffChannel &) = delete;

    // Worker: runs `call` on the owner's thread unless the channel is abandoned first.
    void post(std::function<void()> call);
    // Worker: the same, and waits until the call has run, or was abandoned (false) or dropped.
    bool postAndWait(std::function<void()> call);
    // Owner's thread: drops every call not yet run and releases every waiting worker. Calls posted
    // afterwards run again.
    void abandon();
    // True while a worker waits in postAndWait for a call that is posted and not finished yet.
    bool waiting() const;

private:
    struct Shared;
    struct Ticket;
    struct Finish;
    std::uint64_t generation() const;
    static bool current(const Shared &shared, std::uint64_t generation);
    static void uncount(Shared &shared, Ticket &ticket);

    IHandOff &m_handOff;
    std::shared_ptr<Shared> m_shared;
};

} // namespace session
