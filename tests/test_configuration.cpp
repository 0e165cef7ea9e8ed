// The configuration kept in the registry between runs: what survives in the registry file.
// What is read and written, and in which order, is checked with start-up and shutdown.

#include "shell/Configuration.h"
#include "suite/IniRegistry.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include <fstream>

namespace kest {
namespace {

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
    const auto stored = [&file](const char* key) {
        return QSettings(QString::fromStdString(file.string()), QSettings::IniFormat).value(QString("KEST/EtalonProfile/") + key).toString();
    };
    EXPECT_EQ(run(3, 25), (std::vector<int>{kFalse, 0, 10}));  // first run: nothing stored yet
    EXPECT_EQ(std::tuple(stored("DefaultCountingTime"), stored("DefaultNumberOfMeasures"), stored("StatisticEnable")),
              std::tuple("25", "3", ""));
    // The operator switches statistics on by editing the file; the program keeps it so.
    std::ofstream(file, std::ios::app) << "EtalonProfile\\StatisticEnable=5\n";
    EXPECT_EQ(run(1, 10), (std::vector<int>{kTrue, 3, 25}));
    EXPECT_EQ(stored("StatisticEnable"), "5");
}

}  // namespace
}  // namespace kest
