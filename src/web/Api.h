#pragma once

#include "share/SharedLine.h"
#include "store/Store.h"
#include "web/ApiJson.h"
#include "web/ChangeWaiter.h"
#include "web/HttpMessage.h"

#include <functional>
#include <string>
#include <vector>

namespace web {

// The JSON API under /api/ (docs/api.md) once access has been granted: the devices and their state,
// routing, names, presets, locks, multiview and activity. A change for the switcher is checked whole,
// built with the protocol's command builders, put on the shared line as one unit of a panel client
// that lasts as long as the request (so the activity credits the panel user with what the switcher
// confirms, and not with a front-panel change that comes later) and answered when the model shows the
// switcher confirmed it, or with 504 after the time allowed. Names, presets and locks go through the store.
class Api {
public:
    using Reply = std::function<void(HttpResponse)>;
    static constexpr int kConfirmMs = 3000;

    Api(share::SharedLine &line, store::Store &store, ChangeWaiter &waiter, std::string lineName,
        std::function<Json()> devicesJson);
    Api(const Api &) = delete;
    Api &operator=(const Api &) = delete;

    // `segments`: the path split at "/" ("api", "devices", "01", ...); `body` is null for a request
    // without one. `reply` is called once, maybe later.
    void handle(const std::string &method, const std::vector<std::string> &segments, const std::string &query,
                const Json &body, const store::Actor &who, const Reply &reply);

private:
    struct Route {
        int output = 0;
        int input = 0;
    };

    void routes(int device, const Json &body, const store::Actor &who, const Reply &reply);
    void multiview(int device, const Json &body, const store::Actor &who, const Reply &reply);
    void recall(int device, store::PresetId id, const store::Actor &who, const Reply &reply);
    void savePreset(int device, const Json &body, const store::Actor &who, const Reply &reply);
    void renamePreset(int device, store::PresetId id, const Json &body, const store::Actor &who,
                      const Reply &reply);
    void setName(int device, bool input, int number, const Json &body, const store::Actor &who,
                 const Reply &reply);
    void patchNames(int device, const Json &body, const store::Actor &who, const Reply &reply);
    void setLock(int device, int output, const Json &body, const store::Actor &who, const Reply &reply);
    void activity(int device, const std::string &query, const Reply &reply);

    // Why nothing can go to the switcher now (503), or empty.
    std::string cannotSend() const;
    std::string lockedMessage(int device, int output) const;
    // The commands for the routes, outputs taking the same input together.
    std::string routeCommands(int device, const std::vector<Route> &routes) const;
    // Puts the commands on the line for the user and answers `confirmed()` once `check` holds.
    void sendAndWait(int device, const std::string &commands, const store::Actor &who,
                     ChangeWaiter::Check check, std::function<HttpResponse()> confirmed, const Reply &reply);
    HttpResponse storeFailure(const store::StoreResult &result, int refusedStatus) const;

    share::SharedLine &m_line;
    store::Store &m_store;
    ChangeWaiter &m_waiter;
    std::string m_lineName;
    std::function<Json()> m_devicesJson;
};

} // namespace web
