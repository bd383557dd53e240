// The shared line's order of units and its polling, with the line in memory, a clock and timers run
// by hand: which bytes went on the line, when.
#include "share/LineArbiter.h"
#include "session/DeviceSession.h"
#include "session/MemoryTransport.h"
#include "share/Poller.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = share::LineArbiter::Clock;

struct ManualTimer : session::ITimer {
    explicit ManualTimer(std::function<void()> callback) : onTimeout(std::move(callback)) {}
    void start(int ms) override { period = ms; }
    void stop() override { period = 0; }
    bool active() const override { return period != 0; }
    int period = 0;
    std::function<void()> onTimeout;
};

struct SharedLine {
    SharedLine() {
        auto owned = std::make_unique<session::MemoryTransport>();
        line = owned.get();
        session.setTransport(std::move(owned));
        session.open();
        session.setPortOn(true);
    }
    session::TimerFactory timers() {
        return [this](std::function<void()> onTimeout) {
            auto timer = std::make_unique<ManualTimer>(std::move(onTimeout));
            all.push_back(timer.get());
            return timer;
        };
    }
    std::function<Clock::time_point()> clock() {
        return [this] { return now; };
    }
    // Time passes; every timer whose period is up fires (each at most once per step).
    void pass(std::chrono::milliseconds step) {
        now += step;
        for (ManualTimer *timer : all) {
            if (timer->active() && timer->period <= step.count())
                timer->onTimeout();
            else if (timer->active())
                timer->period -= static_cast<int>(step.count());
        }
    }
    // What went on the line since the last look.
    std::string taken() {
        std::string out = std::move(line->written);
        line->written.clear();
        return out;
    }

    Clock::time_point now{std::chrono::seconds(1000)};
    session::DeviceSession session;
    session::MemoryTransport *line = nullptr;
    std::vector<ManualTimer *> all;
};

struct Step {
    std::chrono::milliseconds after; // time that passes first
    std::string feed;                // then bytes from the devices
    std::string sent;                // what must have gone on the line by then
    share::ClientId credited = 0;    // whose unit the fed lines answer (0: korvexd's, the device's own)
};

struct ArbiterRow {
    const char *what;
    std::vector<share::LineUnit> units; // submitted at the start, in order
    std::string sentAtOnce;
    std::vector<Step> steps;
};

const ArbiterRow kArbiterRows[] = {
    {"units for one device follow each other at once",
     {{1, "\r\nA05 GET STA\r\n", 5}, {2, "\r\nA05 SET BLW 003\r\n", 5}},
     "\r\nA05 GET STA\r\n\r\nA05 SET BLW 003\r\n",
     {}},
    {"another device waits for the answer to settle by the quiet rule",
     {{1, "\r\nA05 GET STA\r\n", 5}, {2, "\r\nA07 GET STA\r\n", 7}},
     "\r\nA05 GET STA\r\n",
     {{10ms, "OUT1 VS IN1\r\n", "", 1}, {299ms, "", ""}, {1ms, "", "\r\nA07 GET STA\r\n"}}},
    {"a routing answer that came whole lets the next device go at once",
     {{1, "\r\nA05 SET OUT3 VS IN5 \r\n", 5}, {2, "\r\nA07 GET STA\r\n", 7}},
     "\r\nA05 SET OUT3 VS IN5 \r\n",
     {{5ms, "OUT3 VS IN5\r\n", "\r\nA07 GET STA\r\n", 1}}},
    {"a status request after a route is settled by the quiet rule, not by the route's reply",
     {{1, "\r\nA05 SET OUT3 VS IN5 \r\n", 5}, {1, "\r\nA05 GET STA\r\n", 5}, {2, "\r\nA07 GET STA\r\n", 7}},
     "\r\nA05 SET OUT3 VS IN5 \r\n\r\nA05 GET STA\r\n",
     {{5ms, "OUT3 VS IN5\r\n", "", 1}, {299ms, "", ""}, {1ms, "", "\r\nA07 GET STA\r\n"}}},
    {"a line after the answer settled is the device's own",
     {{1, "\r\nA05 SET OUT3 VS IN5 \r\n", 5}},
     "\r\nA05 SET OUT3 VS IN5 \r\n",
     {{5ms, "OUT3 VS IN5\r\n", "", 1}, {5ms, "OUT4 VS IN1\r\n", "", 0}}},
    {"all outputs are awaited for output 0",
     {{1, "\r\nA05 SET OUT0 VS IN2 \r\n", 5}, {2, "\r\nA07 GET STA\r\n", 7}},
     "\r\nA05 SET OUT0 VS IN2 \r\n",
     {{5ms,
       "OUT1 VS IN2\r\nOUT2 VS IN2\r\nOUT3 VS IN2\r\nOUT4 VS IN2\r\nOUT5 VS IN2\r\nOUT6 VS IN2\r\nOUT7 VS "
       "IN2\r\n",
       "", 1},
      {5ms, "OUT8 VS IN2\r\nOUT9 VS IN2\r\n", "\r\nA07 GET STA\r\n", 1}}},
    {"every routing command of a unit is awaited",
     {{1, "\r\nA05 SET OUT1 VS IN2 \r\n\r\nA05 SET OUT2 VS IN2 \r\n", 5}, {2, "\r\nA07 GET STA\r\n", 7}},
     "\r\nA05 SET OUT1 VS IN2 \r\n\r\nA05 SET OUT2 VS IN2 \r\n",
     {{5ms, "OUT1 VS IN2\r\n", "", 1}, {5ms, "OUT2 VS IN2\r\n", "\r\nA07 GET STA\r\n", 1}}},
    {"a device that never answers holds the line a second",
     {{1, "\r\nA05 GET STA\r\n", 5}, {2, "\r\nA07 GET STA\r\n", 7}},
     "\r\nA05 GET STA\r\n",
     {{999ms, "", ""}, {1ms, "", "\r\nA07 GET STA\r\n"}}},
    {"units keep their order across clients",
     {{1, "\r\nA05 GET STA\r\n", 5}, {2, "\r\nA07 GET STA\r\n", 7}, {1, "\r\nA05 GET ADDR\r\n", 5}},
     "\r\nA05 GET STA\r\n",
     {{1000ms, "", "\r\nA07 GET STA\r\n"}, {1000ms, "", "\r\nA05 GET ADDR\r\n"}}},
};

TEST(LineArbiter, PutsOneDevicesUnitsOnTheLineAtATime) {
    for (const ArbiterRow &row : kArbiterRows) {
        SCOPED_TRACE(row.what);
        SharedLine shared;
        share::LineArbiter arbiter(shared.session, shared.timers(), shared.clock());
        for (const share::LineUnit &unit : row.units)
            arbiter.submit(unit);
        EXPECT_EQ(shared.taken(), row.sentAtOnce);
        for (const Step &step : row.steps) {
            shared.pass(step.after);
            shared.line->feed(step.feed);
            EXPECT_EQ(shared.taken(), step.sent) << "after " << step.after.count() << " ms";
            if (!step.feed.empty()) {
                EXPECT_EQ(arbiter.lineClient(), step.credited) << step.feed;
            }
        }
    }
}

TEST(LineArbiter, ALeavingClientsUnitsAndAClosedLinesGoNowhere) {
    SharedLine shared;
    share::LineArbiter arbiter(shared.session, shared.timers(), shared.clock());
    std::vector<std::string> refused;
    arbiter.onRefused = [&](const share::LineUnit &unit) { refused.push_back(unit.bytes); };
    arbiter.submit({1, "\r\nA05 GET STA\r\n", 5});
    arbiter.submit({2, "\r\nA07 GET STA\r\n", 7});
    arbiter.forget(2);
    shared.pass(1000ms);
    EXPECT_EQ(shared.taken(), "\r\nA05 GET STA\r\n");
    EXPECT_TRUE(arbiter.idle());
    shared.session.close();
    arbiter.submit({1, "\r\nA05 GET STA\r\n", 5});
    EXPECT_EQ(refused, std::vector<std::string>{"\r\nA05 GET STA\r\n"});
}

TEST(Poller, AsksOneDeviceAtATimeOnceTheLineIsQuiet) {
    SharedLine shared;
    share::LineArbiter arbiter(shared.session, shared.timers(), shared.clock());
    share::Poller poller(arbiter, shared.timers(), {1, 5}, 30, shared.clock());
    poller.resync();
    EXPECT_EQ(shared.taken(), "\r\nA01 GET STA\r\n");
    shared.line->feed("OUT1 VS IN1\r\n");
    shared.pass(300ms);
    EXPECT_EQ(shared.taken(), "\r\nA05 GET STA\r\n");

    poller.start();
    shared.pass(29s);
    EXPECT_EQ(shared.taken(), "");
    // A client's command just before the period is up: the poll waits for two quiet seconds.
    arbiter.submit({3, "\r\nA05 SET BLW 001\r\n", 5});
    shared.taken();
    shared.pass(1s);
    EXPECT_EQ(shared.taken(), "");
    shared.pass(1s);
    EXPECT_EQ(shared.taken(), "\r\nA01 GET STA\r\n");
    shared.pass(2s);
    EXPECT_EQ(shared.taken(), "\r\nA05 GET STA\r\n");
    EXPECT_EQ(poller.polls(), 2u);
    poller.stop();
    for (const ManualTimer *timer : shared.all)
        EXPECT_FALSE(timer->active()) << "nothing wakes an idle line";
}

} // namespace
