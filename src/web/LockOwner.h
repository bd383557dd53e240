#pragma once

#include <string>
#include <string_view>

namespace web {

// Who holds an output, as the web panel shows it. The store keeps a lock's owner as one text; the
// panel's locks are written "<user> (panel at <address>)" so that the activity reads well, and any
// other owner is a router-protocol client, named by its text.
struct LockOwner {
    enum class Kind { Panel, Router };
    Kind kind = Kind::Router;
    std::string label;
    std::string address;

    // The store's owner text for a lock taken from the panel.
    static std::string panelOwner(std::string_view user, std::string_view address);
    // The owner text read back.
    static LockOwner parse(std::string_view owner);
};

} // namespace web
