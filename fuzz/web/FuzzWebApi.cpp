// libFuzzer target for korvexd's HTTP request handling: any method, target, headers and body through
// the access checks, the cross-site rules, the panel's files and the JSON API, on an open panel and
// on one behind a password. Every request is answered exactly once, with a status korvexd uses and a
// JSON error body for every failure, and nothing a request sends makes the state grow without bound.
//
// Input: byte 0 picks the site (bit 0) and the method (the rest); then lines: the target, headers
// "name: value" up to an empty line, and the body.

#include "protocol/ReplyDecoder.h"
#include "share/AsioLoop.h"
#include "share/SharedLine.h"
#include "store/Store.h"
#include "web/Access.h"
#include "web/Api.h"
#include "web/ChangeWaiter.h"
#include "web/DeviceWatch.h"
#include "web/EventHub.h"
#include "web/PanelFiles.h"
#include "web/Site.h"

#include <sodium.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>

namespace {

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

const std::set<int> kStatuses = {200, 201, 204, 303, 304, 400, 401, 403, 404,
                                 405, 409, 413, 422, 429, 500, 503, 504};

struct World {
    boost::asio::io_context context;
    std::string folder;
    store::Store store;
    share::SharedLine line;
    session::TimerFactory timers = share::AsioTimer::factory(context);
    web::PanelFiles files;
    web::ChangeWaiter waiter{line.model(), timers};
    web::DeviceWatch watch{line.session(), line.model(), line.arbiter(), line.devices(), timers};
    web::EventHub hub{line, store, watch, "COM7", false};
    web::Api api{line, store, waiter, "COM7", [this] { return hub.devicesJson(); }};
    web::Access open{"", {"rack-pc"}};
    web::Access locked;
    web::Site openSite{open, api, hub, files, {}};
    web::Site lockedSite{locked, api, hub, files, {}};

    World()
        : folder(stateFolder()), store(folder),
          line(context, {share::SharedLine::Line::Kind::Serial, "COM7", 7}, {1, 5}, 0,
               [](const std::string &) {}),
          locked(passwordHash(), {"rack-pc"}) {
        store.load();
        store.deferActivity([] {}); // activity stays in memory: no file per input
        for (const char *reply : {"OUT1 VS IN2 ", "OUT2 VS IN10", "MVW MODE0", "QVW VS 1.2.3.4"})
            line.model().apply(1, protocol::decodeReply(reply));
    }

    static std::string stateFolder() {
        const std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        return base + "/fuzz-web-api-" + std::to_string(::getpid());
    }
    static std::string passwordHash() {
        char hash[crypto_pwhash_STRBYTES];
        check(sodium_init() >= 0);
        check(crypto_pwhash_str(hash, "pw", 2, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN) == 0);
        return hash;
    }
};

const char *const kMethods[] = {"GET", "POST", "PUT", "PATCH", "DELETE", "HEAD", "OPTIONS", "BREW"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static World *world = new World();
    if (size == 0)
        return 0;
    web::HttpRequest request;
    request.method = kMethods[(data[0] >> 1) % 8];
    request.peer = "10.0.0.12";
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    std::size_t at = text.find('\n');
    request.target = text.substr(0, at);
    while (at != std::string::npos) {
        const std::size_t next = text.find('\n', at + 1);
        const std::string line =
            text.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
        at = next;
        if (line.empty())
            break;
        const std::size_t colon = line.find(':');
        request.headers.emplace_back(line.substr(0, colon),
                                     colon == std::string::npos ? "" : line.substr(colon + 1));
    }
    if (at != std::string::npos)
        request.body = text.substr(at + 1);

    web::Site &site = (data[0] & 1) ? world->lockedSite : world->openSite;
    int answers = 0;
    site.handle(request, [&answers](const web::HttpResponse &response) {
        ++answers;
        check(kStatuses.count(response.status) == 1);
        if (response.status >= 400)
            check(response.body.rfind("{\"error\":\"", 0) == 0);
    });
    // Nothing is on the line, so nothing waits for the switcher: every answer is given at once.
    check(answers == 1);
    std::string session;
    const std::optional<web::HttpResponse> refusal = site.admitEvents(request, session);
    check(!refusal || kStatuses.count(refusal->status) == 1);
    check(world->waiter.waiting() == 0);
    check(world->open.sessions() == 0 && world->locked.sessions() <= web::Access::kMaxSessions);
    check(world->store.presets(1).size() <= static_cast<std::size_t>(store::kMaxPresets));
    return 0;
}
