// The batch command: the lines of a batch file run one after another on the headless main
// window, as the scan command runs one line.

#include "app/HeadlessCommands.h"
#include "app/HeadlessSession.h"
#include "batch/BatchRun.h"
#include "core/WholeFile.h"
#include "document/DocumentCommands.h"

#include <ostream>

namespace kest {
namespace {

class HeadlessBatch : public BatchHost {
public:
    explicit HeadlessBatch(HeadlessSession& session) : session_(session) {}
    Pacer& pacer() override { return pacer_; }
    void saveNextAs(const std::filesystem::path& document) override { session_.setDocumentPath(document); }
    bool stopRequested() override { return HeadlessStopRequested(); }
    void startLine(const BatchPosition& position) override {
        session_.view().setLinePrefix("line " + std::to_string(position.line) + " of " + std::to_string(position.lines) +
                                      ", ");
    }

private:
    HeadlessSession& session_;
    SleepingPacer pacer_;
};

}  // namespace

int RunBatchCommand(const BatchCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err) {
    std::optional<SuiteConfig> config;
    std::optional<BatchFile> batch;
    try {
        config = LoadSuiteConfig(command.suiteFile, folders);
        batch = ReadBatchFile(command.file);
    } catch (const std::runtime_error& error) {  // a suite or batch file with a bad field
        return FailWith(err, error.what());
    }
    const Path stateFile = StateFileOf(command.file);
    BatchState kept;
    if (command.resume) {
        std::string error;
        const auto read = ReadBatchState(stateFile, error);
        if (!read) return FailWith(err, error);
        kept = *read;
    }
    BatchState progress = ProgressFor(*batch, kept);
    if (AllDone(progress)) {
        if (!command.quiet) out << BatchTable(progress);
        SayOnError(err, "every line of " + command.file.string() + " is done already");
        return kDone;
    }

    HeadlessSession session(std::move(*config), folders, batch->documentOf(batch->lines[0]), err, !command.quiet);
    if (!session.ready()) return FailWith(err, "nothing is scanned without a working document");
    if (session.state().NbElt < 1) return FailWith(err, "the suite's set-up has no profile element to measure");
    BatchPlan plan;
    auto problems = CheckBatch(*batch, progress, session.state(), session.view().defTimeText(), plan, command.force);
    if (const auto problem = WritePlaceProblem(stateFile.string(), static_cast<std::size_t>(kPathLength)))
        problems.push_back("its progress cannot be kept: " + *problem);
    if (!problems.empty()) {
        SayOnError(err, "the batch " + command.file.string() + " is refused, and nothing was moved or measured:");
        for (const std::string& problem : problems) err << "  " << problem << '\n';
        return kFailed;
    }
    if (!command.quiet) err << "batch of " << BatchPlanText(plan, LinesLeft(progress)) << std::endl;

    HeadlessBatch host(session);
    RunBatch(*batch, plan, progress, stateFile, session.state(), session.suite(), session.view(), host);
    if (!command.quiet) out << BatchTable(progress);
    if (AllDone(progress)) return kDone;
    return FailWith(err, "the batch ended before its last line; kestplus-profile batch " + command.file.string() +
                         " --resume runs the lines not done");
}

}  // namespace kest
