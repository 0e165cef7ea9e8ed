#include "graph/ProfileGraph.h"

#include "core/DocKey.h"
#include "graph/ProfileDistance.h"

#include <algorithm>
#include <limits>

namespace kest {
namespace {

constexpr int32_t kTitleLength = 50;

void GrowTo(GraphArrays& graph, std::size_t points, std::size_t elements) {
    if (graph.conc.size() < elements) graph.conc.resize(elements);
    if (graph.x.size() < points) {
        graph.x.resize(points);
        graph.y.resize(points);
        graph.z.resize(points);
        graph.hollow.resize(points);
    }
    for (std::vector<float>& conc : graph.conc)
        if (conc.size() < points) conc.resize(points);
}

std::string ChartTitle(ProfileState& state, AnalysisDatabase& db) {
    std::string buffer(kTitleLength, ' ');
    const auto length = static_cast<int16_t>(WithDocKey(state, [&](std::string& key) {
        return db.KestDbGetTitle(key, buffer, kTitleLength);
    }));
    return BufferPrefix(buffer, length);
}

// Hides the chart, then sizes it for the plotted points; false when it is to stay hidden.
bool SizeChart(const ProfileState& state, ProfileChart& chart, int16_t seriesCount) {
    chart.setVisible(false);
    if (state.NbElt <= 0) return false;
    if (state.Graph.count < 2) {
        chart.setPointCount(2);
        return false;
    }
    chart.setPointCount(state.Graph.count);
    chart.setSeriesCount(seriesCount);
    return true;
}

// Carbon and nitrogen stand out; the symbol is the 2-character field, blank included. The
// other elements are black on the printable chart; on the window's graph each has a colour
// of its own, black first.
std::vector<int> ElementColours(const ProfileState& state, bool ownColours) {
    static constexpr int kOthers[] = {kColourBlack, 9, 4, 5, 3, 6};  // blue, maroon, purple, teal, olive
    std::vector<int> colours;
    std::size_t others = 0;
    for (int e = 0; e < state.NbElt; ++e) {
        const std::string symbol = state.ElementTable[static_cast<std::size_t>(e)].symbol.str();
        if (symbol == "C " || symbol == "N ")
            colours.push_back(symbol == "C " ? kColourLightRed : kColourGreen);
        else
            colours.push_back(ownColours ? kOthers[others++ % std::size(kOthers)] : kColourBlack);
    }
    return colours;
}

std::vector<std::string> ElementSymbols(const ProfileState& state) {
    std::vector<std::string> symbols;
    for (int e = 0; e < state.NbElt; ++e) symbols.push_back(state.ElementTable[static_cast<std::size_t>(e)].symbol.str());
    return symbols;
}

// Point k of series s (both from 1) at `x`, with the value `y`. The loops count in int: a
// 16-bit counter could never pass the largest point count.
void SetPoint(ProfileChart& chart, int s, int k, double x, float y) {
    chart.setCurrentSeries(static_cast<int16_t>(s));
    chart.setCurrentPoint(static_cast<int16_t>(k));
    chart.setXPosition(x);
    chart.setYValue(y);
}

// A point whose acquisition stopped or failed holds the rates of the point before it, and a
// flagged point's numbers are doubtful: their markers are drawn hollow.
void SetHollow(const ProfileState& state, ProfileChart& chart, int k) {
    chart.setPointHollow(static_cast<int16_t>(k), state.Graph.hollow[static_cast<std::size_t>(k - 1)] != 0);
}

float PlottedConc(const ProfileState& state, int s, int k) {
    return state.Graph.conc[static_cast<std::size_t>(s - 1)][static_cast<std::size_t>(k - 1)];
}

// Points k = from..to of every series of the window's graph; the extra series lies at the
// planned end of the profile (O plus the end distance of the last zone), at 0.
void SetProfilePoints(const ProfileState& state, ProfileChart& chart, int from, int to) {
    const double end = state.NbZones > 0 ? static_cast<double>(state.O) + state.Zones[static_cast<std::size_t>(state.NbZones - 1)].endDistance : 0.0;
    for (int k = from; k <= to; ++k) {
        const double x = state.O + GraphDistance(state.Graph, k - 1);
        for (int s = 1; s <= chart.seriesCount(); ++s) {
            const bool extra = s == chart.seriesCount();
            SetPoint(chart, s, k, extra ? end : x, extra ? 0.0f : PlottedConc(state, s, k));
        }
        SetHollow(state, chart, k);
    }
}

}  // namespace

namespace {

// Plotted point k from point p of the tables.
void PlotPoint(ProfileState& state, std::size_t k, int p) {
    GraphArrays& graph = state.Graph;
    const PointRecord& point = state.PointTable[static_cast<std::size_t>(p)];
    graph.x[k] = point.x;
    graph.y[k] = point.y;
    graph.z[k] = point.z;
    bool flagged = false;
    for (int e = 0; e < state.NbElt; ++e) flagged = flagged || ResultAt(state, e, p).flags != 0;
    graph.hollow[k] = point.status == PointStatus::Stopped || point.status == PointStatus::Failed || flagged ? 1 : 0;
    // A point without counts has no value to draw: not a marker at 0.
    const bool unmeasured = Unmeasured(state, p);
    for (int e = 0; e < state.NbElt; ++e)
        graph.conc[static_cast<std::size_t>(e)][k] = unmeasured ? std::numeric_limits<float>::quiet_NaN() : ResultAt(state, e, p).conc;
}

int PointsInTable(const ProfileState& state) {
    return std::max(std::min<int>(state.NbPts, static_cast<int>(state.PointTable.size())), 0);
}

}  // namespace

void BuildGraphPoints(ProfileState& state, const MainView& view) {
    if (state.GraphSelectedOnly == 0) return BuildGraphPointRows(state, 0, kAllRows);
    GraphArrays& graph = state.Graph;
    graph.count = 0;
    const int points = PointsInTable(state);
    GrowTo(graph, static_cast<std::size_t>(points), static_cast<std::size_t>(std::max<int16_t>(state.NbElt, 0)));
    for (const int p : view.selectedPointRows()) {  // ascending
        if (p < 0 || p >= points) continue;
        PlotPoint(state, static_cast<std::size_t>(graph.count), p);
        ++graph.count;
    }
}

void BuildGraphPointRows(ProfileState& state, int first, int end) {
    GraphArrays& graph = state.Graph;
    const int points = PointsInTable(state);
    GrowTo(graph, static_cast<std::size_t>(points), static_cast<std::size_t>(std::max<int16_t>(state.NbElt, 0)));
    for (int p = std::max(first, 0); p < std::min(end, points); ++p) PlotPoint(state, static_cast<std::size_t>(p), p);
    graph.count = static_cast<int16_t>(points);
}

double GraphDistance(const GraphArrays& graph, int k) {
    const auto i = static_cast<std::size_t>(k);
    return DistanceInSpace(int64_t{graph.x[i]} - graph.x[0], int64_t{graph.y[i]} - graph.y[0], int64_t{graph.z[i]} - graph.z[0]);
}

void DrawProfileGraph(ProfileState& state, AnalysisDatabase& db, ProfileChart& chart) {
    if (!SizeChart(state, chart, static_cast<int16_t>(state.NbElt + 1))) return;
    std::vector<int> colours = ElementColours(state, true);
    colours.push_back(kColourWhite);
    chart.setSeriesColours(colours);
    chart.setLegendStyle(kLegendShown);  // the extra series has no legend text, so no entry
    chart.setLegendTexts(ElementSymbols(state));
    SetProfilePoints(state, chart, 1, chart.pointCount());
    chart.setTitle(ChartTitle(state, db));
    chart.setBottomTitle("distance (\xB5m)");  // Latin-1, as every text of the logic
    chart.setLeftTitle("wt %");
    chart.draw(kDrawChart);
    chart.setVisible(true);
}

// Only the chart's points change: it shows, with one series per element and the extra one,
// and its distances, measured from the first plotted point, stay.
void DrawProfileGraphRows(ProfileState& state, AnalysisDatabase& db, ProfileChart& chart, int first, int end) {
    const bool pointsOnly = first > 0 && state.NbElt > 0 && state.Graph.count >= 2 && chart.values().visible &&
                            chart.seriesCount() == state.NbElt + 1;
    if (!pointsOnly) return DrawProfileGraph(state, db, chart);
    chart.setPointCount(state.Graph.count);
    SetProfilePoints(state, chart, first + 1, std::min<int>(end, chart.pointCount()));
    chart.setTitle(ChartTitle(state, db));
    chart.draw(kDrawChart);
}

void DrawPrintGraph(ProfileState& state, AnalysisDatabase& db, ProfileChart& chart, bool grid) {
    if (!SizeChart(state, chart, state.NbElt)) return;
    chart.setSeriesColours(ElementColours(state, false));
    chart.setLegendStyle(kLegendShown);
    chart.setLegendTexts(ElementSymbols(state));
    for (int k = 1; k <= chart.pointCount(); ++k) {
        const double x = state.O + GraphDistance(state.Graph, k - 1);
        for (int s = 1; s <= state.NbElt; ++s) SetPoint(chart, s, k, x, PlottedConc(state, s, k));
        SetHollow(state, chart, k);
    }
    chart.setTitle(ChartTitle(state, db));
    chart.setBottomTitle("depth in microns / area");
    chart.setLeftTitle("weight %");
    chart.setGrid(grid ? kGridLines : kNoGrid);
    chart.draw(kDrawChart);
    chart.setVisible(true);
}

void RebuildProfileGraph(ProfileState& state, AnalysisDatabase& db, MainView& view) {
    BuildGraphPoints(state, view);
    DrawProfileGraph(state, db, view.graph());
}

void RebuildProfileGraphRows(ProfileState& state, AnalysisDatabase& db, MainView& view, int first, int end) {
    if (state.GraphSelectedOnly != 0) return RebuildProfileGraph(state, db, view);
    BuildGraphPointRows(state, first, end);
    DrawProfileGraphRows(state, db, view.graph(), first, end);
}

}  // namespace kest
