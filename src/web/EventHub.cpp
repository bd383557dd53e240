#include "web/EventHub.h"

#include "session/DeviceStateJson.h"

#include <algorithm>

namespace web {

EventHub::EventHub(share::SharedLine &line, store::Store &store, DeviceWatch &watch, std::string lineName,
                   bool login)
    : m_line(line), m_store(store), m_watch(watch), m_lineName(std::move(lineName)), m_login(login) {
    m_line.model().addObserver(this);
    m_line.addListener(this);
    m_storeObserver =
        m_store.addObserver([this](const store::StoreChange &change) { onStoreChange(change); });
    m_watch.onChanged = [this] { broadcast({{"type", "devices"}, {"devices", devicesJson()}}); };
    m_lastLine = dumpJson(lineJson());
}

EventHub::~EventHub() {
    m_watch.onChanged = nullptr;
    m_store.removeObserver(m_storeObserver);
    m_line.removeListener(this);
    m_line.model().removeObserver(this);
}

Json EventHub::lineJson() const {
    return web::lineJson(m_line.status(), m_lineName);
}

Json EventHub::devicesJson() const {
    Json out = Json::array();
    for (std::uint8_t d : m_line.devices()) {
        const std::optional<bool> answering = m_watch.answering(d);
        out.push_back(
            {{"address", d}, {"id", deviceId(d)}, {"answering", answering ? Json(*answering) : Json()}});
    }
    return out;
}

Json EventHub::snapshot() const {
    Json states = Json::object();
    Json presets = Json::object();
    Json activity = Json::object();
    for (std::uint8_t d : m_line.devices()) {
        const std::string id = deviceId(d);
        states[id] = deviceJson(d, m_line.model().state(d), m_store);
        presets[id] = presetsJson(m_store.presets(d));
        const auto &entries = m_store.activity(d);
        Json list = Json::array();
        const std::size_t from = entries.size() > kSnapshotActivity ? entries.size() - kSnapshotActivity : 0;
        for (std::size_t i = from; i < entries.size(); ++i)
            list.push_back(activityJson(entries[i]));
        activity[id] = std::move(list);
    }
    return {{"type", "snapshot"}, {"login", m_login},   {"line", lineJson()},  {"devices", devicesJson()},
            {"states", states},   {"presets", presets}, {"activity", activity}};
}

void EventHub::join(IEventClient *client, std::string session) {
    m_clients.push_back({client, std::move(session)});
    client->sendEvent(std::make_shared<const std::string>(dumpJson(snapshot())));
}

void EventHub::leave(IEventClient *client) {
    std::erase_if(m_clients, [client](const Client &c) { return c.client == client; });
}

void EventHub::endSession(const std::string &session) {
    std::vector<IEventClient *> ending;
    for (const Client &c : m_clients)
        if (!session.empty() && c.session == session)
            ending.push_back(c.client);
    for (IEventClient *client : ending) {
        leave(client);
        client->endEvents(kSessionEnded);
    }
}

bool EventHub::configured(int device) const {
    const auto &devices = m_line.devices();
    return std::find(devices.begin(), devices.end(), device) != devices.end();
}

void EventHub::broadcast(const Json &message) {
    if (m_clients.empty())
        return;
    const auto text = std::make_shared<const std::string>(dumpJson(message));
    // A copy: a client that falls too far behind leaves while it is given the message.
    const std::vector<Client> clients = m_clients;
    for (const Client &c : clients)
        c.client->sendEvent(text);
}

void EventHub::onDeviceChanged(std::uint8_t device, session::DeviceMembers changed) {
    const session::DeviceState *state = m_line.model().state(device);
    if (!state || !configured(device) || m_clients.empty())
        return;
    broadcast({{"type", "state"}, {"address", device}, {"changes", session::toJson(*state, changed)}});
}

void EventHub::onDeviceCleared(std::uint8_t device) {
    if (configured(device))
        broadcast({{"type", "state"},
                   {"address", device},
                   {"changes", session::toJson(session::DeviceState{}, session::DeviceMembers::all())}});
}

void EventHub::onLineStatus(const session::LineStatus &) {
    const Json line = lineJson();
    std::string text = dumpJson(line);
    if (text == m_lastLine)
        return;
    m_lastLine = std::move(text);
    broadcast({{"type", "line"}, {"line", line}});
}

void EventHub::onStoreChange(const store::StoreChange &change) {
    const int d = change.device;
    if (!configured(d))
        return;
    switch (change.kind) {
    case store::StoreChange::Kind::InputName:
    case store::StoreChange::Kind::OutputName:
        broadcast({{"type", "names"}, {"address", d}, {"names", namesJson(m_store.names(d))}});
        return;
    case store::StoreChange::Kind::PresetSaved:
    case store::StoreChange::Kind::PresetRenamed:
    case store::StoreChange::Kind::PresetDeleted:
        broadcast({{"type", "presets"}, {"address", d}, {"presets", presetsJson(m_store.presets(d))}});
        return;
    case store::StoreChange::Kind::Lock:
        broadcast({{"type", "locks"}, {"address", d}, {"locks", locksJson(m_store.locks(d))}});
        return;
    case store::StoreChange::Kind::Activity: {
        const auto &entries = m_store.activity(d);
        const auto found = std::find_if(entries.rbegin(), entries.rend(),
                                        [&](const store::ActivityEntry &e) { return e.seq == change.seq; });
        if (found != entries.rend())
            broadcast(
                {{"type", "activity"}, {"address", d}, {"entries", Json::array({activityJson(*found)})}});
        return;
    }
    }
}

} // namespace web
