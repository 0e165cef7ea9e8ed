// Start-up, shutdown, the single-instance check and the settings of the main window, on
// recording fakes of the suite and of the window.

#include "FakeMainView.h"
#include "FakeSuite.h"

#include "shell/SettingsEvents.h"
#include "shell/Startup.h"

#include <gtest/gtest.h>

#include <functional>

namespace kest {
namespace {

using fakes::FakeMainView;
using fakes::FakeRegistry;
using fakes::FakeSuite;

std::string Configured(const FakeRegistry& reg, const std::string& key) {
    const auto found = reg.values.find(FakeRegistry::path("KEST", "EtalonProfile", key));
    return found == reg.values.end() ? "<none>" : found->second;
}

TEST(StartUp, CreatesTheDocumentReadsTheConfigurationThenRunsNew) {
    FakeSuite fake;
    fake.db.keyAfterCall = "DbScanXY";  // the library hands back its own spelling of the key
    ProfileState state;
    FakeMainView view;

    StartUp(state, fake.suite, view);

    const std::vector<std::string> expected{
        "KestGetUniqueObjectKey(256, DbScan)",
        "KestDbObjectNew(DbScan-4, 1, 0)",
        "KestRegisterGetInt(EtalonProfile, StatisticEnable, 0, KEST)",
        "KestRegisterGetInt(EtalonProfile, DefaultNumberOfMeasures, 0, KEST)",
        "KestRegisterGetInt(EtalonProfile, DefaultCountingTime, 10, KEST)",
        "KestDbReset(DbScanXY, 80)",
    };
    EXPECT_EQ(fake.journal, expected);
    EXPECT_EQ(state.AppLabel, "KestPlus");
    EXPECT_EQ(state.DocKey.str(), "DbScanXY");
    EXPECT_EQ(view.caption, "KestPlus [/data/profile.ana]");
    EXPECT_EQ(state.DocPath.untilNul(), "/data/profile.ana");
    EXPECT_EQ(state.DocPath.str().size(), 80u);
    EXPECT_FALSE(view.zoneCommandsEnabled);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(state.StatisticEnable, kFalse);
}

TEST(StartUp, ShowsTheConfiguredCountingTimeAndNumberOfMeasures) {
    struct Case {
        const char* measures;  // stored texts; nullptr: nothing stored
        const char* seconds;
        std::string defTime;
        int button;
        int16_t nc;
    };
    const Case cases[] = {
        {nullptr, nullptr, " 10", 0, 1},  // first run: the defaults
        {"3", "25", " 25", 3, 15},
        {"2", "-5", "-5", 2, 10},
        {"7", "10", " 10", -1, 4},  // no button 7: none selected, Nc as it was
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.defTime + " button " + std::to_string(c.button));
        FakeSuite fake;
        if (c.measures) fake.reg.values[FakeRegistry::path("KEST", "EtalonProfile", "DefaultNumberOfMeasures")] = c.measures;
        if (c.seconds) fake.reg.values[FakeRegistry::path("KEST", "EtalonProfile", "DefaultCountingTime")] = c.seconds;
        ProfileState state;
        state.Nc = 4;
        FakeMainView view;
        StartUp(state, fake.suite, view);
        EXPECT_EQ(view.defTime, c.defTime);
        EXPECT_EQ(view.optNC, c.button);
        EXPECT_EQ(state.Nc, c.nc);
    }
}

TEST(StartUp, NewFailingShowsFatalError001) {
    for (const Status length : {0, -1}) {
        FakeSuite fake;
        fake.db.reset.length = length;
        ProfileState state;
        FakeMainView view;
        StartUp(state, fake.suite, view);
        EXPECT_EQ(view.messages, std::vector<std::string>{"Fatal Error 001"});
        EXPECT_EQ(view.caption, "");
        EXPECT_TRUE(view.zoneCommandsEnabled);  // only a successful New greys them
        EXPECT_FALSE(view.busy);
    }
}

TEST(ShutDown, KeepsTheCountingTimeAndButtonThenDeletesTheDocument) {
    struct Case {
        std::string defTime;
        int button;
        std::string storedSeconds;
        std::string storedMeasures;
    };
    const Case cases[] = {
        {"25", 3, "25", "3"},
        {" 12.5 ", 1, "12", "1"},   // whole value, halves to even
        {"abc", 2, "10", "2"},      // not a number: the value read at start-up
        {"70000", -1, "10", "0"},   // beyond 16 bits; no button: both as they were
        {"", 0, "10", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.defTime + "'");
        FakeSuite fake;
        ProfileState state;
        FakeMainView view;
        StartUp(state, fake.suite, view);
        view.defTime = c.defTime;
        view.optNC = c.button;
        fake.journal.clear();

        ShutDown(state, fake.suite, view);

        EXPECT_EQ(Configured(fake.reg, "DefaultCountingTime"), c.storedSeconds);
        EXPECT_EQ(Configured(fake.reg, "DefaultNumberOfMeasures"), c.storedMeasures);
        ASSERT_FALSE(fake.journal.empty());
        EXPECT_EQ(fake.journal.back(), "KestDbObjectDelete(DbScan-4)");
        EXPECT_EQ(fake.reg.count("KestRegisterSetString"), 2);
    }
}

TEST(CheckSingleInstance, AsksTheLibraryOnlyWhenAnEarlierInstanceRuns) {
    struct Case {
        bool earlier;
        Status answer;
        bool endNow;
        int calls;
    };
    for (const Case& c : {Case{false, 1, false, 0}, Case{true, 0, false, 1}, Case{true, 5, true, 1}}) {
        FakeSuite fake;
        fake.log.uniqueAnswer = c.answer;
        EXPECT_EQ(CheckSingleInstance(fake.log, c.earlier, 1234, kProgramTitle), c.endNow);
        EXPECT_EQ(fake.log.count("KestCheckUnique"), c.calls);
        if (c.calls) {
            EXPECT_EQ(fake.log.calls.back(), "KestCheckUnique(1234, KestPlus - Profile)");
        }
    }
}

TEST(Settings, ButtonsSetTheirValueAndIgnoreUnknownIndices) {
    struct Case {
        const char* group;
        std::function<void(ProfileState&, int)> click;
        int16_t ProfileState::*setting;
        int index;
        int16_t expected;  // 99: left as it was
    };
    const Case cases[] = {
        {"OptNC", OptNCClicked, &ProfileState::Nc, 0, 1},     {"OptNC", OptNCClicked, &ProfileState::Nc, 1, 5},
        {"OptNC", OptNCClicked, &ProfileState::Nc, 2, 10},    {"OptNC", OptNCClicked, &ProfileState::Nc, 3, 15},
        {"OptNC", OptNCClicked, &ProfileState::Nc, 4, 99},    {"OptNC", OptNCClicked, &ProfileState::Nc, -1, 99},
        {"OptXY", OptXYClicked, &ProfileState::Ax, 0, 1},     {"OptXY", OptXYClicked, &ProfileState::Ax, 1, 2},
        {"OptXY", OptXYClicked, &ProfileState::Ax, 2, 99},    {"OMP", OMPClicked, &ProfileState::Mp, 0, 1},
        {"OMP", OMPClicked, &ProfileState::Mp, 1, 3},         {"OMP", OMPClicked, &ProfileState::Mp, 2, 5},
        {"OMP", OMPClicked, &ProfileState::Mp, 3, 99},        {"Option1", Option1Clicked, &ProfileState::GraphSelectedOnly, 0, 0},
        {"Option1", Option1Clicked, &ProfileState::GraphSelectedOnly, 1, 1},
        {"Option1", Option1Clicked, &ProfileState::GraphSelectedOnly, 2, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.group) + " " + std::to_string(c.index));
        ProfileState state;
        state.*c.setting = 99;
        c.click(state, c.index);
        EXPECT_EQ(state.*c.setting, c.expected);
    }
}

TEST(Settings, TextsGiveTheirWholeValueWhenItFits) {
    struct Case {
        bool offset;  // else Pattern
        std::string text;
        int32_t expected;  // 77: left as it was
    };
    const Case cases[] = {
        {false, "12", 12},      {false, " 2.5", 2},       {false, "3.5abc", 4}, {false, "abc", 0},
        {false, "-32768", -32768}, {false, "32768", 77}, {true, "-70000", -70000}, {true, "-2.5", -2},
        {true, "3e9", 77},      {true, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.offset ? "Offset '" : "Pattern '") + c.text + "'");
        ProfileState state;
        state.Dm = 77;
        state.O = 77;
        if (c.offset) {
            OffsetChanged(state, c.text);
            EXPECT_EQ(state.O, c.expected);
        } else {
            PatternChanged(state, c.text);
            EXPECT_EQ(state.Dm, c.expected);
        }
    }
}

}  // namespace
}  // namespace kest
