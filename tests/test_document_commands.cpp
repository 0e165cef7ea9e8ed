// The point commands and the document commands of the File menu: on recording fakes for
// the call orders and questions, on real documents for what reaches the disk.

#include "ProgramOnDocuments.h"
#include "ProgramOnFakes.h"
#include "TextRows.h"

#include "acquisition/ScanCommands.h"
#include "core/Formats.h"
#include "document/DocumentCommands.h"
#include "document/Recovery.h"
#include "document/ZonesFile.h"
#include "geometry/PointCommands.h"
#include "geometry/ZoneTable.h"
#include "results/ResultTables.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kest {
namespace {

namespace fs = std::filesystem;
using fakes::FileBytes;
using fakes::Padded;

TEST(PointCommands, DeleteAsksThenDeletesFromTheHighestIndexDown) {
    struct Case { std::vector<int> selected; int16_t curPnt; bool ok; std::vector<std::string> questions, deletes; };
    const Case cases[] = {
        {{2}, 2, true, {"KestPlus: Remove Point #  3"}, {"KestDbDeletePt(DbScan01, 2)"}},
        {{4}, 1, true, {"KestPlus: Remove Point #  2"}, {"KestDbDeletePt(DbScan01, 1)"}},  // the last clicked row
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

TEST(DocumentCommands, AddPutsAPointAtTheOriginAndNewEmptiesTheListsAndRestoresTheSettings) {
    fakes::ProgramOnDocuments p;
    p.state.DefaultNumberOfMeasures = 2;
    NewCommand(p.state, p.suite, p.view);
    AddPoint(p.state, p.suite, p.view);
    ASSERT_EQ(p.view.pointLines.size(), 1u);
    EXPECT_EQ(WithoutTrailingBlanks(p.view.pointLines[0]), "   1                           0        0          unmeasured");  // no value: never counted
    EXPECT_EQ(std::pair(p.state.CurPnt, p.view.busy), std::pair(int16_t{0}, false));
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

// Unlike the design, work is never dropped without a question: New, Open and Scan New ask
// first (Scan New only for points, which it deletes).
TEST(DocumentCommands, UnsavedWorkIsAskedAboutBeforeItIsDropped) {
    using P = fakes::ProgramOnDocuments;
    using C = MainView::SaveChoice;
    const auto point = [](P& p) { AddPoint(p.state, p.suite, p.view); };
    const auto zone = [](P& p) { AddZone(p.state, p.view); };
    const auto newDocument = [](P& p) { NewCommand(p.state, p.suite, p.view); };
    const auto open = [](P& p) { OpenCommand(p.state, p.suite, p.view); };
    const auto scanNew = [](P& p) { ScanNew(p.state, p.suite, p.view); };
    const struct {
        const char* name;
        std::function<void(P&)> change, command;
        std::optional<C> answer;  // none: no question
        int points;               // afterwards; -1: whatever the scan made
    } cases[] = {
        {"New, Cancel", point, newDocument, C::Cancel, 1},
        {"New, Save that fails", [&](P& p) { point(p), fs::create_directories(p.folder() / "documents" / "profile-001.ana"); },
         newDocument, C::Save, 1},
        {"Open, Cancel", point, open, C::Cancel, 1},
        {"Scan New, Cancel", [&](P& p) { zone(p), point(p); }, scanNew, C::Cancel, 1},
        {"a zone, Scan New", zone, scanNew, std::nullopt, -1},
        {"nothing", [](P&) {}, newDocument, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        P p;
        NewCommand(p.state, p.suite, p.view);
        c.change(p);
        if (c.answer) p.view.saveAnswers = {*c.answer};
        c.command(p);
        EXPECT_EQ(p.view.questions, c.answer ? std::vector<std::string>{"Save changes to profile-001.ana?"}
                                             : std::vector<std::string>{});
        EXPECT_TRUE(c.points < 0 || p.state.NbPts == c.points) << p.state.NbPts;
        EXPECT_EQ(fs::exists(p.folder() / "documents" / "profile-001.ana"), c.answer == C::Save);
    }
}

// The name chosen gets ".ana" unless it ends so, and the zones file is that path with
// ".PRF" for ".ana": never another profile's. Paths are kept whole, however long, in UTF-8.
TEST(DocumentCommands, SaveAsGivesAnAnaDocumentWithItsZonesFileBeside) {
    fakes::ProgramOnDocuments p;
    const fs::path deep = p.folder() / std::string(100, 'd') / std::string(100, 'e') / "R\xC3\xA9sultats";
    fs::create_directories(deep);
    std::ofstream(p.folder() / "line.PRF") << "another profile's zones";
    const struct { fs::path chosen; std::string document, zones; } cases[] = {
        {p.folder() / "line1.v2", "line1.v2.ana", "line1.v2.PRF"},
        {p.folder() / "line1", "line1.ana", "line1.PRF"},
        {p.folder() / "LINE2.ANA", "LINE2.ANA", "LINE2.PRF"},
        {deep / ("\xC3\xA9" "chantillon " + std::string(80, 'n') + ".ana"), "", ""},
    };
    for (const auto& c : cases) {
        const fs::path folder = c.chosen.parent_path();
        const std::string document = c.document.empty() ? c.chosen.string() : (folder / c.document).string();
        const std::string zones = c.zones.empty() ? document.substr(0, document.size() - 4) + ".PRF" : (folder / c.zones).string();
        SCOPED_TRACE(document);
        NewCommand(p.state, p.suite, p.view);
        AddZone(p.state, p.view);
        AddPoint(p.state, p.suite, p.view);
        p.chosen = c.chosen.string();
        ASSERT_TRUE(SaveAsCommand(p.state, p.suite, p.view));
        EXPECT_EQ(p.view.caption, "KestPlus [" + document + "]");
        EXPECT_EQ(p.state.ZonesPath, zones);
        EXPECT_EQ(FileBytes(zones), ZonesFileText(p.state));

        NewCommand(p.state, p.suite, p.view);
        if (c.zones == "line1.PRF") fs::rename(zones, folder / "line1.prf");  // as another system may write it
        p.chosen = document;
        OpenCommand(p.state, p.suite, p.view);
        EXPECT_EQ(p.view.caption, "KestPlus [" + document + "]");
        EXPECT_EQ(std::pair(p.view.zoneLines.size(), p.view.pointLines.size()), std::pair(std::size_t{1}, std::size_t{1}));
    }
    EXPECT_EQ(FileBytes(p.folder() / "line.PRF"), "another profile's zones");
    EXPECT_TRUE(p.view.messages.empty());
}

// Working files two crashed programs left: one deleted, then the other recovered as the
// working document with its points and zones, unsaved, the caption saying so.
TEST(Recovery, LeftoversAreDeletedOrRecoveredAtTheOperatorsChoice) {
    fakes::ProgramOnDocuments p;
    SqliteAnalysisDatabase crashed(fakes::ConfigOf({ElementSetup{}}), p.folder() / "work", p.folder() / "documents");
    for (const int points : {2, 3}) {
        std::string key = "Crash" + std::to_string(points), path;
        crashed.KestDbObjectNew(key, 1, 0);
        crashed.KestDbReset(key, path, 80);
        for (int i = 0; i < points; ++i) crashed.KestDbAddPt(key, 100 * i, 0, 0);
        ProfileState zones;
        AddZone(zones, p.view);
        crashed.KestDbKeepZones(key, ZonesFileText(zones));
        crashed.KestDbObjectAbandon(key);
    }
    const fs::path damaged = p.folder() / "work" / "99999-1.ana";  // the newest, listed last
    std::ofstream(damaged) << "not a document";
    NewCommand(p.state, p.suite, p.view);
    std::vector<std::vector<std::string>> asked;
    using Action = MainView::RecoveryChoice::Action;
    p.view.recovery = [&](const std::vector<std::string>& lines) { return MainView::RecoveryChoice{Action::Recover, int(lines.size()) - 1}; };
    OfferRecovery(p.state, p.suite, p.view);
    EXPECT_TRUE(fs::exists(damaged)) << "a leftover whose recovery failed is kept";
    p.view.recovery = [&](const std::vector<std::string>& lines) {
        asked.push_back(lines);
        return MainView::RecoveryChoice{asked.size() == 1 ? Action::Delete : Action::Recover, 0};
    };
    OfferRecovery(p.state, p.suite, p.view);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(std::pair(asked[0].size(), asked[1].size()), std::pair(std::size_t{3}, std::size_t{2}));
    EXPECT_EQ(asked[0][0].rfind("a new document: 2 points, last change ", 0), 0u) << asked[0][0];
    EXPECT_EQ(p.view.questions, std::vector<std::string>{"KestPlus: Delete " + asked[0][0] + "? Its points can never be recovered afterwards."});
    EXPECT_EQ(std::pair(p.view.pointLines.size(), p.view.zoneLines.size()), std::pair(std::size_t{3}, std::size_t{1}));
    EXPECT_EQ(p.view.caption, "KestPlus [" + (p.folder() / "documents" / "profile-001.ana").string() + "]* (recovered)");
    EXPECT_EQ(p.db.KestDbLeftovers().size(), 1u);
    p.chosen = (p.folder() / "recovered.ana").string();
    SaveAsCommand(p.state, p.suite, p.view);
    EXPECT_EQ(p.view.caption, "KestPlus [" + *p.chosen + "]");
}

}  // namespace
}  // namespace kest
