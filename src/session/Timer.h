#pragma once

#include <functional>
#include <memory>

namespace session {

// A repeating timer that the owner's event loop runs; each period's end calls back into the class
// that started it. Lets the state machines of the session be driven by hand in tests.
class ITimer {
public:
    virtual ~ITimer() = default;
    // (Re)starts the timer with this period; it fires every period until stopped.
    virtual void start(int milliseconds) = 0;
    virtual void stop() = 0;
    virtual bool active() const = 0;
};

// Makes a timer on the owner's loop that calls `onTimeout` on that loop's thread.
using TimerFactory = std::function<std::unique_ptr<ITimer>(std::function<void()> onTimeout)>;

} // namespace session
