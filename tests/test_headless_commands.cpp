// The headless commands on the simulated instrument: a scan of the worked example from its
// zones file to the saved document and the printed lists, list and export of that document,
// and the failures and usage errors with their exit statuses and messages.

#include "ChartChecks.h"
#include "HeadlessFixture.h"

#include "app/HeadlessCommands.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kest {
namespace {

const char* const kLists =
    "El Standard     Sp#\n"
    "Fe Fe           1\n"
    "\n"
    "Pt#  Cps       wt%      X        Y        Label\n"
    "   1    520.00  10.00 %        0        0 Z01\n"
    "   2    520.00  10.00 %      200        0 Z01\n"
    "   3   1020.00  20.00 %      300        0 Z01\n"
    "   4   1020.00  20.00 %      400        0 Z01\n"
    "   5   1020.00  20.00 %      800        0 Z01\n";

TEST(HeadlessCommands, ScanSavesTheDocumentAndListAndExportReadItBack) {
    Headless h;
    ScanCommand scan = h.scan();
    scan.csv = h.file("scan.csv");
    scan.chart = h.file("scan.pdf");
    ASSERT_EQ(h.run(scan), kDone) << h.err.str();
    EXPECT_EQ(h.out.str(), kLists);
    EXPECT_EQ(h.err.str().rfind("about 5 points, about 0:00:50\n", 0), 0u) << h.err.str();  // 5 x 10 s
    EXPECT_NE(h.err.str().find("kestplus-profile: 5 points saved, 0 flagged: " + h.file("doc.ana").string() + "\n"), std::string::npos) << h.err.str();
    EXPECT_NE(h.err.str().find("\npoint    5 of about 5 at X 800, Y 0, 0:00:00 so far, about 0:00:00 left\n"), std::string::npos);
    EXPECT_EQ(h.read("doc.PRF").rfind("KestProfile  2\r\n", 0), 0u);

    std::ostringstream listed, exported, errors;
    EXPECT_EQ(RunList({h.file("doc.ana"), "Fe"}, h.folders, listed, errors), kDone) << errors.str();
    EXPECT_EQ(listed.str(), kLists);
    ExportCommand exportCsv{h.file("doc.ana"), h.file("export.csv"), h.file("export.png")};
    EXPECT_EQ(RunExport(exportCsv, h.folders, exported, errors), kDone) << errors.str();
    const std::string csv = h.read("export.csv");
    EXPECT_EQ(csv, h.read("scan.csv"));
    std::istringstream lines(csv);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(line.substr(0, line.find(",Z01")));
    EXPECT_EQ(rows, (std::vector<std::string>{"point,x,y,third,label,distance,Fe cps,Fe wt%,Fe sigma wt%,Fe LOD wt%,total wt%,status,flags",
                                              "1,0,0,0", "2,200,0,0", "3,300,0,0", "4,400,0,0", "5,800,0,0"}));
    // sqrt(1020 (1 + tau 1020) / 10) x 100 / 5000 and 3 sqrt(20 (1 + tau 20) / 10) x 100 / 5000, tau 2 us
    EXPECT_NE(csv.find("5,800,0,0,Z01,800,1020,20,0.20219602,0.084854506,20,measured,\n"), std::string::npos) << csv;

    // The printable chart: legend, axis titles and distances in the PDF, black lines in the PNG.
    const QString pdf = fakes::PdfText(QString::fromStdString(h.file("scan.pdf").string()));
    for (const char* text : {"Fe", "weight %", "depth in microns / area", "800"})
        EXPECT_TRUE(pdf.contains(QLatin1String(text))) << text << "\n" << pdf.toStdString();
    const QImage png(QString::fromStdString(h.file("export.png").string()));
    ASSERT_FALSE(png.isNull());
    EXPECT_GT(fakes::PixelsOf(png, Qt::black, {}, 60), 1000);

    std::ostringstream recomputed, relisted;
    EXPECT_EQ(RunRecompute({h.file("doc.ana"), h.file("suite.json")}, h.folders, recomputed, errors), kDone) << errors.str();
    EXPECT_EQ(recomputed.str(), "recomputed 5 points of " + h.file("doc.ana").string() + "\n");
    EXPECT_EQ(RunList({h.file("doc.ana"), std::nullopt, true}, h.folders, relisted, errors), kDone);
    EXPECT_EQ(relisted.str().substr(0, std::string(kLists).size()), kLists);
    EXPECT_NE(relisted.str().find("\n\n  Pt#    Fe wt%     sigma      LOD     total  status    flags\n"
                                  "    1    10.000 +-  0.144    0.085    10.000  measured\n"),
              std::string::npos) << relisted.str();
}

TEST(HeadlessCommands, FailuresExitWithOneAndSayWhy) {
    const struct { const char* name; std::string zones, zonesText, suite, suiteText, message; } cases[] = {
        {"missing zones file", "absent.PRF", "", "suite.json", "", "the zones file "},
        {"wrong magic", "wrong.PRF", "KestProfil  2\r\n", "suite.json", "", "is not a zones file"},
        {"bad suite field", "example.PRF", "", "bad.json", R"({"instrument": {"noise": 3}})", "instrument.noise"},
        {"no zone", "empty.PRF", "KestProfile  2\r\nNc     1\r\nAx     1\r\nMp     1\r\nDm     0\r\nO      0\r\n", "suite.json",
         "", "holds no zone"},
        {"no element", "example.PRF", "", "none.json", R"({"setup": {"elements": []}})", "no profile element"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Headless h;
        if (!c.zonesText.empty()) h.write(c.zones, c.zonesText);
        if (!c.suiteText.empty()) h.write(c.suite, c.suiteText);
        EXPECT_EQ(h.run(h.scan(c.zones, c.suite)), kFailed);
        EXPECT_NE(h.err.str().find(c.message), std::string::npos) << h.err.str();
        EXPECT_FALSE(std::filesystem::exists(h.file("doc.ana")));
        EXPECT_TRUE(h.out.str().empty());
    }
    Headless h;
    std::ostringstream out, err;
    EXPECT_EQ(RunList({h.file("absent.ana"), std::nullopt}, h.folders, out, err), kFailed);
    EXPECT_NE(err.str().find("does not exist"), std::string::npos) << err.str();
}

// A fault of the instrument, rehearsed from the suite file, or zones past the stage's
// travel: a line of 20 points stops after the point, says why, keeps what was measured
// (never a point beyond the travel) and exits with 1.
TEST(HeadlessCommands, AnInstrumentFaultStopsTheScanWhichIsSaved) {
    const struct { const char* instrument; std::size_t points; std::string message; } cases[] = {
        {R"("faults": {"fail_after": {"KestReadCounter": 5}})", 6,
         "Point 6 (X 500, Y 0): The microprobe call KestReadCounter failed on spectrometer 1. The scan stops here."},
        {R"("faults": {"stuck_axis": 1, "stuck_after_moves": 3}, "stage_timeout_s": 0.2)", 2,
         "Point 2 (X 100, Y 0): The stage's X axis has not moved for 0.2 s and still reports busy."},
        {R"("stage_limits": [-1000, 1000])", 11, "Point 12 (X 1100, Y 0): The stage cannot reach X = 1100. The point is not stored."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.instrument);
        Headless h;
        std::string suite = kSuiteFile;
        h.write("faults.json", suite.insert(suite.find("\"noise\""), c.instrument + std::string(", ")));
        h.writeZone("line.PRF", fakes::FixedZone(1900, 100));
        EXPECT_EQ(h.run(h.scan("line.PRF", "faults.json")), kFailed);
        EXPECT_NE(h.err.str().find("Acquire Error ! " + c.message), std::string::npos) << h.err.str();
        std::ostringstream listed, errors;
        EXPECT_EQ(RunList({h.file("doc.ana"), std::nullopt}, h.folders, listed, errors), kDone) << errors.str();
        const std::string lists = h.out.str();
        EXPECT_EQ(listed.str(), lists);
        EXPECT_EQ(std::size_t(std::count(lists.begin(), lists.end(), '\n')), c.points + 4) << lists;  // two headings, two lists, a line between
    }
}

// A document that cannot be saved where asked: refused before counting when its folder is
// missing; saved among the program's documents when the save itself fails after the scan.
TEST(HeadlessCommands, AScanIsNeverLostForWantOfAPlaceToSaveIt) {
    Headless missing;
    ScanCommand scan = missing.scan();
    scan.save = missing.file("absent/doc.ana");
    EXPECT_EQ(missing.run(scan), kFailed);
    EXPECT_NE(missing.err.str().find("absent of the document does not exist"), std::string::npos) << missing.err.str();
    EXPECT_EQ(missing.err.str().find("point    1"), std::string::npos);

    Headless occupied;
    std::filesystem::create_directory(occupied.file("doc.ana"));  // a folder where the file should go
    EXPECT_EQ(occupied.run(occupied.scan()), kFailed);
    EXPECT_NE(occupied.err.str().find("the 5 points measured are saved as "), std::string::npos) << occupied.err.str();
    const auto saved = std::filesystem::directory_iterator(occupied.folders.documentsDir());
    ASSERT_NE(saved, std::filesystem::directory_iterator());
    std::ostringstream listed, errors;
    EXPECT_EQ(RunList({saved->path(), std::nullopt}, occupied.folders, listed, errors), kDone) << errors.str();
    EXPECT_EQ(listed.str(), kLists);
}

// Nothing is said to be done that is not: a file that cannot be written fails its command
// with a message naming it, and leaves what stood in its place and no part of a new file.
TEST(HeadlessCommands, WhatCannotBeWrittenOrComputedFailsTheCommand) {
    Headless h;
    h.write("ref.json", Replaced(kSuiteFile, "\"Fe\" }", "\"gone.ana\" }"));
    ScanCommand scan = h.scan("example.PRF", "ref.json");
    ASSERT_EQ(h.run(scan), kDone) << h.err.str();
    for (const char* name : {"x.csv", "x.png", "x.pdf"}) {
        SCOPED_TRACE(name);
        const Path target = h.file(name);
        std::filesystem::create_directories(target / "earlier");  // in the way, and cannot be replaced
        ExportCommand command{h.file("doc.ana"), std::nullopt, std::nullopt};
        (std::string(name) == "x.csv" ? command.csv : command.chart) = target;
        std::ostringstream out, err;
        EXPECT_EQ(RunExport(command, h.folders, out, err), kFailed);
        EXPECT_NE(err.str().find("be written to " + target.string()), std::string::npos) << err.str();
        EXPECT_TRUE(std::filesystem::is_directory(target / "earlier"));
    }
    const std::string saved = h.read("doc.ana");
    std::ostringstream out, err;
    EXPECT_EQ(RunRecompute({h.file("doc.ana"), h.file("ref.json")}, h.folders, out, err), kFailed);
    EXPECT_NE(err.str().find("the reference profile gone.ana of Fe gives no calibration line"), std::string::npos) << err.str();
    EXPECT_EQ(h.read("doc.ana"), saved);

    std::ofstream full("/dev/full");
    EXPECT_EQ(FinishOutput(RunList({h.file("doc.ana"), std::nullopt}, h.folders, full, err), full, err), kFailed);
    EXPECT_NE(err.str().find("standard output cannot be written"), std::string::npos);
    for (const auto& entry : std::filesystem::directory_iterator(h.file("")))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".kestplus")) << "a part of a file: " << entry.path();
}

TEST(HeadlessCommands, ScanAndListTakeLongAndUtf8Paths) {
    Headless h;
    const Path folder = h.file(std::string(130, 'a')) / std::string(130, 'b') / "R\xC3\xA9sultats";
    std::filesystem::create_directories(folder);
    ScanCommand scan = h.scan();
    scan.save = folder / "ligne \xC3\xA9.ana";
    ASSERT_EQ(h.run(scan), kDone) << h.err.str();
    EXPECT_EQ(h.out.str(), kLists);
    EXPECT_TRUE(std::filesystem::exists(folder / "ligne \xC3\xA9.PRF"));
    std::ostringstream listed, errors;
    EXPECT_EQ(RunList({scan.save, std::nullopt}, h.folders, listed, errors), kDone) << errors.str();
    EXPECT_EQ(listed.str(), kLists);
}

// kill -9 in the middle of a real-clock scan: the working file holds every point stored
// before it; every command then says so, and recover saves them as a document.
TEST(HeadlessCommands, AScanKilledMidWayIsRecoveredWithEveryPointItStored) {
    Headless h;
    h.write("real.json", Replaced(kSuiteFile, "\"virtual\"", "\"real\", \"time_scale\": 0.02"));
    h.writeZone("fixed.PRF", fakes::FixedZone(1000, 100));
    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KESTPLUS_HOME", QString::fromStdString(h.folders.data.string()));
    program.setProcessEnvironment(environment);
    const auto arg = [&](const std::string& name) { return QString::fromStdString(h.file(name).string()); };
    program.start(KESTPLUS_PROGRAM, {"scan", "--zones", arg("fixed.PRF"), "--save", arg("doc.ana"), "--suite",
                                     arg("real.json"), "--time", "1"});
    QByteArray progress;
    while (!progress.contains("point    4 of") && program.waitForReadyRead(20000)) progress += program.readAll();
    program.kill();  // points 1 to 3 are stored
    ASSERT_TRUE(program.waitForFinished());

    std::ostringstream note, listed, saved, errors;
    NoteLeftovers(h.folders, note);
    EXPECT_NE(note.str().find("1 working file left behind by a program that ended without saving"), std::string::npos);
    EXPECT_EQ(RunRecover({}, h.folders, listed, errors), kDone);
    const std::string line = listed.str(), lead = "a new document: ", file = "(working file ";
    ASSERT_EQ(line.rfind(lead, 0), 0u) << line;
    EXPECT_GE(std::stoi(line.substr(lead.size())), 3);
    const std::size_t at = line.find(file) + file.size();
    EXPECT_EQ(RunRecover({line.substr(at, line.size() - at - 2), h.file("back")}, h.folders, saved, errors), kDone)
        << errors.str();
    EXPECT_EQ(RunList({h.file("back.ana"), std::nullopt}, h.folders, saved, errors), kDone);
    EXPECT_NE(saved.str().find("Label\n   1    520.00  10.00 %        0        0 Z01\n"
                               "   2    520.00  10.00 %      100        0 Z01\n"
                               "   3    520.00  10.00 %      200        0 Z01\n"),
              std::string::npos)
        << saved.str();
    EXPECT_TRUE(std::filesystem::exists(h.file("back.PRF")));
    EXPECT_TRUE(FindLeftovers(h.folders.workDir(), {}).empty());
}

TEST(CommandLine, UnderstoodAndNotUnderstood) {
    const struct { std::vector<std::string> arguments; std::string error; } cases[] = {  // error: empty when understood
        {{}, ""},
        {{"--suite", "s.json"}, ""},
        {{"scan", "--zones", "z.PRF", "--save", "d.ana", "--time", "2.5", "--csv", "d.csv", "--quiet"}, ""},
        {{"list", "d.ana", "--element", "Fe", "--stats"}, ""},
        {{"export", "d.ana"}, ""},
        {{"export", "d.ana", "--chart", "c.PDF", "--csv", "d.csv"}, ""},
        {{"scan", "--zones", "z.PRF", "--save", "d.ana", "--chart", "c.png"}, ""},
        {{"recompute", "d.ana", "--suite", "s.json"}, ""},
        {{"scan", "--zones", "z.PRF"}, "scan needs --save DOC.ana"},
        {{"recover"}, ""},
        {{"recover", "1-1.ana", "--save", "d"}, ""},
        {{"recover", "1-1.ana"}, "recover takes a working file and --save DOC.ana together"},
        {{"scan", "--zones", "z.PRF", "--save", "d.ana", "--time", "0"}, "--time takes"},
        {{"scan", "--zones", "z.PRF", "--save", "d.ana", "--time", "ten"}, "--time takes"},
        {{"list"}, "the document is missing"},
        {{"list", "a.ana", "b.ana"}, "unexpected argument 'b.ana'"},
        {{"export", "d.ana", "--chart"}, "--chart needs a value"},
        {{"export", "d.ana", "--chart", "c.svg"}, "--chart takes a file name ending in .pdf or .png"},
        {{"--suite"}, "--suite needs a value"},
        {{"batch", "night.json", "--resume", "--quiet", "--suite", "s.json"}, ""},
        {{"batch"}, "the batch file is missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments[0] + " ... " + c.arguments.back());
        std::string error;
        const auto command = ParseCommandLine(c.arguments, error);
        EXPECT_EQ(command.has_value(), c.error.empty());
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
    // A document is always an .ana file: the name as given when it is one, else with .ana added.
    std::string error;
    for (const auto& [given, saved] : {std::pair{"line1.v2", "line1.v2.ana"}, {"line1", "line1.ana"}, {"L.ANA", "L.ANA"}}) {
        const auto scan = ParseCommandLine({"scan", "--zones", "z.PRF", "--save", given}, error);
        const auto recover = ParseCommandLine({"recover", "1-1.ana", "--save", given}, error);
        EXPECT_EQ(std::get<ScanCommand>(*scan).save, saved);
        EXPECT_EQ(std::get<RecoverCommand>(*recover).save, saved);
    }
}

}  // namespace
}  // namespace kest
