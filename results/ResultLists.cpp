#include "results/ResultLists.h"

#include "core/Formats.h"
#include "graph/ProfileGraph.h"
#include "results/ResultTables.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

namespace kest {
namespace {

constexpr std::size_t kLineWidth = 80;

}  // namespace

std::string ElementListLine(const EltEntry& element) {
    return FitLeft(FmtSymbol2(element.symbol.str()) + " " + FmtText12(element.standardName) + " " +
                       FmtDigit1(element.spectrometer),
                   kLineWidth);
}

namespace {

// Built in one buffer: the list is made anew for every point at every reload of a scan. A
// point without counts shows no value, where the design showed a measured 0.00 %.
std::string ListLine(int number, const PointRecord& point, const ResultRecord& result, const char* status) {
    const bool values = std::string_view(status) != kUnmeasured;
    std::string line;
    line.reserve(kLineWidth);
    line.append(FmtIndex4(static_cast<int16_t>(number))).append(" ");
    line.append(values ? FmtCps9(result.rate) : std::string(9, ' ')).append(" ");
    line.append(values ? FmtConc6(result.conc) + " % " : std::string(9, ' '));
    line.append(FmtCoord8(point.x)).append(" ").append(FmtCoord8(point.y)).append(" ");
    line.append(FmtPointLabel8(point.label.untilNul()));
    if (*status) line.append(" ").append(status);
    if (result.flags != 0) line.append(" ").append(QualityFlagText(result.flags));  // a doubtful number says why
    line.resize(std::max(kLineWidth, line.size()), ' ');
    return line;
}

}  // namespace

const char* PointListStatus(const ProfileState& state, int p) {
    const PointRecord& point = state.PointTable[static_cast<std::size_t>(p)];
    // A point whose acquisition stopped or failed holds the rates of the point before it.
    if (!HasOwnNumbers(point)) return PointStatusName(point.status);
    if (point.status == PointStatus::None && Unmeasured(state, p)) return kUnmeasured;
    return "";
}

std::string PointListLine(const ProfileState& state, int e, int p) {
    return ListLine(p + 1, state.PointTable[static_cast<std::size_t>(p)], ResultAt(state, e, p), PointListStatus(state, p));
}

std::vector<std::string> WaitingPointLines(const ProfileState& state, int e) {
    std::vector<std::string> lines;
    if (!state.Progress.running) return lines;
    int number = std::max<int>(state.NbPts, 0);
    for (auto trial = state.TrialStack.rbegin(); trial != state.TrialStack.rend(); ++trial) {
        const ResultRecord result = e >= 0 && static_cast<std::size_t>(e) < trial->results.size()
                                        ? trial->results[static_cast<std::size_t>(e)]
                                        : ResultRecord{};
        lines.push_back(ListLine(++number, trial->point, result, kWaiting));
    }
    return lines;
}

// "  Pt#    Fe wt%     sigma      LOD     total  status    flags", then per point
// "    1    10.023 +-  0.045    0.006    10.023  measured  Fe:chi2"; a stopped or failed
// point has blank numbers, since those it holds are the point before it's.
std::vector<std::string> StatisticsLines(const ProfileState& state) {
    const int elements = ElementsInResultTable(state);
    char text[64];
    std::string heading = "  Pt#";
    for (int e = 0; e < elements; ++e) {
        const std::string symbol = WithoutTrailingBlanks(state.ElementTable[static_cast<std::size_t>(e)].symbol.str());
        std::snprintf(text, sizeof text, "  %8s%10s%9s", (symbol + " wt%").c_str(), "sigma", "LOD");
        heading += text;
    }
    std::vector<std::string> lines{heading + "     total  status    flags"};
    const int points = std::min<int>(state.NbPts, static_cast<int>(state.PointTable.size()));
    for (int p = 0; p < points; ++p) {
        std::snprintf(text, sizeof text, "%5d", p + 1);
        std::string line = text;
        const PointRecord& point = state.PointTable[static_cast<std::size_t>(p)];
        const bool own = HasOwnNumbers(point);
        for (int e = 0; e < elements; ++e) {
            const ResultRecord r = ResultAt(state, e, p);
            if (own)
                std::snprintf(text, sizeof text, "  %8.3f +- %6.3f  %7.3f", double{r.conc}, double{r.sigma}, double{r.lod});
            else
                std::snprintf(text, sizeof text, "  %8s    %6s  %7s", "", "", "");
            line += text;
        }
        if (own)
            std::snprintf(text, sizeof text, "  %8.3f  ", double{PointTotal(state, p)});
        else
            std::snprintf(text, sizeof text, "  %8s  ", "");
        std::string status = PointStatusName(point.status);
        status.resize(10, ' ');
        lines.push_back(line + text + status + PointFlagsText(state, p));
    }
    return lines;
}

std::vector<std::string> MatrixFactorLines(const ProfileState& state) {
    const int elements = ElementsInResultTable(state);
    std::vector<std::string> lines{"  Pt#  El         k        Z        A        F"};
    const int points = std::min<int>(state.NbPts, static_cast<int>(state.PointTable.size()));
    char text[96];
    for (int p = 0; p < points; ++p) {
        for (int e = 0; e < elements; ++e) {
            const ResultRecord r = ResultAt(state, e, p);
            const std::string symbol = WithoutTrailingBlanks(state.ElementTable[static_cast<std::size_t>(e)].symbol.str());
            std::snprintf(text, sizeof text, "%5d  %-2s  %8.5f %8.4f %8.4f %8.4f%s", p + 1, symbol.c_str(),
                          double{r.kRatio}, double{r.zFactor}, double{r.aFactor}, double{r.fFactor},
                          (r.flags & kFlagMatrix) != 0 ? "  matrix" : "");
            lines.emplace_back(text);
        }
    }
    return lines;
}

namespace {

int PointsInTable(const ProfileState& state) {
    return std::max(std::min<int>(state.NbPts, static_cast<int>(state.PointTable.size())), 0);
}

// The lines of points [first, end) of the table; when they reach its last point, the points
// waiting on a running scan's trial stack follow.
std::vector<std::string> PointListLines(const ProfileState& state, int first, int end) {
    const int points = std::min(PointsInTable(state), end);
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(std::max(points - first, 0)));
    for (int p = std::max(first, 0); p < points; ++p) lines.push_back(PointListLine(state, state.CurElt, p));
    if (end >= PointsInTable(state))
        for (std::string& line : WaitingPointLines(state, state.CurElt)) lines.push_back(std::move(line));
    return lines;
}

int ListRows(const ProfileState& state) {
    return PointsInTable(state) + (state.Progress.running ? static_cast<int>(state.TrialStack.size()) : 0);
}

}  // namespace

void ListElements(ProfileState& state, Suite& suite, MainView& view) {
    std::vector<std::string> lines;
    for (int e = 0; e < state.NbElt; ++e) lines.push_back(ElementListLine(state.ElementTable[static_cast<std::size_t>(e)]));
    view.showElementLines(lines);
    if (state.CurElt != -1) {
        view.selectElementRow(state.CurElt);
        ElementRowClicked(state, suite, view, state.CurElt);
    }
}

void ListPoints(ProfileState& state, AnalysisDatabase& db, MainView& view) {
    view.showPointLines(PointListLines(state, 0, kAllRows));
    RebuildProfileGraph(state, db, view);
}

void ReloadPoints(ProfileState& state, AnalysisDatabase& db, MainView& view) {
    LoadPoints(state, db);
    LoadResults(state, db);
    ListPoints(state, db, view);
}

void ReloadPointRows(ProfileState& state, AnalysisDatabase& db, MainView& view, int first, int end) {
    LoadPointRows(state, db, first, end);
    // The rows of the waiting points follow the table's last point: they are written again whenever it is.
    view.updatePointLines(first, PointListLines(state, first, end >= PointsInTable(state) ? kAllRows : end), ListRows(state));
    RebuildProfileGraphRows(state, db, view, first, end);
}

void ElementRowClicked(ProfileState& state, Suite& suite, MainView& view, int row) {
    state.CurElt = static_cast<int16_t>(row);
    LoadResults(state, suite.db);
    ListPoints(state, suite.db, view);
}

}  // namespace kest
