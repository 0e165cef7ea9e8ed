// The point commands and the document commands of the File menu: on recording fakes for
// the call orders and questions, on real documents for what reaches the disk.

#include "ProgramOnDocuments.h"
#include "ProgramOnFakes.h"

#include "document/DocumentCommands.h"
#include "document/ZonesFile.h"
#include "geometry/PointCommands.h"
#include "geometry/ZoneTable.h"
#include "results/ResultTables.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace kest {
namespace {

namespace fs = std::filesystem;

std::string FileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Padded(std::string row) {
    row.resize(80, ' ');
    return row;
}

TEST(PointCommands, DeleteAsksThenDeletesFromTheHighestIndexDown) {
    struct Case { std::vector<int> selected; int16_t curPnt; bool ok; std::vector<std::string> questions, deletes; };
    const Case cases[] = {
        {{2}, 2, true, {"KestPlus: Remove Point #  3"}, {"KestDbDeletePt(DbScan01, 2)"}},
        {{4}, 1, true, {"KestPlus: Remove Point #  2"}, {"KestDbDeletePt(DbScan01, 1)"}},  // the last clicked row
        {{0, 2, 4}, 4, true, {"KestPlus: Remove All (3) Selected Points"},
         {"KestDbDeletePt(DbScan01, 4)", "KestDbDeletePt(DbScan01, 2)", "KestDbDeletePt(DbScan01, 0)"}},
        {{0, 2, 4}, 4, false, {"KestPlus: Remove All (3) Selected Points"}, {}},
        {{}, 0, true, {}, {}},
    };
    for (const Case& c : cases) {
        fakes::ProgramOnFakes p;
        auto& [fake, state, view] = p;
        state.AppLabel = "KestPlus";
        state.DocKey = "DbScan01";
        fake.db.points.resize(5);
        LoadPoints(state, fake.db);
        state.CurPnt = c.curPnt;
        view.pointSelection = c.selected;
        view.confirmAnswers = {c.ok};
        DeletePoints(state, fake.suite, view);

        EXPECT_EQ(view.questions, c.questions);
        EXPECT_EQ(fake.db.named("KestDbDeletePt"), c.deletes);
        EXPECT_EQ(state.NbPts, 5 - static_cast<int>(c.deletes.size()));
        EXPECT_TRUE(c.ok || state.LibStatus == 2);  // the answer Cancel
        EXPECT_FALSE(view.busy);
    }
}

TEST(PointCommands, AddPutsAPointAtTheOriginAndListsIt) {
    fakes::ProgramOnDocuments p;
    NewCommand(p.state, p.suite, p.view);
    AddPoint(p.state, p.suite, p.view);
    ASSERT_EQ(p.view.pointLines.size(), 1u);
    EXPECT_EQ(p.view.pointLines[0].substr(0, 50), "   1      0.00   0.00 %        0        0         ");
    EXPECT_EQ(p.state.CurPnt, 0);
    EXPECT_FALSE(p.view.busy);
}

TEST(DocumentCommands, NewEmptiesTheListsAndRestoresTheDocumentSettings) {
    fakes::ProgramOnDocuments p;
    p.state.DefaultNumberOfMeasures = 2;
    NewCommand(p.state, p.suite, p.view);
    AddPoint(p.state, p.suite, p.view);
    AddZone(p.state, p.view);
    SelectZoneRow(p.state, p.view, 0);
    p.state.Ax = 2, p.state.Mp = 5, p.state.Dm = 30, p.state.GraphSelectedOnly = 1;

    NewCommand(p.state, p.suite, p.view);
    EXPECT_TRUE(p.view.pointLines.empty());
    EXPECT_TRUE(p.view.zoneLines.empty());
    EXPECT_FALSE(p.view.zoneCommandsEnabled);
    EXPECT_EQ(p.view.elementLines, (std::vector<std::string>{Padded("Fe Fe           1")}));
    EXPECT_EQ(std::tuple(p.state.Nc, p.state.Ax, p.state.Mp, p.state.Dm, p.state.GraphSelectedOnly, p.view.option1),
              std::tuple(10, 1, 1, 0, 0, 0));
    EXPECT_EQ(p.view.caption, "KestPlus [" + (p.folder() / "documents" / "profile-001.ana").string() + "]");
    EXPECT_TRUE(p.view.messages.empty());
}

TEST(DocumentCommands, SaveAsWritesTheDocumentAndItsZonesFileBeside) {
    fakes::ProgramOnDocuments p;
    NewCommand(p.state, p.suite, p.view);
    AddZone(p.state, p.view);
    AddPoint(p.state, p.suite, p.view);
    p.chosen = (p.folder() / "line1.ana").string();
    SaveAsCommand(p.state, p.suite, p.view);

    EXPECT_EQ(p.view.caption, "KestPlus [" + *p.chosen + "]");
    EXPECT_EQ(p.state.ZonesPath, (p.folder() / "line1.PRF").string());
    EXPECT_EQ(FileBytes(p.folder() / "line1.PRF"), ZonesFileText(p.state));
    EXPECT_TRUE(fs::exists(*p.chosen));

    // Opened again after New: the points and the zones come back.
    NewCommand(p.state, p.suite, p.view);
    ASSERT_TRUE(p.view.zoneLines.empty());
    OpenCommand(p.state, p.suite, p.view);
    EXPECT_EQ(p.view.caption, "KestPlus [" + *p.chosen + "]");
    EXPECT_EQ(p.view.zoneLines.size(), 1u);
    EXPECT_EQ(p.view.pointLines.size(), 1u);
    EXPECT_TRUE(p.view.messages.empty());
    EXPECT_FALSE(p.view.busy);
}

TEST(DocumentCommands, SaveRightAfterNewUsesThePathTheLibraryGave) {
    fakes::ProgramOnDocuments p;
    NewCommand(p.state, p.suite, p.view);
    const std::string caption = p.view.caption;
    SaveCommand(p.state, p.suite, p.view);
    EXPECT_EQ(p.view.caption, caption);
    EXPECT_TRUE(fs::exists(p.folder() / "documents" / "profile-001.ana"));
    EXPECT_TRUE(fs::exists(p.folder() / "documents" / "profile-001.PRF"));
}

TEST(DocumentCommands, AnOpenThatFailsLeavesAnEmptyDocument) {
    fakes::ProgramOnDocuments p;
    const fs::path text = p.folder() / "notes.ana";
    std::ofstream(text) << "not a document\n";
    for (const std::optional<std::string>& chosen : {std::optional<std::string>{}, std::optional(text.string())}) {
        NewCommand(p.state, p.suite, p.view);
        AddPoint(p.state, p.suite, p.view);
        p.view.messages.clear();
        p.chosen = chosen;
        OpenCommand(p.state, p.suite, p.view);
        EXPECT_TRUE(p.view.pointLines.empty());
        EXPECT_EQ(p.state.LibStatus, -1);
        EXPECT_EQ(p.view.caption, "KestPlus [" + (p.folder() / "documents" / "profile-001.ana").string() + "]");
        // Cancelled: not a word; a file that is not a document: the library says why.
        EXPECT_EQ(p.view.messages.size(), chosen ? 1u : 0u);
    }
    EXPECT_EQ(FileBytes(text), "not a document\n");
}

TEST(DocumentCommands, ADocumentWhoseReferenceIsMissingOpensWithAZeroLine) {
    fakes::ProgramOnDocuments p({ElementSetup{.z = 6, .spectrometer = 3, .standard = "/gone/carbon.ana"}});
    NewCommand(p.state, p.suite, p.view);
    p.chosen = (p.folder() / "carbon-line.ana").string();
    SaveAsCommand(p.state, p.suite, p.view);
    p.view.messages.clear();

    OpenCommand(p.state, p.suite, p.view);
    EXPECT_EQ(p.view.messages, (std::vector<std::string>{"Reference Error!  A =  0     B =  0"}));
    EXPECT_EQ(p.view.caption, "KestPlus [" + *p.chosen + "]");
    EXPECT_EQ(p.view.elementLines, (std::vector<std::string>{Padded("C  /gone/carbon 3")}));
}

}  // namespace
}  // namespace kest
