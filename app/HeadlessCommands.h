#pragma once
// The headless commands: a whole scan from a zones file to a saved document, and the list,
// the export (CSV, printable chart) and the recompute of a saved document. Each returns the
// exit status: 0 done, 1 failed (with a message on `err` that says why). The chart is drawn
// with Qt's widgets: a command that writes one needs a QApplication (offscreen will do).

#include "app/CommandLine.h"
#include "suite/ProgramFolders.h"
#include "suite/SuiteFile.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace kest {

inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kNotUnderstood = 2;

// A line of the program on standard error: "kestplus-profile: MESSAGE".
void SayOnError(std::ostream& err, const std::string& message);
// Says the message and gives the status of a failed command.
int FailWith(std::ostream& err, const std::string& message);

// What a scan needs once its files are read.
struct ScanJob {
    SuiteConfig config;
    std::string zonesText;
    std::string zonesName;  // for messages
    Path save;
    std::optional<std::string> time;
    std::optional<Path> csv;
    std::optional<Path> chart;
    bool quiet = false;
    bool force = false;  // an existing document may be replaced
};

// Why a document could not be saved at `save` once the work is done: checked before the first
// count, so that hours of counting never end without a place for their points. The place
// itself (WritePlaceProblem), a non-file in its place, an existing document without
// `force`, and a CSV or chart file that is the document itself.
std::optional<std::string> SaveProblem(const Path& save, bool force, const std::optional<Path>& csv = std::nullopt,
                                       const std::optional<Path>& chart = std::nullopt);

// New with the suite's set-up, the zones as Load Zones reads them, Scan New from where the
// stage stands, Save As DOC.ana (with DOC.PRF beside it), then the lists on `out`.
int RunScanJob(const ScanJob& job, const ProgramFolders& folders, std::ostream& out, std::ostream& err);

int RunScan(const ScanCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err);
int RunList(const ListCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err);
int RunExport(const ExportCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err);
int RunRecompute(const RecomputeCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err);

// batch: every line checked, the plan, then each line not done as `scan` runs it, its
// progress kept in FILE.state; the table of the lines at the end. 0 when every line is done.
int RunBatchCommand(const BatchCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err);

// recover: lists the working files a crash left behind; with a working file and --save,
// saves its document (with its zones file) and removes the working file.
int RunRecover(const RecoverCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err);
// One line on `err` when working files wait to be recovered (every command but recover).
void NoteLeftovers(const ProgramFolders& folders, std::ostream& err);
// The command's status, or 1 with a message when `out` could not be written to its end.
int FinishOutput(int status, std::ostream& out, std::ostream& err);

// Where no display is available: the scan of the built-in demo profile, saved among the
// program's documents.
int RunDemoScan(const ProgramFolders& folders, std::ostream& out, std::ostream& err);

}  // namespace kest
