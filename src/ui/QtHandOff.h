#pragma once

#include "session/HandOff.h"

#include <functional>

class QObject;

namespace ui {

// The thread that makes it (the console window's) as a hand-off: calls posted from any thread run in
// its event loop, in order. Calls still queued when it is destroyed are dropped unrun, which releases
// any worker waiting for them; close the transports that post here before it goes.
class QtHandOff : public session::IHandOff {
public:
    QtHandOff();
    ~QtHandOff() override;
    QtHandOff(const QtHandOff &) = delete;
    QtHandOff &operator=(const QtHandOff &) = delete;

    void post(std::function<void()> call) override;

private:
    QObject *m_target; // lives on the making thread; its queued calls go with it
};

} // namespace ui
