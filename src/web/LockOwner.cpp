#include "web/LockOwner.h"

namespace web {

namespace {

constexpr std::string_view kPanelAt = " (panel at ";

} // namespace

std::string LockOwner::panelOwner(std::string_view user, std::string_view address) {
    return std::string(user) + std::string(kPanelAt) + std::string(address) + ")";
}

LockOwner LockOwner::parse(std::string_view owner) {
    const std::size_t at = owner.rfind(kPanelAt);
    if (at == std::string_view::npos || owner.empty() || owner.back() != ')')
        return {Kind::Router, std::string(owner), {}};
    const std::size_t from = at + kPanelAt.size();
    return {Kind::Panel, std::string(owner.substr(0, at)),
            std::string(owner.substr(from, owner.size() - 1 - from))};
}

} // namespace web
