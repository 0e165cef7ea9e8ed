// Batches of lines on the simulated instrument (virtual clock, no noise): three lines give
// the documents of three single scans from the same starts; a malformed batch file and every
// check refuse the batch before anything moves; a fault stops it with the line saved and
// failed, and --resume runs only what remains.

#include "HeadlessFixture.h"

#include "batch/BatchFile.h"
#include "batch/BatchState.h"
#include "core/WholeFile.h"
#include "document/ZonesFile.h"
#include "shell/BatchEditor.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace kest {
namespace {

struct Batch : Headless {
    Batch() { writeZone("line.PRF", fakes::FixedZone(400, 100)); }
    // `lines` is the text inside the array of lines.
    int run(const std::string& lines, const std::string& suite = "suite.json", bool resume = false) {
        write("night.json", "{\"lines\": [" + lines + "]}");
        out.str(""), err.str("");
        return RunBatchCommand({file("night.json"), file(suite), false, resume}, folders, out, err);
    }
    std::size_t rows(const std::string& document) {
        const std::string text = csv(document);
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    }
    std::string csv(const std::string& document) {
        std::ostringstream text, ignored;
        EXPECT_EQ(RunExport({file(document), std::nullopt, std::nullopt}, folders, text, ignored), kDone) << ignored.str();
        return text.str();
    }
};

const char* const kThreeLines =
    R"({"save": "a.ana", "zones": "line.PRF", "start": [0, 0, 0]},
       {"save": "b", "zones": "line.PRF", "start": [150, 40, 7], "time": 2},
       {"save": "c.ana", "zones": "line.PRF", "start": [-300, -20, 0]})";

TEST(Batch, ThreeLinesGiveTheDocumentsOfThreeScansFromTheSameStarts) {
    Batch b;
    ASSERT_EQ(b.run(kThreeLines), kDone) << b.err.str();
    EXPECT_EQ(b.err.str().rfind("batch of 3 lines, 15 points, about 0:01:50\n", 0), 0u) << b.err.str();
    EXPECT_NE(b.err.str().find("\nline 2 of 3, point    5 of 5 at X 550, Y 40,"), std::string::npos) << b.err.str();
    EXPECT_NE(b.out.str().find("   2       5  done     0:00:00   " + b.file("b.ana").string() + "\n"), std::string::npos)
        << b.out.str();
    const struct { const char *document, *position, *time; } singles[] = {
        {"a.ana", "0, 0, 0", "10"}, {"b.ana", "150, 40, 7", "2"}, {"c.ana", "-300, -20, 0", "10"}};
    for (const auto& single : singles) {
        SCOPED_TRACE(single.document);
        Headless h;
        h.write("at.json", Replaced(kSuiteFile, "\"noise\": false", "\"noise\": false, \"stage_position\": [" +
                                                                         std::string(single.position) + "]"));
        h.write("line.PRF", b.read("line.PRF"));
        ScanCommand scan = h.scan("line.PRF", "at.json");
        scan.time = single.time;
        ASSERT_EQ(h.run(scan), kDone) << h.err.str();
        std::ostringstream expected, ignored;
        RunExport({h.file("doc.ana"), std::nullopt, std::nullopt}, h.folders, expected, ignored);
        EXPECT_EQ(b.csv(single.document), expected.str());
    }
}

TEST(Batch, AMalformedBatchFileIsRefusedNamingTheField) {
    const struct { std::string text, message; } cases[] = {
        {"[]", "expected a JSON object with the field lines"},
        {R"({"lines": []})", "lines: expected an array of one line or more"},
        {R"({"lines": [{"zones": "z.PRF", "start": [0, 0, 0]}]})", "lines[0].save: missing"},
        {R"({"lines": [{"save": "d", "zones": 3, "start": [0, 0, 0]}]})", "lines[0].zones: expected a file name"},
        {R"({"lines": [{"save": "d", "zones": "z.PRF", "start": [0, 0]}]})", "lines[0].start: expected [x, y, z]"},
        {R"({"lines": [{"save": "d", "zones": "z.PRF", "start": [0, 1.5, 0]}]})", "lines[0].start[1]: expected an integer"},
        {R"({"lines": [{"save": "d", "zones": "z.PRF", "start": [0, 0, 0], "time": 0}]})",
         "lines[0].time: expected a number greater than 0 and at most 32767"},
        {R"({"lines": [{"save": "d", "zones": "z.PRF", "start": [0, 0, 0], "colour": 1}]})", "lines[0].colour: unknown field"},
        {"{\"lines\": [\n{", "JSON syntax error at line 2, column 2"},
        {R"({"lines": [{"save": "d", "zones": "z.PRF", "start": [1e400, 0, 0]}]})", "number overflow parsing '1e400'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            ParseBatchText(c.text, "/data", "night.json");
            ADD_FAILURE() << "accepted";
        } catch (const BatchFileError& error) {
            EXPECT_EQ(std::string(error.what()).rfind("night.json: " + c.message, 0), 0u) << error.what();
        }
    }
}

// Every problem is listed at once, and nothing is moved, measured or written.
TEST(Batch, EveryCheckRefusesTheBatchBeforeAnythingMoves) {
    Batch b;
    b.write("wrong.PRF", "KestProfil  2\r\n");
    b.writeZone("endless.PRF", fakes::VariableZone(400, 0, 100, 1.0f));
    std::filesystem::create_directory(b.file("locked"));
    std::filesystem::create_directory_symlink(b.file(""), b.file("here"));
    std::filesystem::create_directory(StateFileOf(b.file("night.json")));  // the progress cannot be kept there
    b.write("g.ana", "earlier");
    std::filesystem::permissions(b.file("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const struct { std::string line, message; } cases[] = {
        {R"({"save": "a", "zones": "absent.PRF", "start": [0, 0, 0]})", "line 1: the zones file " + b.file("absent.PRF").string() + " cannot be read"},
        {R"({"save": "b", "zones": "wrong.PRF", "start": [0, 0, 0]})", "line 2: " + b.file("wrong.PRF").string() + " is not a zones file"},
        {R"({"save": "c", "zones": "endless.PRF", "start": [0, 0, 0]})", "line 3: the zones file " + b.file("endless.PRF").string() + ": Zone 1 (V) cannot be scanned"},
        {R"({"save": "absent/d", "zones": "line.PRF", "start": [0, 0, 0]})", "line 4: the folder " + b.file("absent").string() + " does not exist"},
        {R"({"save": "locked/e", "zones": "line.PRF", "start": [0, 0, 0]})", "line 5: the folder " + b.file("locked").string() + " cannot be written"},
        {R"({"save": "a.ana", "zones": "line.PRF", "start": [0, 0, 0]})", "line 6: saves to " + b.file("a.ana").string() + ", as line 1 does"},
        {R"({"save": "f", "zones": "line.PRF", "start": [0, 0, 6000000]})", "line 7: the start Z = 6000000 lies outside the stage's travel, -5000000 to 5000000"},
        {R"({"save": "here/a.ana", "zones": "line.PRF", "start": [0, 0, 0]})", "line 8: saves to " + b.file("here/a.ana").string() + ", as line 1 does"},
        {R"({"save": "a.ANA", "zones": "line.PRF", "start": [0, 0, 0]})", "line 9: saves its zones file to " + b.file("a.PRF").string() + ", as line 1 does"},
        {R"({"save": "h", "zones": "line.PRF", "start": [-6000000, 0, 0]})", "line 10: the start X = -6000000 lies outside the stage's travel"},
        {R"({"save": "i", "zones": "line.PRF", "start": [4999900, 0, 0]})", "line 11: the zones file " + b.file("line.PRF").string() + " from the line's start: Zone 1 (F) ends at X = 5000300, outside"},
        {R"({"save": "g", "zones": "line.PRF", "start": [0, 0, 0]})", "line 12: the document " + b.file("g.ana").string() + " exists already; --force replaces it"},
        {R"({"save": "j", "zones": "line.PRF", "start": [0, 0, 0]})", "its progress cannot be kept: " + StateFileOf(b.file("night.json")).string() + " is a folder"},
    };
    std::string lines;
    for (const auto& c : cases) lines += (lines.empty() ? "" : ",") + c.line;
    if (::geteuid() == 0) lines.replace(lines.find("locked/e"), 8, "absent/e");  // root writes anywhere
    EXPECT_EQ(b.run(lines), kFailed);
    for (const auto& c : cases) {
        if (::geteuid() != 0 || c.message.find("locked") == std::string::npos) {
            EXPECT_NE(b.err.str().find("\n  " + c.message), std::string::npos) << c.message << "\n" << b.err.str();
        }
    }
    EXPECT_EQ(b.err.str().find("point"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(b.file("a.ana")));
    EXPECT_TRUE(std::filesystem::is_empty(StateFileOf(b.file("night.json"))));
}

// A counter that fails at line 2's third point: line 1 done, line 2 saved with its three
// points and failed, line 3 never started; --resume with the instrument mended runs lines 2
// and 3 only.
TEST(Batch, AFaultStopsTheBatchWhichResumesWhereItStopped) {
    Batch b;
    b.write("faulty.json", Replaced(kSuiteFile, "\"noise\": false", "\"noise\": false, \"faults\": {\"fail_after\": {\"KestReadCounter\": 7}}"));
    EXPECT_EQ(b.run(kThreeLines, "faulty.json"), kFailed);
    EXPECT_NE(b.err.str().find("Acquire Error ! Point 3 (X 350, Y 40)"), std::string::npos) << b.err.str();
    const std::string table = b.out.str();
    for (const char* row : {"   1       5  done", "   2       3  failed", "   3       0  waiting"})
        EXPECT_NE(table.find(row), std::string::npos) << row << "\n" << table;
    EXPECT_EQ(b.rows("b.ana"), 4u);  // the heading and 3 points
    EXPECT_FALSE(std::filesystem::exists(b.file("c.ana")));
    const std::string first = b.read("a.ana");

    EXPECT_EQ(b.run(kThreeLines, "suite.json", true), kDone) << b.err.str();
    EXPECT_EQ(b.err.str().rfind("batch of 2 lines, 10 points", 0), 0u) << b.err.str();
    EXPECT_EQ(b.err.str().find("line 1 of 3"), std::string::npos);
    EXPECT_EQ(b.read("a.ana"), first);
    EXPECT_EQ(b.rows("b.ana"), 6u);
    EXPECT_TRUE(std::filesystem::exists(b.file("c.ana")));
    EXPECT_EQ(b.run(kThreeLines, "suite.json", true), kDone);
    EXPECT_NE(b.err.str().find("is done already"), std::string::npos);

    // A line is done only while its document is the one it saved: gone, it runs again;
    // changed since, it is replaced only when asked.
    std::filesystem::remove(b.file("c.ana"));
    EXPECT_EQ(b.run(kThreeLines, "suite.json", true), kDone) << b.err.str();
    EXPECT_EQ(b.err.str().rfind("batch of 1 line, 5 points", 0), 0u) << b.err.str();
    std::ofstream(b.file("a.ana"), std::ios::app) << "changed";
    EXPECT_EQ(b.run(kThreeLines, "suite.json", true), kFailed);
    EXPECT_NE(b.err.str().find("line 1: the document " + b.file("a.ana").string() + " exists already"), std::string::npos) << b.err.str();
}

// Add starts at the stage's position with the document's zones file, once that exists; Up
// and Down move the selected line, and what Save writes Load reads back.
TEST(Batch, TheEditorAddsAtTheStageMovesLinesAndLoadsWhatItSaved) {
    fakes::ScanOnSimulator scan(fakes::QuietStep({{0, 10.0}}, {120, -40, 3}));
    QTemporaryDir dir;
    const Path file = Path(dir.path().toStdString()) / "night.json";
    BatchEditor editor(scan.state, scan.suite(), [&](bool) { return std::optional(file); });
    auto* table = editor.findChild<QTableWidget*>("BatchLines");
    const auto click = [](BatchEditor& on, const char* button) { on.findChild<QPushButton*>(button)->click(); };
    scan.state.ZonesPath = (Path(dir.path().toStdString()) / "line.PRF").string();
    QString refusal;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        refusal = box->text();
        box->accept();
    });
    click(editor, "Add");
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_TRUE(refusal.contains("line.PRF, which does not exist yet")) << refusal.toStdString();
    std::string error;
    ASSERT_TRUE(WriteWholeFile(scan.state.ZonesPath, ZonesFileText(scan.state), error)) << error;
    click(editor, "Add");
    click(editor, "Add");
    EXPECT_EQ(table->item(1, 1)->text().toStdString(), scan.state.ZonesPath);
    ASSERT_EQ(table->rowCount(), 2);
    table->item(0, 0)->setText("first.ana");
    for (int row : {0, 1}) table->item(row, 1)->setText("line.PRF");
    table->item(1, 5)->setText("2.5");
    table->setCurrentCell(0, 0);
    click(editor, "Down");
    EXPECT_EQ(table->item(1, 0)->text(), "first.ana");
    EXPECT_EQ(table->item(0, 5)->text(), "2.5");
    click(editor, "Up");
    EXPECT_EQ(table->item(0, 0)->text(), "first.ana");
    const auto lines = editor.batch()->lines;
    EXPECT_EQ(lines[0].start, (std::array<int32_t, 3>{120, -40, 3}));
    EXPECT_EQ(lines[1].time, 2.5);

    click(editor, "Save");
    BatchEditor loaded(scan.state, scan.suite(), [&](bool) { return std::optional(file); });
    click(loaded, "Load");
    EXPECT_EQ(loaded.batch()->lines, lines);
    EXPECT_EQ(ReadBatchFile(file).lines, lines);
}

}  // namespace
}  // namespace kest
