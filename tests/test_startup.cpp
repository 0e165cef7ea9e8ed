// Start-up, shutdown (the configuration read and written in the registry) and the
// single-instance check, on recording fakes of the suite and of the window.

#include "ProgramOnFakes.h"

#include "shell/Startup.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kest {
namespace {

// The program on fakes; its configuration is texts in the fake registry.
struct Program : fakes::ProgramOnFakes {
    void configure(const std::string& key, const char* text) {
        if (text) fake.reg.values[fakes::FakeRegistry::path("KEST", "EtalonProfile", key)] = text;
    }
    void startUp() { StartUp(state, fake.suite, view); }
};

TEST(StartUp, CreatesTheDocumentReadsTheConfigurationThenRunsNew) {
    Program p;
    p.fake.db.keyAfterCall = "DbScanXY";  // the library hands back its own spelling of the key
    p.startUp();
    const std::vector<std::string> expected{
        "KestGetUniqueObjectKey(256, DbScan)",
        "KestDbObjectNew(DbScan-4, 1, 0)",
        "KestRegisterGetInt(EtalonProfile, StatisticEnable, 0, KEST)",
        "KestRegisterGetInt(EtalonProfile, DefaultNumberOfMeasures, 0, KEST)",
        "KestRegisterGetInt(EtalonProfile, DefaultCountingTime, 10, KEST)",
        "KestRegisterGetInt(EtalonProfile, NoiseSigmas, 3, KEST)",
        "KestRegisterGetInt(EtalonProfile, AdaptivePointBudget, 100, KEST)",
        "KestDbReset(DbScanXY, 4096)",
        "KestDbNbElt(DbScanXY)",     // the empty document's elements
        "KestDbGetNbPts(DbScanXY)",  // and points
    };
    EXPECT_EQ(p.fake.journal, expected);
    EXPECT_EQ(std::tuple(p.state.DocKey.str(), p.view.caption, p.state.DocPath.untilNul(), p.state.DocPath.str().size()),
              std::tuple("DbScanXY", "KestPlus [/data/profile.ana]", "/data/profile.ana", 4096u));
    EXPECT_TRUE(!p.view.zoneCommandsEnabled && p.view.messages.empty());
}

TEST(StartUp, TakesTheConfiguredStatisticsCountingTimeAndNumberOfMeasures) {
    struct Case {
        const char *statistics, *measures, *seconds; int16_t statisticEnable; std::string defTime; int button; int16_t nc;
        const char *sigmas = nullptr, *budget = nullptr; int16_t noiseSigmas = 3; int32_t pointBudget = 100;
    };
    const Case cases[] = {{nullptr, nullptr, nullptr, kFalse, " 10", 0, 1},  // first run: the defaults (nullptr: none stored)
                          {"1", "3", "25", kTrue, " 25", 3, 15, "0", "40", 0, 40}, {"-7", "2", "-5", kTrue, "-5", 2, 10, "-2", "-1", 0, 0},  // any other than 0 is on
                          {"0", "7", "10", kFalse, " 10", -1, 4, "5", "70000", 5, 32767},  // no button 7: none selected, Nc as it was
                          {"0", "1", "70000", kFalse, " 4464", 1, 5}};  // kept in 16 bits
    for (const Case& c : cases) {
        Program p;
        p.configure("StatisticEnable", c.statistics);
        p.configure("DefaultNumberOfMeasures", c.measures);
        p.configure("DefaultCountingTime", c.seconds);
        p.configure("NoiseSigmas", c.sigmas);
        p.configure("AdaptivePointBudget", c.budget);
        p.state.Nc = 4;
        p.startUp();
        EXPECT_EQ(std::tuple(p.state.StatisticEnable, p.view.defTime, p.view.optNC, p.state.Nc, p.state.NoiseSigmas, p.state.AdaptivePointBudget),
                  std::tuple(c.statisticEnable, c.defTime, c.button, c.nc, c.noiseSigmas, c.pointBudget)) << c.seconds;
    }
}

TEST(StartUp, NewFailingShowsFatalError001) {
    for (const Status length : {0, -1}) {
        Program p;
        p.fake.db.reset.length = length;
        p.startUp();
        EXPECT_EQ(std::pair(p.view.messages, p.view.caption), std::pair(std::vector<std::string>{"Fatal Error 001"}, std::string()));
        EXPECT_TRUE(p.view.zoneCommandsEnabled && !p.view.busy);  // only a successful New greys the zone commands
    }
}

TEST(ShutDown, KeepsTheCountingTimeAndButtonThenDeletesTheDocument) {
    struct Case { std::string defTime; int button; std::string seconds, measures; };  // shown, then stored
    const Case cases[] = {{"25", 3, "25", "3"}, {" 12.5 ", 1, "12", "1"},  // whole value, halves to even
                          {"abc", 2, "10", "2"},     // not a number: the value read at start-up
                          {"70000", -1, "10", "2"},  // beyond 16 bits; no button: both as read at start-up
                          {"", 0, "10", "0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.defTime + "'");
        Program p;
        p.configure("DefaultNumberOfMeasures", "2");
        p.startUp();
        p.view.defTime = c.defTime, p.view.optNC = c.button;
        p.fake.journal.clear();
        ShutDown(p.state, p.fake.suite, p.view);
        EXPECT_EQ(p.fake.journal, (std::vector<std::string>{
                                      "KestRegisterSetString(EtalonProfile, DefaultNumberOfMeasures, " + c.measures + ", KEST)",
                                      "KestRegisterSetString(EtalonProfile, DefaultCountingTime, " + c.seconds + ", KEST)",
                                      "KestDbObjectDelete(DbScan-4)"}));
    }
}

TEST(CheckSingleInstance, AsksTheLibraryOnlyWhenAnEarlierInstanceRuns) {
    struct Case { bool earlier; Status answer; bool endNow; };
    for (const Case& c : {Case{false, 1, false}, Case{true, 0, false}, Case{true, 5, true}}) {
        fakes::FakeLogging log;
        log.uniqueAnswer = c.answer;
        EXPECT_EQ(CheckSingleInstance(log, c.earlier, 1234, kProgramTitle), c.endNow);
        EXPECT_EQ(log.calls, c.earlier ? std::vector<std::string>{"KestCheckUnique(1234, KestPlus - Profile)"}
                                       : std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace kest
