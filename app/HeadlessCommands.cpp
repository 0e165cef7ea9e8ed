#include "app/HeadlessCommands.h"

#include "acquisition/ScanCommands.h"
#include "acquisition/ZoneChecks.h"
#include "app/HeadlessSession.h"
#include "core/DocKey.h"
#include "core/Formats.h"
#include "core/WholeFile.h"
#include "document/DocumentCommands.h"
#include "document/Recovery.h"
#include "document/ZonesFile.h"
#include "graph/ChartFile.h"
#include "results/PointComputation.h"
#include "results/ProfileExport.h"
#include "results/ResultLists.h"
#include "results/ResultTables.h"
#include "shell/Startup.h"
#include "suite/SuiteInstance.h"
#include "suite/FileText.h"

#include <algorithm>
#include <ostream>
#include <sstream>

namespace kest {

void SayOnError(std::ostream& err, const std::string& message) { err << "kestplus-profile: " << message << std::endl; }

int FailWith(std::ostream& err, const std::string& message) {
    SayOnError(err, message);
    return kFailed;
}

namespace {

std::optional<SuiteConfig> LoadConfig(const std::optional<Path>& suiteFile, const ProgramFolders& folders,
                                      std::ostream& err) {
    try {
        return LoadSuiteConfig(suiteFile, folders);
    } catch (const SuiteFileError& error) {
        SayOnError(err, error.what());
        return std::nullopt;
    }
}

bool WriteCsv(const ProfileState& state, const Path& file, std::ostream& err) {
    std::ostringstream text;
    WriteProfileCsv(state, text);
    std::string error;
    if (WriteWholeFile(file.string(), text.str(), error)) return true;
    SayOnError(err, "the CSV file cannot be written to " + file.string() + ": " + error);
    return false;
}

bool WriteChart(ProfileState& state, AnalysisDatabase& db, const Path& file, std::ostream& err) {
    std::string error;
    if (WritePrintableChart(state, db, file.string(), error)) return true;
    SayOnError(err, error);
    return false;
}

// The files asked for after a scan or by export; false when one could not be written.
bool WriteFiles(HeadlessSession& session, const std::optional<Path>& csv, const std::optional<Path>& chart,
                std::ostream& err) {
    const bool csvWritten = !csv || WriteCsv(session.state(), *csv, err);
    return (!chart || WriteChart(session.state(), session.suite().db, *chart, err)) && csvWritten;
}

}  // namespace

std::optional<std::string> SaveProblem(const Path& save, bool force, const std::optional<Path>& csv,
                                       const std::optional<Path>& chart) {
    const std::string document = save.string();
    if (const auto problem = WritePlaceProblem(document, static_cast<std::size_t>(kPathLength)))
        return "the document cannot be saved as " + document + ": " + *problem;
    std::error_code ec;
    const auto type = std::filesystem::status(save, ec).type();
    if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::regular)
        return "the document cannot be saved as " + document + ": it is not a file (a device, a pipe or a socket)";
    if (type == std::filesystem::file_type::regular && !force)
        return "the document " + document + " exists already; --force replaces it";
    for (const auto& [file, what] : {std::pair{csv, "CSV"}, {chart, "chart"}})
        if (file && SameFile(file->string(), document))
            return std::string("the ") + what + " file " + file->string() + " is the document itself";
    // X.ana and X.ANA are two documents with one zones file, X.PRF: never another's.
    const std::string stem = document.substr(0, document.size() - 4);
    for (const char* other : {".ana", ".ANA", ".Ana"})
        if (stem + other != document && std::filesystem::is_regular_file(stem + other, ec) && !SameFile(stem + other, document))
            return "the zones file " + stem + ".PRF of the document " + document + " is that of the document " + stem + other +
                   " too; choose another name";
    return std::nullopt;
}

namespace {

// "1 point", "40 points".
std::string PointCount(int points) { return std::to_string(points) + (points == 1 ? " point" : " points"); }

// A scan whose document could not be saved where asked goes among the program's documents,
// else beside the document asked for, under the name of its working document, rather than
// be lost; failing both, the working file keeps what it could take, for a recovery.
void SaveScanElsewhere(HeadlessSession& session, const ProgramFolders& folders, const Path& save, std::ostream& err) {
    const std::string name = "unsaved-scan-" + session.state().DocKey.str() + ".ana";
    for (const Path& folder : {folders.documentsDir(), std::filesystem::absolute(save).parent_path()}) {
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        session.setDocumentPath(folder / name);
        if (SaveAsCommand(session.state(), session.suite(), session.view())) {
            SayOnError(err, "the " + PointCount(session.state().NbPts) + " measured " +
                                (session.state().NbPts == 1 ? "is" : "are") + " saved as " + (folder / name).string());
            return;
        }
    }
    SayOnError(err, "the points measured could be saved nowhere; the working file keeps them for a recovery "
                    "(kestplus-profile recover lists it) once there is room on its disk");
}

// Opens a saved document in a session; nothing, with the reason on `err`, when it cannot.
std::unique_ptr<HeadlessSession> OpenSaved(const Path& document, const std::optional<Path>& suiteFile,
                                           const ProgramFolders& folders, std::ostream& err) {
    std::error_code ec;
    if (!std::filesystem::exists(document, ec)) {  // any other file is refused by Open, saying why
        SayOnError(err, "the document " + document.string() + " does not exist");
        return nullptr;
    }
    auto config = LoadConfig(suiteFile, folders, err);
    if (!config) return nullptr;  // LoadConfig has said why
    auto session = std::make_unique<HeadlessSession>(std::move(*config), ReadingFolders(folders), document, err, false);
    session->makeDisposable();
    if (!OpenDocument(session->state(), session->suite(), session->view())) {
        SayOnError(err, "the document " + document.string() + " cannot be opened");
        return nullptr;
    }
    return session;
}

}  // namespace

int RunScanJob(const ScanJob& job, const ProgramFolders& folders, std::ostream& out, std::ostream& err) {
    HeadlessSession session(job.config, folders, job.save, err, !job.quiet);
    ProfileState& state = session.state();
    HeadlessView& view = session.view();
    if (!session.ready()) return FailWith(err, "nothing is scanned without a working document");
    if (state.NbElt < 1) return FailWith(err, "the suite's set-up has no profile element to measure");
    const ZonesReadEnd end = LoadZonesText(state, view, job.zonesText);
    if (end == ZonesReadEnd::WrongMagic)
        return FailWith(err, job.zonesName + " is not a zones file: its first line does not start with \"KestProfile\"");
    if (state.NbZones < 1) return FailWith(err, "the zones file " + job.zonesName + " holds no zone");
    if (end == ZonesReadEnd::Stopped)
        SayOnError(err, "the zones file " + job.zonesName + " could not be read to its end; its first " +
                     std::to_string(state.NbZones) + " zones are scanned");
    if (job.time) view.setDefTimeText(*job.time);
    if (const auto refusal = ScanRefusal(state)) return FailWith(err, *refusal);
    if (const auto problem = SaveProblem(job.save, job.force, job.csv, job.chart)) return FailWith(err, *problem);
    if (const auto refusal = StartRefusal(state, session.suite())) return FailWith(err, *refusal);

    ShowUnsavedState(state, session.suite(), view);  // the zones go beside the working file
    ScanNew(state, session.suite(), view);
    if (!SaveAsCommand(state, session.suite(), view)) {
        SayOnError(err, "the document cannot be saved as " + job.save.string());
        SaveScanElsewhere(session, folders, job.save, err);
        return kFailed;
    }
    if (!job.quiet) {
        view.printLists(out);
        // How many points carry a quality flag, where the operator looks last.
        SayOnError(err, PointCount(state.NbPts) + " saved, " + std::to_string(FlaggedPoints(state)) + " flagged: " +
                            job.save.string());
    }
    if (!WriteFiles(session, job.csv, job.chart, err)) return kFailed;
    if (state.ScanStop == kTrue)
        return FailWith(err, "the scan ended early, after " + PointCount(state.NbPts) + "; " +
                                 (state.NbPts == 1 ? "it is" : "they are") + " saved in " +
                             job.save.string());
    return kDone;
}

int RunScan(const ScanCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err) {
    auto config = LoadConfig(command.suiteFile, folders, err);
    if (!config) return kFailed;
    std::string error;
    const auto zonesText = ReadFileText(command.zones, error);
    if (!zonesText) return FailWith(err, "the zones file " + command.zones.string() + " cannot be read");
    return RunScanJob({.config = std::move(*config), .zonesText = *zonesText, .zonesName = command.zones.string(),
                       .save = command.save, .time = command.time, .csv = command.csv, .chart = command.chart,
                       .quiet = command.quiet, .force = command.force},
                      folders, out, err);
}

namespace {

// The lists, and with --stats the counting statistics after them.
void PrintList(HeadlessSession& session, bool stats, std::ostream& out) {
    session.view().printLists(out);
    if (!stats) return;
    out << '\n';
    for (const std::string& line : StatisticsLines(session.state())) out << WithoutTrailingBlanks(line) << '\n';
    out << '\n';
    for (const std::string& line : MatrixFactorLines(session.state())) out << line << '\n';
}

}  // namespace

int RunList(const ListCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err) {
    const auto session = OpenSaved(command.document, std::nullopt, folders, err);
    if (!session) return kFailed;
    ProfileState& state = session->state();
    if (command.element) {
        std::string symbols;
        for (int e = 0; e < state.NbElt; ++e) {
            const std::string symbol = WithoutTrailingBlanks(state.ElementTable[static_cast<std::size_t>(e)].symbol.str());
            if (symbol == *command.element) {
                ElementRowClicked(state, session->suite(), session->view(), e);
                PrintList(*session, command.stats, out);
                return kDone;
            }
            symbols += (e ? ", " : "") + symbol;
        }
        return FailWith(err, "the document holds no element " + *command.element + " (it holds: " + symbols + ")");
    }
    PrintList(*session, command.stats, out);
    return kDone;
}

int RunExport(const ExportCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err) {
    for (const auto& [file, what] : {std::pair{command.csv, "CSV"}, {command.chart, "chart"}})
        if (file && SameFile(file->string(), command.document.string()))
            return FailWith(err, std::string("the ") + what + " file " + file->string() +
                                     " is the document itself; nothing is written");
    const auto session = OpenSaved(command.document, std::nullopt, folders, err);
    if (!session) return kFailed;
    if (!command.csv && !command.chart) {
        WriteProfileCsv(session->state(), out);
        return kDone;
    }
    return WriteFiles(*session, command.csv, command.chart, err) ? kDone : kFailed;
}

int RunRecompute(const RecomputeCommand& command, const ProgramFolders& folders, std::ostream& out,
                 std::ostream& err) {
    const auto session = OpenSaved(command.document, command.suiteFile, folders, err);
    if (!session) return kFailed;
    const ProfileState& state = session->state();
    for (int e = 0; e < state.NbElt; ++e) {
        const EltEntry& element = state.ElementTable[static_cast<std::size_t>(e)];
        if (element.referenceFailed)
            return FailWith(err, "the reference profile " + element.standardName + " of " +
                                 WithoutTrailingBlanks(element.symbol.str()) +
                                 " gives no calibration line, so its concentrations would all be 0; nothing is "
                                 "recomputed or saved");
    }
    RecomputeAll(session->state(), session->suite(), session->view());
    if (!SaveCommand(session->state(), session->suite(), session->view()))
        return FailWith(err, "the document " + command.document.string() + " cannot be saved");
    out << "recomputed " << session->state().NbPts << " points of " << command.document.string() << '\n';
    return kDone;
}

int RunRecover(const RecoverCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err) {
    if (!command.workingFile || !command.save) {
        const auto leftovers = FindLeftovers(folders.workDir(), {});
        for (const LeftoverDocument& leftover : leftovers) out << LeftoverLine(leftover) << '\n';
        SayOnError(err, leftovers.empty() ? "no working file waits to be recovered"
                                   : "kestplus-profile recover WORKFILE --save DOC.ana saves one as a document");
        return kDone;
    }
    if (const auto problem = SaveProblem(*command.save, command.force)) return FailWith(err, *problem);
    auto config = LoadConfig(std::nullopt, folders, err);
    if (!config) return kFailed;
    HeadlessSession session(std::move(*config), folders, *command.save, err, false);
    session.makeDisposable();  // the leftover is recovered, and removed, only once it is saved
    std::error_code ec;
    const Path file = command.workingFile->has_parent_path() ? *command.workingFile : folders.workDir() / *command.workingFile;
    const auto leftovers = session.suite().db.KestDbLeftovers();
    const auto found = std::find_if(leftovers.begin(), leftovers.end(), [&](const LeftoverDocument& leftover) {
        return std::filesystem::equivalent(leftover.workingFile, file, ec);
    });
    if (found == leftovers.end())
        return FailWith(err, file.string() + " is not a working file left behind by a program that has ended; "
                                         "kestplus-profile recover lists those of " + folders.workDir().string());
    if (!RecoverDocument(session.state(), session.suite(), session.view(), *found))
        return FailWith(err, "the working file " + file.string() + " cannot be recovered");
    if (!SaveAsCommand(session.state(), session.suite(), session.view()))
        return FailWith(err, "the recovered document cannot be saved as " + command.save->string() + "; the working file " +
                             file.string() + " is kept");
    session.suite().db.KestDbDeleteLeftover(found->workingFile);
    SayOnError(err, PointCount(session.state().NbPts) + " recovered and saved as " +
                 session.state().DocPath.untilNul() + ", with the zones file " + session.state().ZonesPath);
    return kDone;
}

void NoteLeftovers(const ProgramFolders& folders, std::ostream& err) {
    if (const auto count = FindLeftovers(folders.workDir(), {}).size(); count > 0)
        SayOnError(err, std::to_string(count) + (count == 1 ? " working file" : " working files") +
                     " left behind by a program that ended without saving " + (count == 1 ? "waits" : "wait") +
                     " to be recovered: kestplus-profile recover lists them");
}

int FinishOutput(int status, std::ostream& out, std::ostream& err) {
    out.flush();
    if (out) return status;
    SayOnError(err, "standard output cannot be written (a full disk, or a closed pipe)");
    return kFailed;
}

int RunDemoScan(const ProgramFolders& folders, std::ostream& out, std::ostream& err) {
    SuiteConfig demo = BuiltInDemo();
    const Path save = folders.documentsDir() / "demo-profile.ana";
    std::error_code ignored;
    std::filesystem::create_directories(save.parent_path(), ignored);
    err << "kestplus-profile: no display is available, so the built-in demo profile is scanned without a window "
           "(about 20 s) and saved as "
        << save.string() << ".\n";
    ScanJob job;
    job.zonesText = demo.demoZones;
    job.zonesName = "the built-in demo zones";
    job.config = std::move(demo);
    job.save = save;
    job.force = true;  // the demo profile is scanned anew at every start without a display
    return RunScanJob(job, folders, out, err);
}

}  // namespace kest
