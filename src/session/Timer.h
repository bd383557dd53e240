#pragma once

namespace session {

// A single-shot or repeating timer that the owner's event loop runs; the owner calls back into the
// class that started it. Lets the state machines of the session be driven by hand in tests.
class ITimer {
public:
    virtual ~ITimer() = default;
    // (Re)starts the timer with this period; it fires every period until stopped.
    virtual void start(int milliseconds) = 0;
    virtual void stop() = 0;
    virtual bool active() const = 0;
};

} // namespace session
