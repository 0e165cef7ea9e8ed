// The headless commands on the simulated instrument: a scan of the worked example from its
// zones file to the saved document and the printed lists, list and export of that document,
// and the failures and usage errors with their exit statuses and messages.

#include "ChartChecks.h"
#include "HeadlessFixture.h"

#include "app/HeadlessCommands.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <functional>
#include <sstream>

namespace kest {
namespace {

const char* const kLists =
    "El Standard     Sp#\n"
    "Fe Fe           1\n"
    "\n"
    " Pt#       Cps    wt%          X        Y Label\n"
    "   1    520.00  10.00 %        0        0 Z01\n"
    "   2    520.00  10.00 %      200        0 Z01\n"
    "   3   1020.00  20.00 %      300        0 Z01\n"
    "   4   1020.00  20.00 %      400        0 Z01\n"
    "   5   1020.00  20.00 %      800        0 Z01\n";

// Saved in a folder of a long UTF-8 path, as operators name them.
TEST(HeadlessCommands, ScanSavesTheDocumentAndListAndExportReadItBack) {
    Headless h;
    const std::string folder = std::string(130, 'a') + "/" + std::string(130, 'b') + "/R\xC3\xA9sultats/";
    const Path doc = h.file(folder + "ligne \xC3\xA9.ana");
    std::filesystem::create_directories(h.file(folder));
    ScanCommand scan = h.scan();
    scan.save = doc;
    scan.csv = h.file("scan.csv");
    scan.chart = h.file("scan.pdf");
    ASSERT_EQ(h.run(scan), kDone) << h.err.str();
    EXPECT_EQ(h.out.str(), kLists);
    EXPECT_EQ(h.err.str().rfind("about 5 points, about 0:00:50\n", 0), 0u) << h.err.str();  // 5 x 10 s
    EXPECT_NE(h.err.str().find("kestplus-profile: 5 points saved, 0 flagged: " + doc.string() + "\n"), std::string::npos) << h.err.str();
    EXPECT_NE(h.err.str().find("\npoint    5 of about 5 at X 800, Y 0, 0:00:00 so far, about 0:00:00 left\n"), std::string::npos);
    EXPECT_EQ(h.read(folder + "ligne \xC3\xA9.PRF").rfind("KestProfile  2\r\n", 0), 0u);

    std::ostringstream listed, exported, errors;
    EXPECT_EQ(RunList({doc, "Fe"}, h.folders, listed, errors), kDone) << errors.str();
    EXPECT_EQ(listed.str(), kLists);
    ExportCommand exportCsv{doc, h.file("export.csv"), h.file("export.png")};
    EXPECT_EQ(RunExport(exportCsv, h.folders, exported, errors), kDone) << errors.str();
    const std::string csv = h.read("export.csv");
    EXPECT_EQ(csv, h.read("scan.csv"));
    std::istringstream lines(csv);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(line.substr(0, line.find(",Z01")));
    EXPECT_EQ(rows, (std::vector<std::string>{"point,x,y,third,label,distance,Fe cps,Fe wt%,Fe sigma wt%,Fe LOD wt%,Fe k-ratio,total wt%,status,flags",
                                              "1,0,0,0", "2,200,0,0", "3,300,0,0", "4,400,0,0", "5,800,0,0"}));
    // sqrt(1020 (1 + tau 1020) / 10) x 100 / 5000 and 3 sqrt(20 (1 + tau 20) / 10) x 100 / 5000, tau 2 us
    EXPECT_NE(csv.find("5,800,0,0,Z01,800,1020,20,0.20219602,0.084854506,0.2,20,measured,\n"), std::string::npos) << csv;

    // The printable chart: legend, axis titles and distances in the PDF, black lines in the PNG.
    const QString pdf = fakes::PdfText(QString::fromStdString(h.file("scan.pdf").string()));
    for (const char* text : {"Fe", "weight %", "depth in microns / area", "800"})
        EXPECT_TRUE(pdf.contains(QLatin1String(text))) << text << "\n" << pdf.toStdString();
    const QImage png(QString::fromStdString(h.file("export.png").string()));
    ASSERT_FALSE(png.isNull());
    EXPECT_GT(fakes::PixelsOf(png, Qt::black, {}, 60), 1000);

    std::ostringstream recomputed, relisted;
    EXPECT_EQ(RunRecompute({doc, h.file("suite.json")}, h.folders, recomputed, errors), kDone) << errors.str();
    EXPECT_EQ(recomputed.str(), "recomputed 5 points of " + doc.string() + "\n");
    EXPECT_EQ(RunList({doc, std::nullopt, true}, h.folders, relisted, errors), kDone);
    EXPECT_EQ(relisted.str().substr(0, std::string(kLists).size()), kLists);
    EXPECT_NE(relisted.str().find("\n\n  Pt#    Fe wt%     sigma      LOD     total  status    flags\n"
                                  "    1    10.000 +-  0.144    0.085    10.000  measured\n"),
              std::string::npos) << relisted.str();
    // The matrix correction's k-ratio and factors: iron alone against pure iron.
    EXPECT_NE(relisted.str().find("\n\n  Pt#  El         k        Z        A        F\n"
                                  "    1  Fe   0.10000   1.0000   1.0000   1.0000\n"),
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

// A fault of the instrument, rehearsed from the suite file: a line of 20 points stops after
// the point, says why, naming the call that failed, keeps what was measured and exits with 1.
TEST(HeadlessCommands, AnInstrumentFaultStopsTheScanWhichIsSaved) {
    const struct { const char* instrument; std::size_t points; std::string message; } cases[] = {
        {R"("faults": {"stuck_axis": 1, "stuck_after_moves": 3}, "stage_timeout_s": 0.2)", 2,
         "Point 2 (X 100, Y 0): The stage's X axis has not moved for 0.2 s and still reports busy."},
        {R"("faults": {"fail_after": {"KestLoadStageAbs": 30}})", 8,  // a target within the travel: the call failed
         "Point 8 (X 700, Y 0): The microprobe call KestLoadStageAbs failed on axis 1 (X = 700). The scan stops here."},
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

// Whatever would make the end of a scan fail is found before its first count: nothing is
// measured or written. An existing document is replaced only with --force (through a link,
// the file it names); a save that still fails after the scan goes among the program's files.
TEST(HeadlessCommands, EveryReasonTheEndWouldFailIsFoundBeforeTheFirstCount) {
    using Make = std::function<void(Headless&, ScanCommand&)>;
    const auto suite = [](const std::string& instrument) {
        return [instrument](Headless& h, ScanCommand& s) {
            std::string text = kSuiteFile;
            h.write("odd.json", text.insert(text.find("\"noise\""), instrument + ", "));
            s.suiteFile = h.file("odd.json");
        };
    };
    const struct { const char* name; Make make; std::string message; } cases[] = {
        {"missing folder", [](Headless& h, ScanCommand& s) { s.save = h.file("absent/doc.ana"); }, "absent does not exist"},
        {"a document there", [](Headless& h, ScanCommand&) { h.write("doc.ana", "earlier"); }, "exists already; --force replaces it"},
        {"another document's zones file", [](Headless& h, ScanCommand&) { h.write("doc.ANA", "another"); },
         "doc.ANA too; choose another name"},
        {"the CSV is the document", [](Headless&, ScanCommand& s) { s.csv = s.save; }, "doc.ana is the document itself"},
        {"the CSV is the document through a link",
         [](Headless& h, ScanCommand& s) { std::filesystem::create_directory_symlink(h.file(""), h.file("here")), s.csv = h.file("here/doc.ana"); },
         "is the document itself"},
        {"zones past the stage's travel", suite(R"("stage_limits": [-500, 500])"),
         "Zone 1 (V) ends at X = 1000, outside the stage's travel, -500 to 500."},
        {"a descending line past the travel",
         [&](Headless& h, ScanCommand& s) {
             suite(R"("stage_limits": [-500, 1500])")(h, s);
             h.writeZone("down.PRF", fakes::VariableZone(1000, -100, -400, 1.0f));
             s.zones = h.file("down.PRF");
         },
         "Zone 1 (V) ends at X = -1000, outside the stage's travel, -500 to 1500."},
        {"a stage that cannot say where it stands", suite(R"("faults": {"fail_after": {"KestReadStagePos": 0}})"),
         "the stage cannot say where it stands. The microprobe call KestReadStagePos failed on axis 1."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Headless h;
        ScanCommand scan = h.scan();
        c.make(h, scan);
        const auto content = [&] { return std::filesystem::is_regular_file(h.file("doc.ana")) ? h.read("doc.ana") : ""; };
        const std::string before = content();
        EXPECT_EQ(h.run(scan), kFailed);
        EXPECT_NE(h.err.str().find(c.message), std::string::npos) << h.err.str();
        EXPECT_EQ(h.err.str().find("point    1"), std::string::npos) << "counted before refusing";
        EXPECT_EQ(content(), before);
    }
    Headless forced;
    forced.write("real.ana", "earlier");
    std::filesystem::create_symlink("real.ana", forced.file("doc.ana"));
    ScanCommand scan = forced.scan();
    scan.force = true;
    ASSERT_EQ(forced.run(scan), kDone) << forced.err.str();
    EXPECT_TRUE(std::filesystem::is_symlink(forced.file("doc.ana")));
    std::ostringstream listed, errors;
    EXPECT_EQ(RunList({forced.file("real.ana"), std::nullopt}, forced.folders, listed, errors), kDone) << errors.str();
    EXPECT_EQ(listed.str(), kLists);
    EXPECT_EQ(RunExport({forced.file("real.ana"), forced.file("doc.ana"), std::nullopt}, forced.folders, listed, errors), kFailed);
    EXPECT_NE(errors.str().find("is the document itself; nothing is written"), std::string::npos) << errors.str();
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

// The real program on the real clock, with KESTPLUS_HOME set to the test's folder.
struct RunningScan {
    RunningScan(Headless& h, const QStringList& arguments, const QString& command = KESTPLUS_PROGRAM) {
        h.write("real.json", Replaced(kSuiteFile, "\"virtual\"", "\"real\", \"time_scale\": 0.02"));
        program.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("KESTPLUS_HOME", QString::fromStdString(h.folders.data.string()));
        program.setProcessEnvironment(environment);
        const QStringList options{"--suite", QString::fromStdString(h.file("real.json").string()), "--time", "1"};
        program.start(command, arguments + (command == KESTPLUS_PROGRAM ? options : QStringList{}));
    }
    // The progress until the line of point `n`.
    QByteArray until(int n) {
        const QByteArray line = "point " + QByteArray::number(n).rightJustified(4) + " of";
        while (!progress.contains(line) && program.waitForReadyRead(20000)) progress += program.readAll();
        return progress;
    }
    QProcess program;
    QByteArray progress;
};

QStringList ScanArguments(Headless& h, const std::string& zones) {
    return {"scan", "--zones", QString::fromStdString(h.file(zones).string()), "--save", QString::fromStdString(h.file("doc.ana").string())};
}

// kill -9 in the middle of a real-clock scan: the working file holds every point stored
// before it; every command then says so, and recover saves them as a document.
TEST(HeadlessCommands, AScanKilledMidWayIsRecoveredWithEveryPointItStored) {
    Headless h;
    h.writeZone("fixed.PRF", fakes::FixedZone(1000, 100));
    RunningScan scan(h, ScanArguments(h, "fixed.PRF"));
    scan.until(4);
    scan.program.kill();  // points 1 to 3 are stored
    ASSERT_TRUE(scan.program.waitForFinished());

    std::ostringstream note, listed, saved, errors;
    NoteLeftovers(h.folders, note);
    EXPECT_NE(note.str().find("1 working file left behind by a program that ended without saving"), std::string::npos);
    EXPECT_EQ(RunRecover({}, h.folders, listed, errors), kDone);
    const std::string line = listed.str(), lead = "doc.ana: ", file = "; working file ";
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

// A closed terminal (SIGHUP), SIGQUIT or a reader that went away (SIGPIPE, as `| head -3`
// does) end a scan as SIGTERM does: the point finished, the document saved, status 1.
TEST(HeadlessCommands, EverySignalThatEndsAScanSavesItFirst) {
    for (const int signal : {SIGPIPE, SIGHUP, SIGQUIT, SIGTERM}) {
        SCOPED_TRACE(signal);
        Headless h;
        h.writeZone("fixed.PRF", fakes::FixedZone(3000, 100));
        QStringList arguments = ScanArguments(h, "fixed.PRF");
        if (signal == SIGPIPE) {  // as an operator does: the scan's lines read by a program that ends
            arguments.replaceInStrings(QRegularExpression("^(.*)$"), "'\\1'");
            arguments = QStringList{"-c", "'" KESTPLUS_PROGRAM "' " + arguments.join(' ') + " --suite '" +
                                              QString::fromStdString(h.file("real.json").string()) +
                                              "' --time 1 2>&1 | head -3 >/dev/null; exit ${PIPESTATUS[0]}"};
        }
        RunningScan scan(h, arguments, signal == SIGPIPE ? "bash" : KESTPLUS_PROGRAM);
        if (signal != SIGPIPE) {
            scan.until(3);
            ::kill(static_cast<pid_t>(scan.program.processId()), signal);
        }
        ASSERT_TRUE(scan.program.waitForFinished(20000));
        EXPECT_EQ(std::pair(scan.program.exitStatus(), scan.program.exitCode()), std::pair(QProcess::NormalExit, 1));
        std::ostringstream listed, errors;
        ASSERT_EQ(RunList({h.file("doc.ana"), std::nullopt}, h.folders, listed, errors), kDone) << errors.str() << scan.program.readAll().toStdString();
        const std::string lists = listed.str();
        EXPECT_GE(std::count(lists.begin(), lists.end(), '\n'), 3 + 4) << lists;
        EXPECT_LT(std::count(lists.begin(), lists.end(), '\n'), 31 + 4) << "stopped early";
    }
}

// kill -9 while a variable zone holds points back on its trial stack: every point the
// progress showed measured comes back from the working file, in scan order.
TEST(HeadlessCommands, AKillLosesNoPointWaitingOnTheTrialStack) {
    for (const int killedAt : {3, 5, 8}) {
        SCOPED_TRACE(killedAt);
        Headless h;
        h.writeZone("variable.PRF", fakes::VariableZone(1000, 10, 400, 1.0f));
        RunningScan scan(h, ScanArguments(h, "variable.PRF"));
        const std::string progress = scan.until(killedAt).toStdString();
        scan.program.kill();
        ASSERT_TRUE(scan.program.waitForFinished());
        std::vector<int> measured;
        for (std::size_t at = progress.find(" at X "); at != std::string::npos; at = progress.find(" at X ", at + 1))
            measured.push_back(std::stoi(progress.substr(at + 6)));
        const auto leftovers = FindLeftovers(h.folders.workDir(), {});
        ASSERT_EQ(leftovers.size(), 1u);
        std::ostringstream out, err;
        ASSERT_EQ(RunRecover({leftovers[0].workingFile, h.file("back.ana")}, h.folders, out, err), kDone) << err.str();
        std::ostringstream csv;
        ASSERT_EQ(RunExport({h.file("back.ana"), std::nullopt, std::nullopt}, h.folders, csv, err), kDone);
        std::vector<int> recovered;
        std::istringstream rows(csv.str());
        std::string row;
        for (std::getline(rows, row); std::getline(rows, row);) recovered.push_back(std::stoi(row.substr(row.find(',') + 1)));
        EXPECT_TRUE(std::is_sorted(recovered.begin(), recovered.end()));
        for (const int x : measured) EXPECT_NE(std::find(recovered.begin(), recovered.end(), x), recovered.end()) << "lost X " << x;
    }
}

TEST(CommandLine, UnderstoodAndNotUnderstood) {
    const struct { std::vector<std::string> arguments; std::string error; } cases[] = {  // error: empty when understood
        {{}, ""},
        {{"scan", "--zones", "z.PRF", "--save", "d.ana", "--time", "2.5", "--csv", "d.csv", "--quiet", "--force"}, ""},
        {{"list", "d.ana", "--element", "Fe", "--stats"}, ""},
        {{"export", "d.ana", "--chart", "c.PDF", "--csv", "d.csv"}, ""},
        {{"scan", "--zones", "z.PRF", "--save", "d.ana", "--chart", "c.png"}, ""},
        {{"recompute", "d.ana", "--suite", "s.json"}, ""},
        {{"scan", "--zones", "z.PRF"}, "scan needs --save DOC.ana"},
        {{"recover"}, ""},
        {{"recover", "1-1.ana", "--save", "d", "--force"}, ""},
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
        {{"export", "d.ana", "--force"}, "unexpected option '--force'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments[0] + " ... " + c.arguments.back());
        std::string error;
        const auto command = ParseCommandLine(c.arguments, error);
        EXPECT_EQ(command.has_value(), c.error.empty());
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
    std::string error;  // a document is always an .ana file
    EXPECT_EQ(std::get<ScanCommand>(*ParseCommandLine({"scan", "--zones", "z.PRF", "--save", "line1"}, error)).save, "line1.ana");
    EXPECT_EQ(std::get<RecoverCommand>(*ParseCommandLine({"recover", "1-1.ana", "--save", "line1"}, error)).save, "line1.ana");
}

}  // namespace
}  // namespace kest
