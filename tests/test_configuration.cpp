// The configuration kept in the registry between runs: what is read, in which order, what
// is written back, and what survives in the registry file.

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

TEST(Configuration, ReadsThenWritesInTheProgramsOrder) {
    fakes::FakeRegistry registry;
    ProfileState state;
    ReadConfiguration(state, registry);
    state.DefaultNumberOfMeasures = 3;
    state.DefaultCountingTime = 25;
    WriteConfiguration(state, registry);
    const std::vector<std::string> expected = {
        "KestRegisterGetInt(EtalonProfile, StatisticEnable, 0, KEST)",
        "KestRegisterGetInt(EtalonProfile, DefaultNumberOfMeasures, 0, KEST)",
        "KestRegisterGetInt(EtalonProfile, DefaultCountingTime, 10, KEST)",
        "KestRegisterSetString(EtalonProfile, DefaultNumberOfMeasures, 3, KEST)",
        "KestRegisterSetString(EtalonProfile, DefaultCountingTime, 25, KEST)",
    };
    EXPECT_EQ(registry.calls, expected);
    EXPECT_EQ(state.RegistryRoot, "KEST");
    EXPECT_EQ(state.KeyDefaultCountingTime, "DefaultCountingTime");
}

TEST(Configuration, TakesStoredValuesAsTheProgramNeedsThem) {
    struct Case {
        std::map<std::string, std::string> stored;  // by key
        int16_t statistics, measures, seconds;
    };
    const std::vector<Case> cases = {
        {{}, kFalse, 0, 10},
        {{{"StatisticEnable", "1"}}, kTrue, 0, 10},
        {{{"StatisticEnable", "-7"}}, kTrue, 0, 10},
        {{{"StatisticEnable", "0"}}, kFalse, 0, 10},
        {{{"DefaultNumberOfMeasures", "3"}, {"DefaultCountingTime", "25"}}, kFalse, 3, 25},
        {{{"DefaultCountingTime", "70000"}}, kFalse, 0, 4464},  // kept in 16 bits
        {{{"DefaultCountingTime", "-1"}}, kFalse, 0, -1},
    };
    for (const Case& c : cases) {
        fakes::FakeRegistry registry;
        for (const auto& [key, text] : c.stored) registry.values[registry.path("KEST", "EtalonProfile", key)] = text;
        ProfileState state;
        ReadConfiguration(state, registry);
        EXPECT_EQ(state.StatisticEnable, c.statistics) << registry.values.size();
        EXPECT_EQ(state.DefaultNumberOfMeasures, c.measures);
        EXPECT_EQ(state.DefaultCountingTime, c.seconds);
    }
}

TEST(Configuration, SurvivesInTheRegistryFileAndNeverWritesStatistics) {
    QTemporaryDir home;
    const std::filesystem::path file = std::filesystem::path(home.path().toStdString()) / "registry.ini";

    ProfileState first;  // first run: nothing stored yet
    IniRegistry firstRegistry(file);
    ReadConfiguration(first, firstRegistry);
    EXPECT_EQ(first.DefaultCountingTime, 10);
    EXPECT_EQ(first.DefaultNumberOfMeasures, 0);
    EXPECT_EQ(first.StatisticEnable, kFalse);
    first.DefaultCountingTime = 25;
    first.DefaultNumberOfMeasures = 3;
    WriteConfiguration(first, firstRegistry);
    EXPECT_EQ(Stored(file, "DefaultCountingTime"), "25");
    EXPECT_EQ(Stored(file, "DefaultNumberOfMeasures"), "3");
    EXPECT_EQ(Stored(file, "StatisticEnable"), "");

    // The operator switches statistics on by editing the file.
    std::ofstream(file, std::ios::app) << "EtalonProfile\\StatisticEnable=5\n";
    ProfileState second;
    IniRegistry secondRegistry(file);
    ReadConfiguration(second, secondRegistry);
    EXPECT_EQ(second.DefaultCountingTime, 25);
    EXPECT_EQ(second.DefaultNumberOfMeasures, 3);
    EXPECT_EQ(second.StatisticEnable, kTrue);
    second.StatisticEnable = kFalse;
    WriteConfiguration(second, secondRegistry);
    EXPECT_EQ(Stored(file, "StatisticEnable"), "5");
}

}  // namespace
}  // namespace kest
