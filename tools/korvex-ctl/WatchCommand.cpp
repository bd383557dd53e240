// "watch": stays on the line and prints each line from the device as it arrives, whoever asked for
// it (with --json, what each line changed in the device's state, as one JSON object); waits for a line
// that drops (saying so on standard error) and ends on SIGINT or SIGTERM.

#include "CommandArgs.h"
#include "Connection.h"
#include "Requests.h"
#include "session/DeviceModel.h"
#include "session/DeviceStateJson.h"

#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> g_stop{false};

extern "C" void stopWatching(int) {
    g_stop = true;
}

struct LinePrinter : session::ISessionObserver {
    void onLineSeen(std::string_view line) override {
        std::printf("%s\n", answerText(std::string(line)).c_str());
        std::fflush(stdout);
    }
};

// The members a line changed, with the device they belong to: {"address":5,"routing":[...]}.
struct ChangePrinter : session::IDeviceModelObserver {
    explicit ChangePrinter(const session::DeviceModel &watched) : model(watched) {}
    void onDeviceChanged(std::uint8_t device, session::DeviceMembers changed) override {
        nlohmann::ordered_json change = {{"address", device}};
        change.update(session::toJson(*model.state(device), changed));
        std::printf("%s\n", change.dump().c_str());
        std::fflush(stdout);
    }
    const session::DeviceModel &model;
};

// What a watcher is told on standard error: the line going away and coming back.
void reportStatus(const std::string &label, const session::LineStatus &status, bool &lost) {
    const std::string why = status.detail.empty() ? std::string() : ": " + status.detail;
    if (status.state == session::LineState::Lost && !lost) {
        lost = true;
        if (status.event == session::LineEvent::Dropped)
            ReportError(label + " lost" + why + ", waiting for it to return...");
        else
            ReportError(label + why + ", waiting for it...");
    } else if (status.state == session::LineState::On && lost) {
        lost = false;
        ReportError(label + " is back");
    }
}

int watch(Connection &c) {
    if (const int status = c.choose())
        return status;
    std::signal(SIGINT, stopWatching);
    std::signal(SIGTERM, stopWatching);
    LinePrinter printer;
    session::DeviceModel model;
    ChangePrinter changes(model);
    if (c.options().json) {
        model.attach(c.session());
        model.addObserver(&changes);
    } else {
        c.session().addObserver(&printer);
    }
    bool lost = false;
    c.line().setStatusHandler(
        [&lost, &c](const session::LineStatus &status) { reportStatus(c.label(), status, lost); });
    c.line().keepOn();
    c.loop().runUntil([] { return g_stop.load(); }, EventLoop::Clock::time_point::max());
    c.line().setStatusHandler(nullptr);
    c.session().removeObserver(&printer);
    model.removeObserver(&changes);
    model.detach();
    return kExitOk;
}

} // namespace

ParsedCommand parseWatchCommand(CommandArgs &args, const CommandLine &) {
    args.finish();
    return ParsedCommand(watch, false);
}
