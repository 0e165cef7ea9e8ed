#include "batch/BatchRun.h"

#include "acquisition/AcquisitionView.h"
#include "acquisition/ScanCommands.h"
#include "acquisition/StageMotion.h"
#include "acquisition/ZoneChecks.h"
#include "core/Formats.h"
#include "core/ScreenlessMainView.h"
#include "core/WholeFile.h"
#include "document/DocumentCommands.h"
#include "document/ZonesFile.h"
#include "suite/FileText.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <unistd.h>

namespace kest {
namespace {

using Path = std::filesystem::path;

std::string LineName(std::size_t index) { return "line " + std::to_string(index + 1); }

// The zones of a line are read as Load Zones reads them, in a view that only keeps them.
class ZonesOnly : public ScreenlessMainView {
public:
    void showMessage(const std::string&) override {}
    bool confirm(const std::string&, const std::string&) override { return false; }
    void acquirePoint() override {}
    void editZone(ZoneRecord&) override {}
    std::optional<std::string> chooseZonesFile() override { return std::nullopt; }
};

// The moves to the starts show no target and say their faults through the main window.
class StartMoves : public AcquisitionView {
public:
    explicit StartMoves(MainView& view) : view_(view) {}
    void showCounting(bool) override {}
    void showStageTarget(const std::string&, const std::string&) override {}
    void showMessage(const std::string& text) override { view_.showMessage(text); }

private:
    MainView& view_;
};

// Why the line's zones cannot be scanned; nothing when they can, with the plan of its scan.
std::optional<std::string> ZonesProblem(const BatchFile& batch, const BatchLine& line, const ProfileState& settings,
                                        double seconds, std::string& text, ScanPlan& plan) {
    const Path zones = batch.zonesOf(line);
    std::string error;
    const auto read = ReadFileText(zones, error);
    if (!read) return "the zones file " + zones.string() + " cannot be read";
    text = *read;
    ProfileState scratch;
    scratch.StageSpeed = settings.StageSpeed;
    scratch.TimeScale = settings.TimeScale;
    scratch.StageLimits = settings.StageLimits;
    ZonesOnly view;
    if (LoadZonesText(scratch, view, text) == ZonesReadEnd::WrongMagic)
        return zones.string() + " is not a zones file: its first line does not start with \"KestProfile\"";
    if (scratch.NbZones < 1) return "the zones file " + zones.string() + " holds no zone";
    if (const auto refusal = ScanRefusal(scratch)) return "the zones file " + zones.string() + ": " + *refusal;
    if (const auto refusal = TravelRefusal(scratch, line.start[0], line.start[1]))
        return "the zones file " + zones.string() + " from the line's start: " + *refusal;
    plan = PlanScan(scratch, seconds);
    return std::nullopt;
}

// Why the line's document could not be saved where asked; an existing document is replaced
// only when asked, or when this batch wrote it (a line failed or stopped, run again).
std::optional<std::string> DocumentProblem(const Path& document, bool replace, const LineRecord& record) {
    if (const auto problem = WritePlaceProblem(document.string(), static_cast<std::size_t>(kPathLength))) return problem;
    std::error_code ec;
    const auto type = std::filesystem::status(document, ec).type();
    if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::regular)
        return document.string() + " is not a file (a device, a pipe or a socket)";
    if (type == std::filesystem::file_type::regular && !replace && record.status == LineStatus::Waiting)
        return "the document " + document.string() + " exists already; --force replaces it";
    return std::nullopt;
}

// The zones file beside a document: ".ana" (any case) becomes ".PRF".
Path ZonesBeside(const Path& document) {
    const std::string path = document.string();
    return path.substr(0, path.size() - 4) + ".PRF";
}

std::optional<std::string> StartProblem(const BatchLine& line, const ProfileState& settings) {
    if (!settings.StageLimits) return std::nullopt;
    const auto [low, high] = *settings.StageLimits;
    static const char* const kAxes[] = {"X", "Y", "Z"};
    for (std::size_t axis = 0; axis < 3; ++axis)
        if (line.start[axis] < low || line.start[axis] > high)
            return "the start " + std::string(kAxes[axis]) + " = " + std::to_string(line.start[axis]) +
                   " lies outside the stage's travel, " + std::to_string(low) + " to " + std::to_string(high);
    return std::nullopt;
}

double TravelSeconds(const std::array<int32_t, 3>& from, const std::array<int32_t, 3>& to, const ProfileState& settings) {
    double longest = 0.0;  // the axes move together
    for (std::size_t axis = 0; axis < 3; ++axis)
        longest = std::max(longest, std::abs(static_cast<double>(to[axis]) - from[axis]));
    return longest / (settings.StageSpeed > 0 ? settings.StageSpeed : 1.0) * settings.TimeScale;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

LineRecord RunLine(const BatchLine& line, std::size_t index, const std::string& zonesText, const std::string& defaultTime,
                   ProfileState& state, Suite& suite, MainView& view, BatchHost& host, LineRecord record) {
    const auto started = std::chrono::steady_clock::now();
    record.status = LineStatus::Failed;
    StartMoves moves(view);
    if (const auto fault = MoveStageAxes(state, suite.probe, moves, host.pacer(), line.start[0], line.start[1], line.start[2])) {
        view.showMessage(LineName(index) + ": the stage did not reach the line's start: " + fault->text);
        record.seconds = Seconds(started);
        return record;
    }
    if (!ResetDocument(state, suite, view)) {
        view.showMessage(LineName(index) + ": New failed, so the line is not scanned");
        return record;
    }
    host.saveNextAs(record.document);  // a leftover of the line carries its document's name
    LoadZonesText(state, view, zonesText);
    view.setDefTimeText(line.time ? SecondsText(*line.time) : defaultTime);
    ShowUnsavedState(state, suite, view);  // the zones go beside the working file
    ScanNew(state, suite, view);
    record.points = state.NbPts;
    if (!SaveAsCommand(state, suite, view))
        view.showMessage(LineName(index) + ": the " + std::to_string(state.NbPts) + " points measured cannot be saved as " +
                         record.document + "; they stay in the working file for a recovery");
    else if (state.ScanFailed == kTrue)
        record.status = LineStatus::Failed;
    else
        record.status = state.ScanStop == kTrue ? LineStatus::Stopped : LineStatus::Done;
    record.seconds = Seconds(started);
    return record;
}

}  // namespace

BatchState ProgressFor(const BatchFile& batch, BatchState kept) {
    BatchState progress;
    for (std::size_t i = 0; i < batch.lines.size(); ++i) {
        LineRecord line;
        line.document = batch.documentOf(batch.lines[i]).string();
        // A line is done only as the document it names now, and while that document is still
        // the one it saved (a progress kept before fingerprints asks only that it exists).
        // A line that failed or stopped stays so: its document, written by this batch, may be
        // replaced when the line runs again.
        const LineRecord* before = i < kept.lines.size() && kept.lines[i].document == line.document ? &kept.lines[i] : nullptr;
        if (before && before->status == LineStatus::Done) {
            const std::string now = FileFingerprint(line.document);
            if (!now.empty() && (before->saved.empty() || before->saved == now)) line = *before;
        } else if (before && before->status != LineStatus::Waiting) {
            line = *before;
        }
        progress.lines.push_back(line);
    }
    return progress;
}

int LinesLeft(const BatchState& progress) {
    return static_cast<int>(std::count_if(progress.lines.begin(), progress.lines.end(),
                                          [](const LineRecord& line) { return line.status != LineStatus::Done; }));
}

bool AllDone(const BatchState& progress) { return LinesLeft(progress) == 0; }

std::vector<std::string> CheckBatch(const BatchFile& batch, const BatchState& progress, const ProfileState& state,
                                    const std::string& defaultTime, BatchPlan& plan, bool replaceDocuments) {
    std::vector<std::string> problems;
    std::vector<Path> documents;
    plan = {};
    std::array<int32_t, 3> at{};
    bool first = true;
    for (std::size_t i = 0; i < batch.lines.size(); ++i) {
        const BatchLine& line = batch.lines[i];
        const auto say = [&](const std::string& problem) { problems.push_back(LineName(i) + ": " + problem); };
        const Path document = std::filesystem::absolute(batch.documentOf(line)).lexically_normal();
        // Compared as files: a link or another case of the name may lead to the same one.
        for (std::size_t earlier = 0; earlier < documents.size(); ++earlier) {
            if (SameFile(document.string(), documents[earlier].string()))
                say("saves to " + document.string() + ", as " + LineName(earlier) + " does");
            else if (SameFile(ZonesBeside(document).string(), ZonesBeside(documents[earlier]).string()))
                say("saves its zones file to " + ZonesBeside(document).string() + ", as " + LineName(earlier) + " does");
        }
        documents.push_back(document);
        ScanPlan scan;
        std::string text;
        // A line done is not run again: its files may have moved on since.
        if (i < progress.lines.size() && progress.lines[i].status == LineStatus::Done) {
            plan.lines.push_back(scan);
            plan.zonesTexts.push_back(text);
            continue;
        }
        const double seconds = TextValue(line.time ? SecondsText(*line.time) : defaultTime);
        if (const auto problem = ZonesProblem(batch, line, state, seconds, text, scan)) say(*problem);
        if (const auto problem = StartProblem(line, state)) say(*problem);
        const LineRecord record = i < progress.lines.size() ? progress.lines[i] : LineRecord{};
        if (const auto problem = DocumentProblem(document, replaceDocuments, record)) say(*problem);
        if (!first) scan.seconds += TravelSeconds(at, line.start, state);
        plan.points += scan.points;
        plan.estimated = plan.estimated || scan.estimated;
        plan.atMost = plan.atMost || scan.atMost;
        plan.seconds += scan.seconds;
        at = line.start;
        first = false;
        plan.lines.push_back(scan);
        plan.zonesTexts.push_back(text);
    }
    return problems;
}

std::string BatchPlanText(const BatchPlan& plan, int lines) {
    return std::to_string(lines) + (lines == 1 ? " line, " : " lines, ") +
           PlanText({plan.points, plan.estimated, plan.atMost, plan.seconds});
}

void RunBatch(const BatchFile& batch, const BatchPlan& plan, BatchState& progress, const Path& stateFile,
              ProfileState& state, Suite& suite, MainView& view, BatchHost& host) {
    const std::string defaultTime = view.defTimeText();
    double secondsLeft = plan.seconds;
    const int lines = static_cast<int>(batch.lines.size());
    for (std::size_t i = 0; i < batch.lines.size(); ++i) {
        LineRecord& record = progress.lines[i];
        if (record.status == LineStatus::Done) continue;
        if (host.stopRequested()) break;
        secondsLeft -= plan.lines[i].seconds;
        host.startLine({static_cast<int>(i) + 1, lines, std::max(secondsLeft, 0.0)});
        record = RunLine(batch.lines[i], i, plan.zonesTexts[i], defaultTime, state, suite, view, host, record);
        record.saved = record.status == LineStatus::Done ? FileFingerprint(record.document) : std::string();
        std::string error;
        if (!WriteBatchState(stateFile, progress, error))
            view.showMessage("the batch's progress cannot be written to " + stateFile.string() + ": " + error);
        if (record.status != LineStatus::Done) break;
    }
    view.setDefTimeText(defaultTime);
}

std::string BatchProgressText(const BatchPosition& position, const ScanProgress& progress) {
    return "Line " + std::to_string(position.line) + " of " + std::to_string(position.lines) + " - Point " +
           std::to_string(progress.measured) + " of " + CountQualifier(progress.estimated, progress.atMost) +
           std::to_string(ProgressTotal(progress)) + " - about " +
           ClockText(ProgressSecondsLeft(progress) + position.secondsAfter) + " left in the batch";
}

std::string BatchTable(const BatchState& progress) {
    std::string table = "line  points  status   time      document\n";
    for (std::size_t i = 0; i < progress.lines.size(); ++i) {
        const LineRecord& line = progress.lines[i];
        char row[64];
        std::snprintf(row, sizeof row, "%4zu  %6d  %-7s  %-8s  ", i + 1, line.points, StatusWord(line.status).c_str(),
                      ClockText(line.seconds).c_str());
        table += row + line.document + "\n";
    }
    return table;
}

}  // namespace kest
