#pragma once

#include "DeviceState.h"
#include "session/ReplySink.h"

// Fills a DeviceState from the decoded reply records, as the console's pages take them: each record
// sets what it carries; a value out of its range clears it (the console leaves that control without
// a selection).
class StateCollector : public session::IReplySink {
public:
    void OnReply(const protocol::Reply &reply) override;

    const DeviceState &state() const { return m_state; }
    // Reply records applied so far.
    int replies() const { return m_replies; }

private:
    DeviceState m_state;
    int m_replies = 0;
};
