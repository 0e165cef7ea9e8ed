// Our logging, registry and analysis-program libraries, and the object keys made with them.

#include "FakeSuite.h"
#include "TextRows.h"
#include "core/ObjectKeys.h"
#include "suite/DetachedAnalysisProgram.h"
#include "suite/FileLogging.h"
#include "suite/IniRegistry.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

namespace kest {
namespace {

namespace fs = std::filesystem;

using fakes::FileBytes;

fs::path PathOf(const QTemporaryDir& dir) { return fs::path(dir.path().toStdString()); }

TEST(ObjectKeys, KeepTheLibrarysKeyUpToItsFirstNul) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"-4711-0001", "abc-4711-0001"},
        {std::string("\0def", 4), "abc"},
        {std::string(300, 'k'), "abc" + std::string(253, 'k')},  // no NUL at all: the whole buffer
    };
    for (const auto& [suffix, expected] : cases) {
        fakes::FakeLogging log;
        log.keySuffix = suffix;
        EXPECT_EQ(NewObjectKey(log, "abc"), expected);
        EXPECT_EQ(log.calls, std::vector<std::string>{"KestGetUniqueObjectKey(256, abc)"});
    }
}

TEST(FileLogging, KeysAreUniqueAcrossObjectsAndProcesses) {
    QTemporaryDir home;
    const fs::path childKeys = PathOf(home) / "child-keys";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {  // another process on the same home, taking keys at the same time
        FileLogging other(PathOf(home));
        std::ofstream out(childKeys);
        for (int i = 0; i < 300; ++i) out << NewObjectKey(other, "DbScan") << '\n';
        out.close();
        _exit(out ? 0 : 1);
    }
    FileLogging first(PathOf(home)), second(PathOf(home));
    std::vector<std::string> keys;
    for (int i = 0; i < 500; ++i) keys.push_back(NewObjectKey(i % 2 ? first : second, "DbScan"));
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream fromChild(childKeys);
    for (std::string key; std::getline(fromChild, key);) keys.push_back(key);

    std::set<std::string> firstEight;  // what the document key keeps
    for (const std::string& key : keys) firstEight.insert(key.substr(0, 8));
    EXPECT_EQ(firstEight.size(), 800u);
}

TEST(FileLogging, KeyThatDoesNotFitGivesZero) {
    QTemporaryDir home;
    FileLogging log(PathOf(home));
    for (const int32_t capacity : {256, 9, 8, 0, -1}) {  // "RL-key", two digits and a NUL need 9
        std::string buffer = "old";
        const Status length = log.KestGetUniqueObjectKey(buffer, capacity, "RL-key");
        EXPECT_EQ(buffer.size(), static_cast<std::size_t>(std::max(capacity, 0))) << capacity;
        EXPECT_EQ(length, capacity >= 9 ? 8 : 0) << capacity;
        if (capacity >= 9) { EXPECT_EQ(buffer.substr(0, 6) + buffer.at(8), std::string("RL-key") + '\0'); }
    }
}

TEST(FileLogging, AppendsTheTextAsItStands) {
    QTemporaryDir home;
    const std::vector<std::string> texts = {"mp =  1 ***********************************\n\r",
                                            "np =  1 sp = 1 cps =  1234.5\n\r", std::string("\xE9t\0e", 4), ""};
    std::string expected;
    for (const std::string& text : texts) {
        FileLogging log(PathOf(home));  // a new object, as a new run, appends too
        EXPECT_NE(log.KestPrintfVB(text), 0);
        expected += text;
        EXPECT_EQ(FileBytes(log.logFile()), expected);  // on file when the call returns
    }
    std::ofstream(PathOf(home) / "not-a-folder") << "x";
    EXPECT_EQ(FileLogging(PathOf(home) / "not-a-folder" / "home").KestPrintfVB("line\n\r"), 0);
}

// The last few long scans stay: a full log moves to .1, the older ones one place down to .5.
TEST(FileLogging, ALogPastItsSizeMovesDownTheOlderLogs) {
    QTemporaryDir home;
    FileLogging log(PathOf(home), 3000, 10);
    for (const char* line : {"first line\n", "second\n", "third\n", "4th scan 0\n", "5th scan 0\n", "6th scan 0\n",
                             "7th scan 0\n", "8th scan 0\n", "9th\n"})
        log.KestPrintfVB(line);
    const std::string logs[] = {"9th\n", "8th scan 0\n", "7th scan 0\n", "6th scan 0\n", "5th scan 0\n", "4th scan 0\n", ""};
    for (int kept = 0; kept <= 6; ++kept)
        EXPECT_EQ(FileBytes(log.logFile().string() + (kept ? "." + std::to_string(kept) : "")), logs[kept]) << kept;
}

// One program drives the instrument: a second one is refused, told which holds it.
TEST(FileLogging, OneProgramAtATimeDrivesTheInstrument) {
    QTemporaryDir home;
    auto window = std::make_unique<InstrumentLock>(PathOf(home));
    ASSERT_EQ(window->take("the window of kestplus-profile"), std::nullopt);
    const auto refused = InstrumentLock(PathOf(home)).take("kestplus-profile scan");
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("driven by another program on this home: the window of kestplus-profile (process " +
                            std::to_string(::getpid())),
              std::string::npos)
        << *refused;
    window.reset();
    EXPECT_EQ(InstrumentLock(PathOf(home)).take("kestplus-profile scan"), std::nullopt);
}

TEST(FileLogging, AnEarlierInstanceIsFoundAndRaised) {
    QTemporaryDir home, otherHome;
    InstanceLock running(PathOf(home));
    ASSERT_FALSE(running.earlierInstanceRuns());
    int raised = 0;
    InstanceBeacon beacon(PathOf(home), [&] { ++raised; });
    std::string error;
    ASSERT_TRUE(beacon.listen(error)) << error;

    InstanceLock later(PathOf(home));
    EXPECT_TRUE(later.earlierInstanceRuns());
    EXPECT_FALSE(later.held());
    EXPECT_NE(FileLogging(PathOf(home)).KestCheckUnique(7, "KestPlus - Profile"), 0);
    EXPECT_EQ(raised, 1);

    // Another home has no instance: nobody answers, and its lock is free.
    EXPECT_EQ(FileLogging(PathOf(otherHome), 300).KestCheckUnique(7, "KestPlus - Profile"), 0);
    EXPECT_FALSE(InstanceLock(PathOf(otherHome)).earlierInstanceRuns());
    EXPECT_EQ(raised, 1);
}

TEST(IniRegistry, ReadsBackWholeNumbersOfTheTextsItKeeps) {
    QTemporaryDir home;
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {"25", 25}, {" 25 ", 25}, {"-3", -3}, {"abc", 99}, {"2.5", 99}, {"", 99}, {"99999999999", 99}};
    for (const auto& [text, expected] : cases) {
        IniRegistry writer(PathOf(home) / "registry.ini");
        ASSERT_EQ(writer.KestRegisterSetString("Section", "Key", text, "Root"), 1);
        EXPECT_EQ(IniRegistry(writer.file()).KestRegisterGetInt("Section", "Key", 99, "Root"), expected) << text;
        EXPECT_EQ(writer.KestRegisterGetInt("Other", "Key", 99, "Root"), 99);
        EXPECT_EQ(writer.KestRegisterGetInt("Section", "Key", 99, "OtherRoot"), 99);
    }
    std::ofstream(PathOf(home) / "file") << "x";
    EXPECT_EQ(IniRegistry(PathOf(home) / "file" / "registry.ini").KestRegisterSetString("S", "K", "1", "R"), 0);
    // The file as an operator edits it: under [root], "section\key".
    std::ofstream(PathOf(home) / "edited.ini") << "[KEST]\nEtalonProfile\\StatisticEnable=5\n";
    EXPECT_EQ(IniRegistry(PathOf(home) / "edited.ini").KestRegisterGetInt("EtalonProfile", "StatisticEnable", 0, "KEST"), 5);
}

TEST(DetachedAnalysisProgram, StartsOrSaysWhyNot) {
    QTemporaryDir folder;
    const std::string notExecutable = (PathOf(folder) / "ana").string(), folderPath = PathOf(folder).string();
    std::ofstream(notExecutable) << "#!/bin/sh\n";
    const std::string cannot = "Cannot start the analysis program '";
    const std::vector<std::pair<std::string, std::string>> cases = {  // program, start of the message
        {"/bin/true", ""},
        {"", "The analysis program is not configured (instrument.analysis_program in the suite file)."},
        {"/no/such/ana", cannot + "/no/such/ana': no such file"},
        {notExecutable, cannot + notExecutable + "': the file is not executable"},
        {folderPath, cannot + folderPath + "': it is a folder"},
        {"kestplus-no-such-program", cannot + "kestplus-no-such-program': "},
    };
    for (const auto& [program, message] : cases) {
        std::string error;
        EXPECT_EQ(DetachedAnalysisProgram(program).start(error), message.empty()) << program;
        EXPECT_EQ(error.substr(0, message.size()), message);
        EXPECT_EQ(error.empty(), message.empty());
    }
}

}  // namespace
}  // namespace kest
