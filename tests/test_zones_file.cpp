// The zones file: its bytes, reading it back, every kind of damaged file, and Load Zones.

#include "FakeMainView.h"
#include "FileSizeLimit.h"
#include "TextRows.h"

#include "document/ZonesFile.h"
#include "geometry/ZoneTable.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace kest {
namespace {

const std::string kCrLf = "\r\n";
const std::string kHeader = "KestProfile  2\r\nNc     1\r\nAx     1\r\nMp     1\r\nDm     0\r\n";

ZoneRecord Zone(char type, int32_t length, int32_t stepMin, int32_t stepMax, float dConc, const char* tag = "   ") {
    ZoneRecord zone;
    zone.type = type, zone.length = length, zone.stepMin = stepMin, zone.stepMax = stepMax, zone.dConc = dConc, zone.tag = tag;
    return zone;
}

using fakes::FileBytes;

std::string Padded(std::string line) { return fakes::Padded(std::move(line)) + kCrLf; }

ZonesReadEnd Read(ProfileState& state, const std::string& text) {
    std::istringstream in(text);
    return ReadZones(state, in);
}

class ZonesFileTest : public ::testing::Test {
protected:
    void SetUp() override { state.ZonesPath = dir.filePath("line.PRF").toStdString(); }
    void setZones(std::initializer_list<ZoneRecord> zones) {
        for (const ZoneRecord& zone : zones) state.Zones[static_cast<std::size_t>(state.NbZones++)] = zone;
    }

    QTemporaryDir dir;
    ProfileState state;
    fakes::FakeMainView view;
};

TEST_F(ZonesFileTest, WritesTheHeaderAndOneLineOf80CharactersPerZone) {
    struct Case { const char* name; int32_t offset; std::vector<ZoneRecord> zones; std::string expected; };
    const Case cases[] = {
        {"empty table", 0, {}, kHeader + "O      0\r\n"},
        {"variable zone", 0, {Zone('V', 500, 10, 50, 2.5f)},
         kHeader + "O      0\r\n" + "V        500     10     50  2.500" + std::string(47, ' ') + kCrLf},
        {"long offset keeps six characters", 1234567, {}, kHeader + "O 123456\r\n"},
        {"negative offset", -12, {}, kHeader + "O    -12\r\n"},
        {"dConc of 100", 0, {Zone('V', 1, 2, 3, 100.0f, "Ab1")}, kHeader + "O      0\r\n" + Padded("V Ab1      1      2      3 100.00")},
        {"fixed zone keeps no step max", 0, {Zone('F', 650, 30, 99, 7.0f)}, kHeader + "O      0\r\n" + Padded("F        650     30")},
        {"adaptive zone", 0, {Zone('A', 10000, 5, 1000, 0.15f)}, kHeader + "O      0\r\n" + Padded("A      10000      5   1000  0.150")},
        {"any other type is variable", 0, {Zone(' ', 0, 0, 0, 0.0f)}, kHeader + "O      0\r\n" + Padded("V          0      0      0  0.000")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.NbZones = 0;
        state.O = c.offset;
        for (const ZoneRecord& zone : c.zones) state.Zones[static_cast<std::size_t>(state.NbZones++)] = zone;
        ASSERT_TRUE(WriteZonesFile(state));
        EXPECT_EQ(FileBytes(state.ZonesPath), c.expected);
    }
}

TEST_F(ZonesFileTest, ZonesComeBackAsTheyWereButAFixedZoneKeepsNoStepMaxOrDConc) {
    state.Nc = 10, state.Ax = 2, state.Mp = 5, state.Dm = -40, state.O = -99999;
    setZones({Zone('V', 600, 5, 50, 1.0f, "Ni1"), Zone('V', -1200, -20, 999999, 0.125f, "a b"), Zone('V', 0, 0, 0, 99.999f, "   "),
              Zone('A', 1, 1, 1, 0.001f, "zzz"), Zone('F', 650, 30, 40, 3.0f, "Cr ")});
    ASSERT_TRUE(WriteZonesFile(state));

    ProfileState back;
    EXPECT_EQ(ReadZonesFile(back, view, state.ZonesPath), ZonesReadEnd::Complete);
    EXPECT_EQ((std::vector<int>{back.Nc, back.Ax, back.Mp, back.Dm, back.O, back.NbZones}),
              (std::vector<int>{10, 2, 5, -40, -99999, 5}));
    state.Zones[4].stepMax = 0, state.Zones[4].dConc = 0.0f;
    for (int i = 0; i < 5; ++i) {
        const ZoneRecord &a = state.Zones[static_cast<std::size_t>(i)], &b = back.Zones[static_cast<std::size_t>(i)];
        EXPECT_EQ(std::tie(a.type, a.length, a.stepMin, a.stepMax, a.dConc, a.tag),
                  std::tie(b.type, b.length, b.stepMin, b.stepMax, b.dConc, b.tag)) << "zone " << i;
    }
}

TEST_F(ZonesFileTest, ReadsWhatItCanAndKeepsIt) {
    const std::string vLine = Padded("V Tg1    500     10     50  2.500");
    std::string lines250;
    for (int i = 0; i < 250; ++i) lines250 += vLine;
    struct Case { const char* name; std::string text; ZonesReadEnd end; std::vector<int> settings; int zones; };  // settings: Nc Ax Mp Dm O
    // The state starts with Nc 15, Ax 2, Mp 5, Dm 7, O 3: what a file does not set stays.
    const Case cases[] = {
        {"version 2", kHeader + "O    -12\r\n" + vLine, ZonesReadEnd::Complete, {1, 1, 1, 0, -12}, 1},
        {"version 1 has no settings lines", "KestProfile  1\r\nO     44\r\n" + vLine, ZonesReadEnd::Complete, {15, 2, 5, 7, 44}, 1},
        {"lines ended by LF alone", "KestProfile  2\nNc     5\nAx     2\nMp     3\nDm     9\nO      1\n" + vLine,
         ZonesReadEnd::Complete, {5, 2, 3, 9, 1}, 1},
        {"lower-case magic", "kestprofile  2\r\n" + kHeader, ZonesReadEnd::WrongMagic, {15, 2, 5, 7, 3}, 0},
        {"250 zone lines load 201", kHeader + "O      0\r\n" + lines250, ZonesReadEnd::Stopped, {1, 1, 1, 0, 0}, 201},
        {"a zone number out of range", kHeader + "O      0\r\n" + vLine + vLine + Padded("V        500 9e9999"),
         ZonesReadEnd::Stopped, {1, 1, 1, 0, 0}, 2},
        {"a setting out of range", "KestProfile  2\r\nNc     5\r\nAx 99999\r\n", ZonesReadEnd::Stopped, {5, 2, 5, 7, 3}, 0},
        {"a version out of range", "KestProfile  99999\r\n", ZonesReadEnd::Stopped, {15, 2, 5, 7, 3}, 0},
        {"a file that ends early", "KestProfile  2\r\nNc    10\r\n", ZonesReadEnd::Stopped, {10, 2, 5, 7, 3}, 0},
        {"an empty file", "", ZonesReadEnd::Stopped, {15, 2, 5, 7, 3}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileState read;
        read.Nc = 15, read.Ax = 2, read.Mp = 5, read.Dm = 7, read.O = 3;
        EXPECT_EQ(Read(read, c.text), c.end);
        EXPECT_EQ((std::vector<int>{read.Nc, read.Ax, read.Mp, read.Dm, read.O}), c.settings);
        EXPECT_EQ(read.NbZones, c.zones);
    }
}

// Inputs at the edges of what a reader meets; fuzz/fuzz_zones_file.cpp explores the rest.
TEST_F(ZonesFileTest, ReaderSurvivesAnyBytes) {
    std::vector<std::string> inputs{
        kHeader + "O      0\r\n" + std::string(5'000'000, '7'),            // one enormous line
        kHeader + "O      0\r\n" + std::string(300, '\0') + "\r\n",         // NUL bytes
        std::string("KestProfile  2") + std::string(10'000, '\r'),           // 10,000 empty lines
        kHeader + "O\r\n" + std::string(12, '-') + "\r\n" + "V 1e308 1e308 -1e308 1e39" + std::string(10'000, '\n'),
        "KestProfile  -+\r\n" + std::string(2000, '\xFF') + "\nV\nF 1 2 3 4 5 6 7 8 9\r\n\r\n",
    };
    for (const std::string& text : inputs) {
        ProfileState read;
        Read(read, text);
        ASSERT_GE(read.NbZones, 0);
        ASSERT_LE(read.NbZones, kZoneSlots);
        for (int i = read.NbZones; i < kZoneSlots; ++i) ASSERT_EQ(read.Zones[static_cast<std::size_t>(i)].type, ' ');
        // Whatever was read, writing it is stable: the written file reads back to itself.
        const std::string written = ZonesFileText(read);
        ProfileState again;
        ASSERT_EQ(Read(again, written), ZonesReadEnd::Complete);
        ASSERT_EQ(ZonesFileText(again), written);
    }
}

TEST_F(ZonesFileTest, LoadZonesReplacesTheTableOnlyWhenAFileIsChosen) {
    setZones({Zone('F', 10, 1, 0, 0.0f)});
    view.zoneCommandsEnabled = true;
    LoadZones(state, view);  // cancelled
    EXPECT_EQ(state.NbZones, 1);
    EXPECT_FALSE(view.zoneCommandsEnabled);

    std::ofstream(state.ZonesPath, std::ios::binary) << "KestProfile  2\r\nNc     7\r\nAx     2\r\nMp     3\r\nDm    25\r\nO   -300\r\n"
                                                     << Padded("V Ni1    600      5     50  1.000");
    view.zonesFile = state.ZonesPath;
    view.zoneCommandsEnabled = true;
    LoadZones(state, view);
    EXPECT_EQ(view.zoneLines, std::vector<std::string>{ZoneListLine(state.Zones[0])});
    EXPECT_EQ(state.Zones[1].type, ' ');
    EXPECT_EQ((std::vector<int>{view.optNC, view.optXY, view.omp}), (std::vector<int>{-1, 1, 1}));  // no button is 7 counts
    EXPECT_EQ(state.Nc, 7);
    EXPECT_EQ(view.pattern, " 25");
    EXPECT_EQ(view.offset, "-300");
    EXPECT_FALSE(view.zoneCommandsEnabled);

    std::ofstream(state.ZonesPath, std::ios::binary) << "kestprofile  2\r\n";
    LoadZones(state, view);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Magic Number Error"});
    EXPECT_EQ(state.NbZones, 0);
    EXPECT_TRUE(view.zoneLines.empty());
}

TEST_F(ZonesFileTest, AFileThatCannotBeWrittenLeavesTheFormerOneAlone) {
    ASSERT_TRUE(WriteZonesFile(state));
    const std::string former = FileBytes(state.ZonesPath);
    setZones({Zone('V', 1, 2, 3, 4.0f)});
    {
        const fakes::FileSizeLimit full(100);  // the disk fills up half-way through the new file
        std::string error;
        EXPECT_FALSE(WriteZonesFile(state, &error));
        EXPECT_EQ(error, "File too large");
    }
    EXPECT_EQ(FileBytes(state.ZonesPath), former);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"line.PRF"});  // no part of one

    state.ZonesPath = dir.filePath("no such folder/line.PRF").toStdString();
    EXPECT_FALSE(WriteZonesFile(state));
}

}  // namespace
}  // namespace kest
