#include "share/ClientDirectory.h"

namespace share {

ClientId ClientDirectory::add(store::Actor who) {
    const ClientId id = m_next++;
    m_clients.emplace(id, std::move(who));
    return id;
}

void ClientDirectory::remove(ClientId id) {
    m_clients.erase(id);
}

store::Actor ClientDirectory::who(ClientId id) const {
    const auto found = m_clients.find(id);
    return found == m_clients.end() ? store::Actor{} : found->second;
}

} // namespace share
