#pragma once

#include "share/LineArbiter.h"
#include "store/ActivityEntry.h"

#include <map>

namespace share {

// Everyone whose units reach the shared line, by the id their units carry, so that what the devices
// answer can be credited to who asked: a client of the switchers' protocol, a web panel user, a
// router-protocol client. Id 0 is korvexd itself: what its polling finds is the device's own doing.
class ClientDirectory {
public:
    ClientId add(store::Actor who);
    void remove(ClientId id);
    // Who a client is; korvexd's own id and ids no longer known are the device.
    store::Actor who(ClientId id) const;

private:
    std::map<ClientId, store::Actor> m_clients;
    ClientId m_next = 1;
};

} // namespace share
