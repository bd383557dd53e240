// The store against a real temporary folder: the rules of presets and locks, the activity bound, a
// round trip through the files, and what happens when a file is broken or cannot be written.
#include "store/Store.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace store;

namespace {

constexpr std::int64_t kNow = 1767225600000; // 2026-01-01T00:00:00Z

const Actor kPanel{Actor::Kind::Panel, "ann", "10.0.0.4:51000"};

// A store over a state folder not yet made, with a clock the test sets, and every change its
// observer saw.
struct Fixture {
    testsupport::ScopedTempCwd dir;
    std::string folder = dir.file("state");
    std::int64_t now = kNow;
    Store store{folder, [this] { return now; }};
    std::vector<StoreChange> observed;

    Fixture() {
        EXPECT_EQ(store.load(), std::vector<std::string>{});
        store.addObserver([this](const StoreChange &c) { observed.push_back(c); });
    }
    Store reloaded(std::vector<std::string> *messages = nullptr) {
        Store again(folder, [this] { return now; });
        const std::vector<std::string> m = again.load();
        if (messages)
            *messages = m;
        else
            EXPECT_EQ(m, std::vector<std::string>{});
        return again;
    }
};

std::vector<PresetId> ids(const Store &store, int device) {
    std::vector<PresetId> list;
    for (const Preset &p : store.presets(device))
        list.push_back(p.id);
    return list;
}

TEST(Store, PresetLimitsNamesAndIds) {
    Fixture f;
    const RoutingState state{{1, 2, 3, 4, 5, 6, 7, 8, 10}, MvMode::TwoByTwo, {1, 2, 3, 4}};
    for (int i = 1; i <= kMaxPresets; ++i) {
        const StoreResult r = f.store.savePreset(3, "P" + std::to_string(i), state, kPanel);
        ASSERT_EQ(r.status, StoreStatus::Done) << i << ": " << r.message;
        ASSERT_EQ(r.changes.front(), (StoreChange{StoreChange::Kind::PresetSaved, 3, 0, PresetId(i)}));
    }
    enum Op { Save, Rename, Delete };
    struct Step {
        const char *label;
        Op op;
        PresetId id;
        std::string name;
        StoreStatus status;
        const char *message; // a part of it
    };
    const Step steps[] = {
        {"the 65th", Save, 0, "P65", StoreStatus::Refused, "already has 64 presets"},
        {"rename onto another's name", Rename, 3, "P4", StoreStatus::Refused, "\"P4\" already exists"},
        {"rename to its own name", Rename, 3, "P3", StoreStatus::Unchanged, ""},
        {"rename", Rename, 3, "Lecture", StoreStatus::Done, ""},
        {"rename to nothing", Rename, 3, "", StoreStatus::Refused, "needs a name"},
        {"rename an unknown id", Rename, 99, "X", StoreStatus::Refused, "no preset 99"},
        {"delete the newest", Delete, 64, "", StoreStatus::Done, ""},
        {"delete it again", Delete, 64, "", StoreStatus::Refused, "no preset 64"},
        {"save under a name in use", Save, 0, "Lecture", StoreStatus::Refused, "\"Lecture\" already exists"},
        {"save without a name", Save, 0, "", StoreStatus::Refused, "needs a name"},
        {"save after a delete takes a new id", Save, 65, "P65", StoreStatus::Done, ""},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.label);
        f.observed.clear();
        const StoreResult r = s.op == Save     ? f.store.savePreset(3, s.name, state, kPanel)
                              : s.op == Rename ? f.store.renamePreset(3, s.id, s.name, kPanel)
                                               : f.store.deletePreset(3, s.id, kPanel);
        EXPECT_EQ(r.status, s.status) << r.message;
        EXPECT_NE(r.message.find(s.message), std::string::npos) << r.message;
        EXPECT_EQ(f.observed, r.changes);
        if (s.op == Save && s.status == StoreStatus::Done) {
            EXPECT_EQ(r.changes.front().preset, s.id);
        }
    }
    EXPECT_EQ(f.store.preset(3, 3)->name, "Lecture");
    EXPECT_EQ(f.store.preset(3, 64), nullptr);
    // Ids outlive a restart: the next one after a reload is still new.
    Store again = f.reloaded();
    ASSERT_EQ(again.deletePreset(3, 65, kPanel).status, StoreStatus::Done);
    ASSERT_EQ(again.savePreset(3, "After restart", state, kPanel).status, StoreStatus::Done);
    EXPECT_EQ(ids(again, 3).back(), 66u);
}

// Owners of every lock, "device:output=owner" in order, for comparing whole lock tables at once.
std::string lockOwners(const Store &store) {
    std::string out;
    for (int d = 0; d < kDeviceCount; ++d)
        for (int o = 1; o <= kOutputCount; ++o)
            if (const OutputLock *lock = store.ownerOf(d, o))
                out += (out.empty() ? "" : " ") + std::to_string(d) + ":" + std::to_string(o) + "=" +
                       lock->owner;
    return out;
}

TEST(Store, LockRules) {
    Fixture f;
    enum Op { Lock, ForceLock, Unlock, ForceUnlock, Release };
    struct Step {
        const char *label;
        Op op;
        int device;
        int output;
        std::string owner;
        StoreStatus status;
        std::string owners; // every lock afterwards
        int lockChanges;
    };
    const Step steps[] = {
        {"take a free output", Lock, 1, 3, "panel", StoreStatus::Done, "1:3=panel", 1},
        {"take it again", Lock, 1, 3, "panel", StoreStatus::Unchanged, "1:3=panel", 0},
        {"another owner is refused", Lock, 1, 3, "vh-1", StoreStatus::Refused, "1:3=panel", 0},
        {"another owner cannot unlock", Unlock, 1, 3, "vh-1", StoreStatus::Refused, "1:3=panel", 0},
        {"forced, the lock changes hands", ForceLock, 1, 3, "vh-1", StoreStatus::Done, "1:3=vh-1", 1},
        {"the old owner cannot unlock", Unlock, 1, 3, "panel", StoreStatus::Refused, "1:3=vh-1", 0},
        {"the owner unlocks", Unlock, 1, 3, "vh-1", StoreStatus::Done, "", 1},
        {"unlocking a free output", Unlock, 1, 3, "vh-1", StoreStatus::Unchanged, "", 0},
        {"no owner", Lock, 1, 4, "", StoreStatus::Refused, "", 0},
        {"output out of range", Lock, 1, 10, "vh-1", StoreStatus::Refused, "", 0},
        {"device out of range", Lock, 100, 1, "vh-1", StoreStatus::Refused, "", 0},
        {"vh-1 takes 5", Lock, 1, 5, "vh-1", StoreStatus::Done, "1:5=vh-1", 1},
        {"vh-1 takes 9", Lock, 1, 9, "vh-1", StoreStatus::Done, "1:5=vh-1 1:9=vh-1", 1},
        {"vh-1 takes 1 on device 2", Lock, 2, 1, "vh-1", StoreStatus::Done, "1:5=vh-1 1:9=vh-1 2:1=vh-1", 1},
        {"panel takes 7", Lock, 1, 7, "panel", StoreStatus::Done, "1:5=vh-1 1:7=panel 1:9=vh-1 2:1=vh-1", 1},
        {"vh-1 leaves", Release, 0, 0, "vh-1", StoreStatus::Done, "1:7=panel", 3},
        {"it has nothing left", Release, 0, 0, "vh-1", StoreStatus::Unchanged, "1:7=panel", 0},
        {"force unlock", ForceUnlock, 1, 7, "", StoreStatus::Done, "", 1},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.label);
        f.observed.clear();
        f.now += 1000;
        const StoreResult r = s.op == Lock          ? f.store.lock(s.device, s.output, s.owner, kPanel)
                              : s.op == ForceLock   ? f.store.lock(s.device, s.output, s.owner, kPanel, true)
                              : s.op == Unlock      ? f.store.unlock(s.device, s.output, s.owner, kPanel)
                              : s.op == ForceUnlock ? f.store.forceUnlock(s.device, s.output, kPanel)
                                                    : f.store.releaseOwner(s.owner, kPanel);
        EXPECT_EQ(r.status, s.status) << r.message;
        EXPECT_EQ(r.message.empty(), s.status != StoreStatus::Refused) << r.message;
        EXPECT_EQ(lockOwners(f.store), s.owners);
        EXPECT_EQ(std::count_if(r.changes.begin(), r.changes.end(),
                                [](const StoreChange &c) { return c.kind == StoreChange::Kind::Lock; }),
                  s.lockChanges);
        EXPECT_EQ(f.observed, r.changes);
    }
    // A lock taken over carries the time it changed hands.
    ASSERT_EQ(f.store.lock(1, 2, "panel", kPanel).status, StoreStatus::Done);
    f.now += 5000;
    ASSERT_EQ(f.store.lock(1, 2, "vh-2", kPanel, true).status, StoreStatus::Done);
    EXPECT_EQ(f.store.ownerOf(1, 2)->sinceMs, f.now);
}

TEST(Store, ActivityKeepsTheLast500NewestLast) {
    Fixture f;
    std::vector<ActivityWhat> batch;
    for (int i = 1; i <= 499; ++i)
        batch.push_back({"route", 1, 2, std::nullopt, "", "change " + std::to_string(i)});
    ASSERT_EQ(f.store.record(4, kPanel, batch).status, StoreStatus::Done);
    for (int i = 500; i <= 505; ++i)
        ASSERT_EQ(
            f.store.record(4, kPanel, {{"route", 1, 2, std::nullopt, "", "change " + std::to_string(i)}})
                .status,
            StoreStatus::Done);
    const std::deque<ActivityEntry> &list = f.store.activity(4);
    ASSERT_EQ(list.size(), kActivityLimit);
    EXPECT_EQ(list.front().seq, 6u);
    EXPECT_EQ(list.front().what.text, "change 6");
    EXPECT_EQ(list.back().seq, 505u);
    EXPECT_EQ(list.back().what.text, "change 505");
    EXPECT_EQ(f.reloaded().activity(4), list);
}

TEST(Store, RoundTripThroughTheFolder) {
    Fixture f;
    const Actor router{Actor::Kind::Router, "desk-\xFF", "10.0.0.9:9990"}; // a client's id is not checked
    const Actor protocol{Actor::Kind::Protocol, "", "127.0.0.1:4001"};
    const Actor device{};
    for (int d : {0, 99}) {
        ASSERT_TRUE(f.store.setInputName(d, 1, "Cam\xC3\xA9ra \xF0\x9F\x8E\xA5", kPanel).ok());
        ASSERT_TRUE(f.store.setInputName(d, 10, "Wall", router).ok());
        ASSERT_TRUE(f.store.setOutputName(d, 9, "Stage left", protocol).ok());
        ASSERT_TRUE(
            f.store
                .savePreset(d, "Full", {{1, 2, 3, 4, 5, 6, 7, 8, 10}, MvMode::TwoByTwo, {9, 8, 7, 6}}, kPanel)
                .ok());
        ASSERT_TRUE(f.store.savePreset(d, "Partial", {{std::nullopt, 3}, std::nullopt, {1}}, kPanel).ok());
        ASSERT_TRUE(f.store.lock(d, 4, "panel", kPanel).ok());
        f.now += 1;
        ASSERT_TRUE(f.store.lock(d, 6, "vh-\"1\"", router).ok());
        ASSERT_TRUE(f.store
                        .record(d, device,
                                {{"route", 2, 10, std::nullopt, "", "Out2 takes MV"},
                                 {"preset-recall", std::nullopt, std::nullopt, 1u, "Full", "Full"}})
                        .ok());
    }
    EXPECT_EQ(f.store.activity(0)[1].who.name, "desk-\xEF\xBF\xBD");
    Store again = f.reloaded();
    for (int d : {0, 99}) {
        SCOPED_TRACE(d);
        EXPECT_EQ(again.names(d), f.store.names(d));
        EXPECT_EQ(again.presets(d), f.store.presets(d));
        EXPECT_EQ(again.locks(d), f.store.locks(d));
        EXPECT_EQ(again.activity(d), f.store.activity(d));
        EXPECT_EQ(again.activity(d).size(), 9u);
    }
    EXPECT_EQ(again.names(0).inputs[0], "Cam\xC3\xA9ra \xF0\x9F\x8E\xA5");
    EXPECT_FALSE(again.preset(0, 2)->quickView.has_value()); // three of four windows were known
    EXPECT_EQ(again.ownerOf(99, 6)->sinceMs, kNow + 2);
    EXPECT_EQ(again.names(50), DeviceNames{});
}

TEST(Store, BrokenFileIsMovedAsideAndReported) {
    struct Case {
        const char *file;
        std::string content;
        const char *why;
    };
    const Case cases[] = {
        {"names-07.json", "{\"version\":1,\"inputs\":[", "not valid JSON"},
        {"names-07.json",
         R"({"version":1,"inputs":["","","Thirty-three characters long name!","","","","","","",""],
          "outputs":["","","","","","","","",""]})",
         "inputs[2]: The name has 34 characters"},
        {"presets-07.json", R"({"version":2,"nextId":1,"presets":[]})", "version: 2 is not a version"},
        {"presets-07.json", R"({"version":1,"nextId":3,"presets":[
          {"id":1,"name":"A","outputs":[1,1,1,1,1,1,1,1,1],"mvMode":null,"quickView":null},
          {"id":1,"name":"B","outputs":[1,1,1,1,1,1,1,1,1],"mvMode":null,"quickView":null}]})",
         "presets[1].id: id 1 is used twice"},
        {"locks-07.json", R"({"version":1,"locks":[{"output":12,"owner":"x","since":0}]})",
         "locks[0].output: 12 is not in 1..9"},
        {"activity-07.json", "[]", "not an object"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        Fixture f;
        testsupport::writeFile(f.folder + "/" + c.file, c.content);
        std::vector<std::string> messages;
        Store store = f.reloaded(&messages);
        ASSERT_EQ(messages.size(), 1u);
        const std::string aside = std::string(c.file) + ".bad-20260101T000000Z";
        EXPECT_NE(messages[0].find(c.file), std::string::npos) << messages[0];
        EXPECT_NE(messages[0].find(c.why), std::string::npos) << messages[0];
        EXPECT_NE(messages[0].find("moved aside as " + aside), std::string::npos) << messages[0];
        EXPECT_EQ(testsupport::readFile(f.folder + "/" + aside), c.content);
        EXPECT_FALSE(std::filesystem::exists(f.folder + "/" + c.file));
        EXPECT_EQ(store.names(7), DeviceNames{});
        EXPECT_TRUE(store.presets(7).empty());
        EXPECT_EQ(store.locks(7), DeviceLocks{});
        EXPECT_TRUE(store.activity(7).empty());
    }
}

TEST(Store, WriteFailuresAreReportedAndMemoryFollowsTheDisk) {
    Fixture f;
    ASSERT_EQ(f.store.setOutputName(1, 2, "Projector", kPanel).status, StoreStatus::Done);
    const std::deque<ActivityEntry> activityBefore = f.store.activity(1);

    // The names are written but the activity file is not: the change stands, the entry does not.
    std::filesystem::create_directory(f.folder + "/activity-01.json.tmp");
    f.observed.clear();
    StoreResult r = f.store.setOutputName(1, 3, "Screen", kPanel);
    EXPECT_EQ(r.status, StoreStatus::Done);
    EXPECT_NE(r.activityFailure.find("activity-01.json could not be written"), std::string::npos)
        << r.activityFailure;
    EXPECT_EQ(f.store.activity(1), activityBefore);
    EXPECT_EQ(f.observed, (std::vector<StoreChange>{{StoreChange::Kind::OutputName, 1, 3}}));
    std::filesystem::remove(f.folder + "/activity-01.json.tmp");

    // The folder is no longer writable (a file stands where it was): nothing changes in memory.
    const std::string away = f.folder + ".away";
    std::filesystem::rename(f.folder, away);
    testsupport::writeFile(f.folder, "not a folder");
    f.observed.clear();
    r = f.store.setOutputName(1, 2, "Recorder", kPanel);
    EXPECT_EQ(r.status, StoreStatus::WriteFailed);
    EXPECT_NE(r.message.find("names-01.json could not be written in " + f.folder), std::string::npos)
        << r.message;
    EXPECT_EQ(f.store.names(1).outputs[1], "Projector");
    EXPECT_EQ(f.store.lock(1, 2, "panel", kPanel).status, StoreStatus::WriteFailed);
    EXPECT_EQ(f.store.ownerOf(1, 2), nullptr);
    EXPECT_EQ(f.store.record(1, kPanel, {{"route", 2, 1, std::nullopt, "", "Out2 takes in1"}}).status,
              StoreStatus::WriteFailed);
    EXPECT_EQ(f.store.activity(1), activityBefore);
    EXPECT_TRUE(f.observed.empty());

    // A store that cannot make its folder says so, and every change reports its failure.
    std::vector<std::string> messages;
    Store blocked = f.reloaded(&messages);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("cannot be created"), std::string::npos) << messages[0];
    EXPECT_EQ(blocked.setInputName(1, 1, "Camera", kPanel).status, StoreStatus::WriteFailed);

    std::filesystem::remove(f.folder);
    std::filesystem::rename(away, f.folder);
    EXPECT_EQ(f.reloaded().names(1).outputs[1], "Projector");
    EXPECT_EQ(f.reloaded().names(1).outputs[2], "Screen");
}

TEST(Store, DeferredActivityWaitsInMemoryUntilFlushed) {
    Fixture f;
    int scheduled = 0;
    f.store.deferActivity([&] { ++scheduled; });
    ASSERT_TRUE(f.store.setInputName(2, 1, "Camera", kPanel).ok());
    ASSERT_TRUE(f.store.record(2, kPanel, {{"route", 1, 2, std::nullopt, "", "Out1 shows in2"}}).ok());
    EXPECT_EQ(scheduled, 1); // one write for both entries
    EXPECT_EQ(f.store.activity(2).size(), 2u);
    EXPECT_EQ(f.reloaded().names(2).inputs[0], "Camera"); // names are written at once
    EXPECT_TRUE(f.reloaded().activity(2).empty());

    // A write that fails keeps the entries waiting and asks for another try.
    std::filesystem::create_directory(f.folder + "/activity-02.json.tmp");
    const std::vector<std::string> problems = f.store.flushActivity();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("activity-02.json"), std::string::npos) << problems[0];
    EXPECT_EQ(scheduled, 2);
    EXPECT_TRUE(f.store.activityWaiting());
    std::filesystem::remove(f.folder + "/activity-02.json.tmp");

    EXPECT_EQ(f.store.flushActivity(), std::vector<std::string>{});
    EXPECT_FALSE(f.store.activityWaiting());
    EXPECT_EQ(f.reloaded().activity(2), f.store.activity(2));
}

} // namespace
