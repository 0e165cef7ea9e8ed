// Our logging, registry and analysis-program libraries, and the object keys made with them.

#include "FakeSuite.h"
#include "shell/ObjectKeys.h"
#include "suite/DetachedAnalysisProgram.h"
#include "suite/FileLogging.h"
#include "suite/IniRegistry.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace kest {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const QTemporaryDir& dir) { return fs::path(dir.path().toStdString()); }

std::string FileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

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
    FileLogging first(PathOf(home)), second(PathOf(home));
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {  // another process on the same home, taking keys at the same time
        FileLogging other(PathOf(home));
        std::string keys;
        for (int i = 0; i < 300; ++i) keys += NewObjectKey(other, "DbScan") + "\n";
        const bool sent = write(channel[1], keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    std::vector<std::string> keys;
    for (int i = 0; i < 500; ++i) keys.push_back(NewObjectKey(i % 2 ? first : second, "DbScan"));
    std::string fromChild;
    char chunk[4096];
    for (ssize_t n; (n = read(channel[0], chunk, sizeof chunk)) > 0;) fromChild.append(chunk, static_cast<std::size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::istringstream lines(fromChild);
    for (std::string key; std::getline(lines, key);) keys.push_back(key);

    ASSERT_EQ(keys.size(), 800u);
    std::set<std::string> whole, firstEight;
    for (const std::string& key : keys) {
        EXPECT_EQ(key.rfind("DbScan", 0), 0u) << key;
        whole.insert(key);
        firstEight.insert(key.substr(0, 8));  // what the document key keeps
    }
    EXPECT_EQ(whole.size(), keys.size());
    EXPECT_EQ(firstEight.size(), keys.size());
}

TEST(FileLogging, KeyThatDoesNotFitGivesZero) {
    QTemporaryDir home;
    FileLogging log(PathOf(home));
    const std::vector<std::pair<int32_t, bool>> cases = {{256, true}, {9, true}, {8, false}, {0, false}, {-1, false}};
    for (const auto& [capacity, fits] : cases) {  // "RL-key", two digits and a NUL need 9
        std::string buffer = "old";
        const Status length = log.KestGetUniqueObjectKey(buffer, capacity, "RL-key");
        EXPECT_EQ(buffer.size(), static_cast<std::size_t>(std::max(capacity, 0))) << capacity;
        if (!fits) {
            EXPECT_EQ(length, 0) << capacity;
            continue;
        }
        ASSERT_EQ(length, 8) << capacity;
        EXPECT_EQ(buffer[8], '\0');
        EXPECT_EQ(buffer.compare(0, 6, "RL-key"), 0);
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
}

TEST(DetachedAnalysisProgram, StartsOrSaysWhyNot) {
    QTemporaryDir folder;
    const fs::path notExecutable = PathOf(folder) / "ana";
    std::ofstream(notExecutable) << "#!/bin/sh\n";
    struct Case {
        std::string program;
        bool started;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"/bin/true", true, ""},
        {"", false, "The analysis program is not configured (instrument.analysis_program in the suite file)."},
        {"/no/such/ana", false, "Cannot start the analysis program '/no/such/ana': no such file"},
        {notExecutable.string(), false, "Cannot start the analysis program '" + notExecutable.string() + "': the file is not executable"},
        {PathOf(folder).string(), false, "Cannot start the analysis program '" + PathOf(folder).string() + "': it is a folder"},
        {"kestplus-no-such-program", false, "Cannot start the analysis program 'kestplus-no-such-program': "},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(DetachedAnalysisProgram(c.program).start(error), c.started) << c.program;
        EXPECT_EQ(error.substr(0, c.message.size()), c.message);
        EXPECT_EQ(error.empty(), c.started);
    }
}

}  // namespace
}  // namespace kest
