#pragma once
// A batch run: every line checked before anything moves, then for each line not yet done
// the stage moved to its start, New, its zones as Load Zones reads them, Scan New and Save
// As. A line that ends early without being stopped (an instrument fault, a zone's guard, a
// full document) is saved with what it measured and marked failed, and the batch stops
// there: a stuck stage will not unstick for the next line. A stop ends the batch after the
// point being measured, with the line saved. The headless command and the main window run
// batches alike; each is a BatchHost.

#include "acquisition/Pacer.h"
#include "acquisition/ScanPlan.h"
#include "batch/BatchFile.h"
#include "batch/BatchState.h"
#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kest {

// Where a batch stands: its line (from 1) of how many, and what the lines after it will take.
struct BatchPosition {
    int line = 0;
    int lines = 0;
    double secondsAfter = 0.0;
};

class BatchHost {
public:
    virtual ~BatchHost() = default;
    // How the moves to the starts wait for the stage.
    virtual Pacer& pacer() = 0;
    // Where the next Save As goes.
    virtual void saveNextAs(const std::filesystem::path& document) = 0;
    // A stop asked for between two lines.
    virtual bool stopRequested() = 0;
    // A line begins; its scan's progress follows.
    virtual void startLine(const BatchPosition& position) = 0;
};

// What the batch will take, and the zones text of each line as read by the checks.
struct BatchPlan {
    std::vector<ScanPlan> lines;
    std::vector<std::string> zonesTexts;
    int points = 0;
    bool estimated = false;
    bool atMost = false;
    double seconds = 0.0;  // of the lines not done yet
};

// Every reason to refuse the batch ("line 2: ..."), none when it may run; fills `plan`.
// The settings of `state` (stage speed, limits, time scale) price the plan; `defaultTime`
// is the counting time of the lines that name none. An existing document of a line still
// waiting is a reason, unless `replaceDocuments`.
std::vector<std::string> CheckBatch(const BatchFile& batch, const BatchState& progress, const ProfileState& state,
                                    const std::string& defaultTime, BatchPlan& plan, bool replaceDocuments = true);
// "3 lines, about 120 points, about 1:10:30".
std::string BatchPlanText(const BatchPlan& plan, int lines);

// The progress with as many lines as the batch, those done kept, the others waiting.
BatchState ProgressFor(const BatchFile& batch, BatchState kept);
int LinesLeft(const BatchState& progress);
bool AllDone(const BatchState& progress);

// Runs the lines not done, in order, keeping `progress` in `stateFile` after each; stops at
// the first line that does not end done. The counting time of `view` is left as it was.
void RunBatch(const BatchFile& batch, const BatchPlan& plan, BatchState& progress, const std::filesystem::path& stateFile,
              ProfileState& state, Suite& suite, MainView& view, BatchHost& host);

// "Line 2 of 6 - Point 12 of about 40 - about 1:10:00 left in the batch".
std::string BatchProgressText(const BatchPosition& position, const ScanProgress& progress);
// The end table: line, points, status, time, document; one row per line.
std::string BatchTable(const BatchState& progress);

}  // namespace kest
