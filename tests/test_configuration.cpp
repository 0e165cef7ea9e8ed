// The configuration kept in the registry between runs: what is read, what is written back,
// and what survives in the registry file. The order of the calls is checked with start-up
// and shutdown.

#include "FakeSuite.h"
#include "shell/Configuration.h"
#include "suite/IniRegistry.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace kest {
namespace {

std::string Stored(const std::filesystem::path& file, const std::string& key) {
    QSettings settings(QString::fromStdString(file.string()), QSettings::IniFormat);
    return settings.value(QString::fromStdString("KEST/EtalonProfile/" + key)).toString().toStdString();
}

TEST(Configuration, TakesStoredValuesAsTheProgramNeedsThem) {
    struct Case { std::map<std::string, std::string> stored; int16_t statistics, measures, seconds; };  // stored by key
    const std::vector<Case> cases = {
        {{{"StatisticEnable", "1"}}, kTrue, 0, 10}, {{{"StatisticEnable", "-7"}}, kTrue, 0, 10},
        {{{"StatisticEnable", "0"}}, kFalse, 0, 10}, {{{"DefaultNumberOfMeasures", "3"}}, kFalse, 3, 10},
        {{{"DefaultCountingTime", "70000"}}, kFalse, 0, 4464},  // kept in 16 bits
        {{{"DefaultCountingTime", "-1"}}, kFalse, 0, -1},
    };
    for (const Case& c : cases) {
        fakes::FakeRegistry registry;
        for (const auto& [key, text] : c.stored) registry.values[registry.path("KEST", "EtalonProfile", key)] = text;
        ProfileState state;
        ReadConfiguration(state, registry);
        EXPECT_EQ((std::vector<int>{state.StatisticEnable, state.DefaultNumberOfMeasures, state.DefaultCountingTime}),
                  (std::vector<int>{c.statistics, c.measures, c.seconds}));
    }
}

TEST(Configuration, SurvivesInTheRegistryFileAndNeverWritesStatistics) {
    QTemporaryDir home;
    const std::filesystem::path file = std::filesystem::path(home.path().toStdString()) / "registry.ini";
    const auto run = [&file](int16_t measures, int16_t seconds) {  // reads, sets both, writes back
        ProfileState state;
        IniRegistry registry(file);
        ReadConfiguration(state, registry);
        const std::vector<int> read{state.StatisticEnable, state.DefaultNumberOfMeasures, state.DefaultCountingTime};
        state.DefaultNumberOfMeasures = measures, state.DefaultCountingTime = seconds, state.StatisticEnable = kFalse;
        WriteConfiguration(state, registry);
        return read;
    };
    EXPECT_EQ(run(3, 25), (std::vector<int>{kFalse, 0, 10}));  // first run: nothing stored yet
    EXPECT_EQ(Stored(file, "DefaultCountingTime"), "25");
    EXPECT_EQ(Stored(file, "DefaultNumberOfMeasures"), "3");
    EXPECT_EQ(Stored(file, "StatisticEnable"), "");
    // The operator switches statistics on by editing the file; the program keeps it so.
    std::ofstream(file, std::ios::app) << "EtalonProfile\\StatisticEnable=5\n";
    EXPECT_EQ(run(1, 10), (std::vector<int>{kTrue, 3, 25}));
    EXPECT_EQ(Stored(file, "StatisticEnable"), "5");
}

}  // namespace
}  // namespace kest
