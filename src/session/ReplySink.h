#pragma once

#include "protocol/ReplyDecoder.h"

#include <string_view>

namespace session {

// A party that applies reply lines: a page, the multiview panel, a dialog, a command-line request.
// It registers with the session for as long as it must hear replies and applies the rows it owns;
// rows nobody owns are not acted on.
class IReplySink {
public:
    virtual ~IReplySink() = default;

    virtual void onReply(const protocol::Reply &reply) = 0;

    // The raw-line hook (the EDID capture): while a sink answers true here, each complete received
    // line is handed to it whole, CR LF included, and is neither decoded nor offered to other sinks.
    virtual bool takesRawLines() const { return false; }
    virtual void onRawLine(std::string_view line) { (void)line; }

    // The line closed or a device search started: whatever waited for a reply waits no longer.
    virtual void onLinkReset() {}
};

} // namespace session
