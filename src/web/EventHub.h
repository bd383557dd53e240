#pragma once

#include "share/SharedLine.h"
#include "store/Store.h"
#include "web/ApiJson.h"
#include "web/DeviceWatch.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace web {

// One open events socket as the hub sees it.
class IEventClient {
public:
    virtual ~IEventClient() = default;
    // One message (a JSON text) to send; the same text goes to every client.
    virtual void sendEvent(std::shared_ptr<const std::string> message) = 0;
    // The session the socket was opened with ended: close with this code.
    virtual void endEvents(int code) = 0;
};

// The events socket's content (docs/api.md, "Live events"): a snapshot for each new client, then
// every change of the line, the devices' answering, their state, names, locks, presets and activity
// as it happens. Each message is written once and shared by all clients.
class EventHub : private session::IDeviceModelObserver, private share::ISharedLineListener {
public:
    static constexpr int kSessionEnded = 4001;
    static constexpr std::size_t kSnapshotActivity = 50;

    EventHub(share::SharedLine &line, store::Store &store, DeviceWatch &watch, std::string lineName,
             bool login);
    ~EventHub() override;
    EventHub(const EventHub &) = delete;
    EventHub &operator=(const EventHub &) = delete;

    // A new client (opened under `session`, empty without a password) gets the snapshot at once.
    void join(IEventClient *client, std::string session);
    void leave(IEventClient *client);
    // Closes the sockets of a session that ended.
    void endSession(const std::string &session);
    std::size_t clients() const { return m_clients.size(); }

    Json snapshot() const;
    Json lineJson() const;
    Json devicesJson() const;

private:
    struct Client {
        IEventClient *client;
        std::string session;
    };

    void onDeviceChanged(std::uint8_t device, session::DeviceMembers changed) override;
    void onDeviceCleared(std::uint8_t device) override;
    void onLineStatus(const session::LineStatus &status) override;
    void onStoreChange(const store::StoreChange &change);
    bool configured(int device) const;
    void broadcast(const Json &message);

    share::SharedLine &m_line;
    store::Store &m_store;
    DeviceWatch &m_watch;
    std::string m_lineName;
    bool m_login;
    int m_storeObserver = 0;
    std::vector<Client> m_clients;
    std::string m_lastLine; // the line message last sent, to send only changes
};

} // namespace web
