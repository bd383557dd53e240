// "Search Machine" driven by hand: which ports are opened, what each is sent, and how it ends.
#include "session/DeviceSession.h"
#include "session/MemoryTransport.h"
#include "session/PortSearch.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

struct ManualTimer : session::ITimer {
    void start(int ms) override { period = ms; }
    void stop() override { period = 0; }
    bool active() const override { return period != 0; }
    int period = 0;
};

// Ports in `present` open; the session's line is one memory transport renamed per port.
struct Owner : session::ISearchOwner {
    explicit Owner(session::DeviceSession &s) : session(s) {}
    bool openSearchPort(unsigned port) override {
        tried.push_back(port);
        line->refuseOpen = !present.count(port);
        return session.open();
    }
    void searchFound(unsigned port) override { found = static_cast<int>(port); }
    void searchNotFound() override { notFound = true; }

    session::DeviceSession &session;
    session::MemoryTransport *line = nullptr;
    std::set<unsigned> present;
    std::vector<unsigned> tried;
    int found = 0;
    bool notFound = false;
};

struct Search : ::testing::Test {
    Search() : owner(session), search(session, owner, timer) {
        auto transport = std::make_unique<session::MemoryTransport>();
        owner.line = transport.get();
        session.setTransport(std::move(transport));
    }
    session::DeviceSession session;
    ManualTimer timer;
    Owner owner;
    session::PortSearch search;
};

} // namespace

TEST_F(Search, StatusToTheFirstPortThenAQuietPeriodThenTheProbe) {
    owner.present = {2, 5, 9};
    ASSERT_TRUE(search.start(7));
    EXPECT_EQ(owner.tried, (std::vector<unsigned>{1, 2}));
    EXPECT_EQ(owner.line->written, "\r\nA00 GET STA\r\n");
    EXPECT_EQ(timer.period, 500);
    search.onTimer(); // port 2 had its period: closed, one quiet period
    EXPECT_FALSE(session.isOpen());
    owner.line->written.clear();
    search.onTimer(); // next present port, with the probe
    EXPECT_EQ(owner.tried.back(), 5u);
    EXPECT_EQ(owner.line->written, "\r\n>@\r\n") << "the probe carries no prefix";
    EXPECT_EQ(timer.period, 400);
    owner.line->feed("anything\r\n");
    search.onLine();
    EXPECT_EQ(owner.found, 5);
    EXPECT_FALSE(search.running());
}

TEST_F(Search, EndsWithTheSavedPortWhenNothingAnswersOrTheOperatorCancels) {
    owner.present = {3};
    ASSERT_TRUE(search.start(7));
    search.onTimer();
    search.onTimer(); // nothing after port 3
    EXPECT_TRUE(owner.notFound);
    EXPECT_EQ(search.port(), 7u);
    EXPECT_FALSE(search.running());

    owner.notFound = false;
    owner.present = {};
    EXPECT_FALSE(search.start(4)); // no port opens at all
    EXPECT_TRUE(owner.notFound);

    owner.present = {1};
    ASSERT_TRUE(search.start(4));
    EXPECT_TRUE(search.cancel());
    EXPECT_EQ(search.savedPort(), 4u);
    EXPECT_FALSE(session.isOpen());
    EXPECT_FALSE(search.cancel()) << "nothing left to cancel";
    search.onLine();
    EXPECT_EQ(owner.found, 0);
}

TEST_F(Search, AFailedLineStopsTheSearchWhereItIs) {
    owner.present = {1, 2};
    ASSERT_TRUE(search.start(1));
    owner.line->drop();
    search.onTimer();
    EXPECT_FALSE(search.running());
    EXPECT_EQ(owner.tried, (std::vector<unsigned>{1}));
    EXPECT_FALSE(owner.notFound);
}
