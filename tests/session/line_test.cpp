// The line's state machine driven by hand: lines in memory, timers fired by the test. Each row is what
// an operator (or a program without one) does, and where the line ends up.
#include "session/DeviceSession.h"
#include "session/LineController.h"
#include "session/MemoryTransport.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using session::LineEvent;
using session::LineState;

struct ManualTimer : session::ITimer {
    explicit ManualTimer(std::function<void()> callback) : onTimeout(std::move(callback)) {}
    void start(int ms) override { period = ms; }
    void stop() override { period = 0; }
    bool active() const override { return period != 0; }
    int period = 0;
    std::function<void()> onTimeout;
};

// Serial ports in `present` open; a network line connects when the test says so.
struct Lines : session::ILineFactory {
    std::unique_ptr<session::ITransport> serialLine(unsigned port) override {
        auto line = std::make_unique<session::MemoryTransport>("COM" + std::to_string(port));
        line->there = present.count(port) > 0;
        line->refuseOpen = !line->there;
        line->failure = line->there ? "" : "no such device";
        last = line.get();
        return line;
    }
    std::unique_ptr<session::ITransport> networkLine(const std::string &host, std::uint16_t port) override {
        auto line = std::make_unique<session::MemoryTransport>(host + ":" + std::to_string(port));
        line->background = true;
        line->schedule = {1000, 2000};
        last = line.get();
        return line;
    }
    std::set<unsigned> present{1, 2};
    session::MemoryTransport *last = nullptr;
};

struct Line {
    Line()
        : controller(session, lines, [this](std::function<void()> onTimeout) {
              auto timer = std::make_unique<ManualTimer>(std::move(onTimeout));
              timers.push_back(timer.get());
              return timer;
          }) {}
    // The controller makes its timers in this order.
    void fire(int which) {
        ManualTimer &timer = *timers[static_cast<std::size_t>(which)];
        if (timer.active())
            timer.onTimeout();
    }
    void fireSearch() { fire(0); }
    void fireReconnect() { fire(1); }
    void fireFailure() { fire(2); }
    void dropAndClose(const std::string &why = {}) {
        lines.last->drop(why);
        fireFailure();
    }

    session::DeviceSession session;
    Lines lines;
    std::vector<ManualTimer *> timers;
    session::LineController controller;
};

struct Row {
    const char *what;
    std::function<void(Line &)> act;
    LineState state;
    LineEvent event;
    std::string line;   // the status's line name
    std::string detail; // the status's reason
    std::function<void(Line &)> check = {};
};

const Row kRows[] = {
    {"turn on", [](Line &l) { l.controller.togglePort(); }, LineState::On, LineEvent::None, "COM1", ""},
    {"a port that does not open says why",
     [](Line &l) {
         l.controller.choosePort(2);
         l.controller.togglePort(); // off
         l.lines.present.clear();
         l.controller.choosePort(5);
     },
     LineState::Off, LineEvent::OpenFailed, "COM5", "no such device"},
    {"switching ports while on turns off and holds the new port unread",
     [](Line &l) {
         l.controller.togglePort();
         l.controller.choosePort(2);
     },
     LineState::Off, LineEvent::None, "COM2", "",
     [](Line &l) {
         EXPECT_TRUE(l.session.isOpen());
         EXPECT_FALSE(l.session.portOn());
     }},
    {"a drop is waited for, the line reopened and asked for its status",
     [](Line &l) {
         l.controller.togglePort();
         l.dropAndClose();
         EXPECT_EQ(l.controller.state(), LineState::Lost);
         l.lines.last->there = false;
         l.fireReconnect(); // not back yet
         EXPECT_EQ(l.controller.state(), LineState::Lost);
         l.lines.last->there = true;
         l.fireReconnect();
     },
     LineState::On, LineEvent::Reconnected, "COM1", "",
     [](Line &l) { EXPECT_EQ(l.lines.last->written, "\r\nA00 GET STA\r\n"); }},
    {"a drop with reconnect off says the line was lost, and why",
     [](Line &l) {
         l.controller.setReconnect(false);
         l.controller.togglePort();
         l.dropAndClose("hung up");
     },
     LineState::Off, LineEvent::Dropped, "COM1", "hung up"},
    {"\"Close Port\" forgets a failure reported just before it",
     [](Line &l) {
         l.controller.togglePort();
         l.lines.last->drop();
         l.controller.togglePort(); // the operator closes before the failure is handled
         l.fireFailure();
     },
     LineState::Off, LineEvent::None, "COM1", "", [](Line &l) { EXPECT_FALSE(l.session.lineFailed()); }},
    {"the operator's button ends a wait",
     [](Line &l) {
         l.controller.togglePort();
         l.dropAndClose();
         l.controller.togglePort();
     },
     LineState::On, LineEvent::None, "COM1", "",
     [](Line &l) { EXPECT_FALSE(l.controller.waitingForLine()); }},
    {"a network line connects in the background",
     [](Line &l) {
         l.controller.chooseNetwork("10.0.0.7", 8000);
         EXPECT_EQ(l.controller.state(), LineState::Connecting);
         l.lines.last->connect();
     },
     LineState::On, LineEvent::Connected, "10.0.0.7:8000", ""},
    {"a network line that does not connect says why",
     [](Line &l) {
         l.controller.chooseNetwork("10.0.0.7", 8000);
         l.dropAndClose("connection refused");
     },
     LineState::Off, LineEvent::ConnectFailed, "10.0.0.7:8000", "connection refused"},
    {"\"Close Port\" on a network line no longer says it is connected",
     [](Line &l) {
         l.controller.chooseNetwork("10.0.0.7", 8000);
         l.lines.last->connect();
         l.controller.togglePort();
     },
     LineState::Off, LineEvent::None, "10.0.0.7:8000", "",
     [](Line &l) { EXPECT_TRUE(l.controller.status().network); }},
    {"a search from a network line that finds nothing returns to that line",
     [](Line &l) {
         l.controller.chooseNetwork("10.0.0.7", 8000);
         l.lines.last->connect();
         l.lines.present = {3};
         l.controller.startSearch();
         EXPECT_EQ(l.controller.state(), LineState::Searching);
         l.fireSearch();
         l.fireSearch(); // nothing after port 3
     },
     LineState::Off, LineEvent::NotFound, "10.0.0.7:8000", "",
     [](Line &l) {
         EXPECT_TRUE(l.controller.status().network);
         l.controller.togglePort(); // "Turn on Port" connects the network line again
         EXPECT_EQ(l.controller.state(), LineState::Connecting);
     }},
    {"a search ends on any line from the probed port",
     [](Line &l) {
         l.lines.present = {4};
         l.controller.startSearch();
         l.lines.last->feed("NOTHING KNOWN\r\n");
     },
     LineState::On, LineEvent::Found, "COM4", "", [](Line &l) { EXPECT_EQ(l.controller.status().port, 4u); }},
    {"reconnect turned off while an attempt connects closes that attempt",
     [](Line &l) {
         l.controller.chooseNetwork("10.0.0.7", 8000);
         l.lines.last->connect();
         l.dropAndClose("closed by the other end");
         l.fireReconnect(); // an attempt starts connecting
         EXPECT_TRUE(l.session.isOpen());
         l.controller.setReconnect(false);
     },
     LineState::Off, LineEvent::Dropped, "10.0.0.7:8000", "closed by the other end",
     [](Line &l) { EXPECT_FALSE(l.session.isOpen()); }},
    {"kept on: a line missing at start is waited for",
     [](Line &l) {
         l.lines.present.clear();
         l.controller.setSerialLine(7);
         l.controller.keepOn();
         EXPECT_EQ(l.controller.state(), LineState::Lost);
         l.lines.last->there = true;
         l.lines.last->refuseOpen = false;
         l.fireReconnect();
     },
     LineState::On, LineEvent::Reconnected, "COM7", ""},
};

TEST(LineController, EveryTransition) {
    for (const Row &row : kRows) {
        SCOPED_TRACE(row.what);
        Line l;
        std::vector<session::LineStatus> told;
        l.controller.setStatusHandler([&](const session::LineStatus &s) { told.push_back(s); });
        row.act(l);
        const session::LineStatus &status = l.controller.status();
        EXPECT_EQ(status.state, row.state);
        EXPECT_EQ(status.event, row.event);
        EXPECT_EQ(status.line, row.line);
        EXPECT_EQ(status.detail, row.detail);
        EXPECT_EQ(l.session.portOn(), row.state == LineState::On);
        ASSERT_FALSE(told.empty());
        EXPECT_EQ(told.back().state, status.state) << "the last change was told";
        if (row.check)
            row.check(l);
    }
}

} // namespace
