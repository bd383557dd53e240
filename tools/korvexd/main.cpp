// korvexd: one line of Korvex switchers shared by every controller at once.

#include "Settings.h"
#include "serial/PortNaming.h"
#include "share/ActivityRecorder.h"
#include "share/ProtocolServer.h"
#include "share/SharedLine.h"
#include "store/Store.h"
#include "videohub/RouterEndpoint.h"
#include "web/WebPanel.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// Exit status when korvexd cannot start for a reason a restart may mend (a listener's address in use).
constexpr int kExitCannotStart = 2;

void logLine(const std::string &message) {
    std::fprintf(stderr, "korvexd: %s\n", message.c_str());
    std::fflush(stderr);
}

// A device path is kept as given (made absolute, its links not resolved) as the one entry of the device
// table: a device missing at start is then waited for like one that dropped, and a
// /dev/serial/by-id/... link finds its adapter again under whatever ttyUSB number it returns as. A path
// that does not end in its number is taken as the device it leads to now.
std::optional<unsigned> devicePathPort(const std::string &text, std::string &error) {
    std::error_code ec;
    const std::string path = std::filesystem::absolute(text, ec).lexically_normal().string();
    if (ec || path.empty() || path.back() < '0' || path.back() > '9')
        return serial::portNumberFor(text, error);
    // The table names a device by a prefix and a number: "/dev/ttyUSB1" is "/dev/ttyUSB" and 1.
    const unsigned index = static_cast<unsigned>(path.back() - '0');
    for (unsigned port = index + 1; port <= serial::kLastPort; ++port) {
        if (std::filesystem::exists(std::filesystem::symlink_status(serial::portName(port), ec)))
            continue;
        serial::setDeviceTable(
            serial::DeviceTable{{{port - index, index + 1, path.substr(0, path.size() - 1)}}});
        return port;
    }
    error = "every port number is taken by a COMn entry in this folder";
    return std::nullopt;
}

// The line as the settings name it, with the serial port number that reaches a device path.
bool lineOf(const korvexd::LineSetting &setting, share::SharedLine::Line &line, std::string &error) {
    line.name = setting.text;
    if (setting.kind == korvexd::LineSetting::Kind::Network) {
        line.kind = share::SharedLine::Line::Kind::Network;
        line.host = setting.endpoint.host;
        line.hostPort = setting.endpoint.port;
        line.name = setting.endpoint.text();
        return true;
    }
    const std::optional<unsigned> port = setting.kind == korvexd::LineSetting::Kind::DevicePath
                                             ? devicePathPort(setting.text, error)
                                             : serial::portNumberFor(setting.text, error);
    if (!port)
        return false;
    line.port = *port;
    return true;
}

} // namespace

int main(int argc, char **argv) {
    const korvexd::SettingsResult read =
        korvexd::readSettings(std::vector<std::string>(argv + 1, argv + argc));
    if (!read.ok()) {
        std::fprintf(stderr, "%s\n", read.error.c_str());
        return korvexd::kExitBadSetting;
    }
    const korvexd::Settings &settings = read.settings;
    switch (settings.action) {
    case korvexd::Settings::Action::Help:
        std::fputs(korvexd::helpText().c_str(), stdout);
        return 0;
    case korvexd::Settings::Action::Version:
        std::printf("%s\n", korvexd::versionText().c_str());
        return 0;
    case korvexd::Settings::Action::HashPassword:
        return korvexd::hashPassword(stdin, stdout, stderr);
    case korvexd::Settings::Action::Run:
        break;
    }

    // SIGINT and SIGTERM are taken from here on: one that comes while korvexd still starts waits in the
    // signal set and stops it cleanly once the loop runs.
    boost::asio::io_context context;
    boost::asio::signal_set signals(context, SIGINT, SIGTERM);

    share::SharedLine::Line line;
    std::string error;
    if (!lineOf(settings.line, line, error)) {
        std::fprintf(stderr, "korvexd: --line: %s: %s\n", settings.line.text.c_str(), error.c_str());
        return korvexd::kExitBadSetting;
    }

    // Names, presets, locks and activity: what the switchers do not keep themselves.
    store::Store store(settings.stateDir);
    for (const std::string &message : store.load())
        logLine(message);

    share::SharedLine shared(context, line, settings.devices, settings.pollSeconds, logLine);
    share::ActivityRecorder activity(shared.model(), shared.arbiter(), shared.clients(), store, logLine);
    share::ProtocolServer protocol(context, shared, settings.maxClients, logLine);
    if (!protocol.listen(settings.listen.host, settings.listen.port, error)) {
        std::fprintf(stderr, "korvexd: --listen: %s\n", error.c_str());
        return kExitCannotStart;
    }
    logLine("serving " + line.name + " on " + protocol.address());

    // Videohub router listeners: one per --videohub, each showing its device to control surfaces and
    // room controllers.
    std::vector<std::unique_ptr<videohub::RouterEndpoint>> videohubs;
    for (const korvexd::VideohubListener &listener : settings.videohubs) {
        auto endpoint =
            std::make_unique<videohub::RouterEndpoint>(context, shared, store, listener.device, logLine);
        const std::string setting = std::string(listener.device < 10 ? "0" : "") +
                                    std::to_string(listener.device) + "@" + listener.address.text();
        if (!endpoint->listen(listener.address.host, listener.address.port, error)) {
            std::fprintf(stderr, "korvexd: --videohub %s: %s\n", setting.c_str(), error.c_str());
            return korvexd::kExitBadSetting;
        }
        logLine("Videohub router for device " + setting.substr(0, 2) + " on " + endpoint->address());
        videohubs.push_back(std::move(endpoint));
    }
    const auto stopVideohubs = [&videohubs] {
        for (const auto &endpoint : videohubs)
            endpoint->stop();
    };

    // ---- The web panel and JSON API (src/web) ----
    // Settings refuse --http beyond loopback without a password before we get here.
    web::WebPanel::Options panelOptions;
    panelOptions.host = settings.http.host;
    panelOptions.port = settings.http.port;
    panelOptions.passwordHash = settings.passwordHash;
    panelOptions.tlsCert = settings.tlsCert;
    panelOptions.tlsKey = settings.tlsKey;
    panelOptions.lineName = line.name;
    web::WebPanel panel(context, shared, store, panelOptions, logLine);
    if (!panel.start(error)) {
        std::fprintf(stderr, "korvexd: --http: %s\n", error.c_str());
        return korvexd::kExitBadSetting;
    }
    logLine("web panel on " + panel.url() +
            (settings.passwordHash.empty() ? " (open on loopback)" : " (password)"));
    // Activity is kept in memory at once and written to disk a few seconds later, off every change's path.
    boost::asio::steady_timer activityWrite(context);
    store.deferActivity([&] {
        activityWrite.expires_after(std::chrono::seconds(3));
        activityWrite.async_wait([&](const boost::system::error_code &failure) {
            if (!failure)
                for (const std::string &message : store.flushActivity())
                    logLine(message);
        });
    });
    // ---- end of the web panel ----

    signals.async_wait([&](const boost::system::error_code &failure, int) {
        if (failure)
            return;
        logLine("stopping");
        panel.stop(); // the web panel
        protocol.stop();
        stopVideohubs();
        shared.stop();
        context.stop();
    });
    shared.start();
    context.run();
    // The web panel's block: activity not yet written goes to disk now.
    for (const std::string &message : store.flushActivity())
        logLine(message);
    return 0;
}
