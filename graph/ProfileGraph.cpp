#include "graph/ProfileGraph.h"

#include "core/DocKey.h"
#include "graph/ProfileDistance.h"

#include <algorithm>

namespace kest {
namespace {

constexpr int32_t kTitleLength = 50;

void GrowTo(GraphArrays& graph, std::size_t points, std::size_t elements) {
    if (graph.conc.size() < elements) graph.conc.resize(elements);
    if (graph.x.size() < points) {
        graph.x.resize(points);
        graph.y.resize(points);
        graph.z.resize(points);
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

// Carbon and nitrogen stand out; the symbol is the 2-character field, blank included.
std::vector<int> ElementColours(const ProfileState& state, int nitrogenColour) {
    std::vector<int> colours;
    for (int e = 0; e < state.NbElt; ++e) {
        const std::string symbol = state.ElementTable[static_cast<std::size_t>(e)].symbol.str();
        colours.push_back(symbol == "C " ? kColourLightRed : symbol == "N " ? nitrogenColour : kColourBlack);
    }
    return colours;
}

// Point k of series s (both from 1) at `x`, with the value `y`. The loops count in int: a
// 16-bit counter could never pass the largest point count.
void SetPoint(ProfileChart& chart, int s, int k, double x, float y) {
    chart.setCurrentSeries(static_cast<int16_t>(s));
    chart.setCurrentPoint(static_cast<int16_t>(k));
    chart.setXPosition(x);
    chart.setYValue(y);
}

float PlottedConc(const ProfileState& state, int s, int k) {
    return state.Graph.conc[static_cast<std::size_t>(s - 1)][static_cast<std::size_t>(k - 1)];
}

}  // namespace

void BuildGraphPoints(ProfileState& state, const MainView& view) {
    GraphArrays& graph = state.Graph;
    graph.count = 0;
    const bool selectedOnly = state.GraphSelectedOnly != 0;
    const std::vector<int> selected = selectedOnly ? view.selectedPointRows() : std::vector<int>{};
    const int points = std::min<int>(state.NbPts, static_cast<int>(state.PointTable.size()));
    GrowTo(graph, static_cast<std::size_t>(std::max(points, 0)), static_cast<std::size_t>(std::max<int16_t>(state.NbElt, 0)));
    for (int p = 0; p < points; ++p) {
        if (selectedOnly && !std::binary_search(selected.begin(), selected.end(), p)) continue;
        const auto k = static_cast<std::size_t>(graph.count);
        const PointRecord& point = state.PointTable[static_cast<std::size_t>(p)];
        graph.x[k] = point.x;
        graph.y[k] = point.y;
        graph.z[k] = point.z;
        for (int e = 0; e < state.NbElt; ++e) graph.conc[static_cast<std::size_t>(e)][k] = ResultAt(state, e, p).conc;
        graph.count = static_cast<int16_t>(k + 1);
    }
}

double GraphDistance(const GraphArrays& graph, int k) {
    const auto i = static_cast<std::size_t>(k);
    return DistanceInSpace(int64_t{graph.x[i]} - graph.x[0], int64_t{graph.y[i]} - graph.y[0], int64_t{graph.z[i]} - graph.z[0]);
}

void DrawProfileGraph(ProfileState& state, AnalysisDatabase& db, ProfileChart& chart) {
    if (!SizeChart(state, chart, static_cast<int16_t>(state.NbElt + 1))) return;
    std::vector<int> colours = ElementColours(state, kColourGreen);
    colours.push_back(kColourWhite);
    chart.setSeriesColours(colours);
    // The planned end of the profile, where the extra series stretches the axis to.
    const double end = state.NbZones > 0 ? static_cast<double>(state.O) + state.Zones[static_cast<std::size_t>(state.NbZones - 1)].endDistance : 0.0;
    for (int k = 1; k <= chart.pointCount(); ++k) {
        const double x = state.O + GraphDistance(state.Graph, k - 1);
        for (int s = 1; s <= chart.seriesCount(); ++s) {
            const bool extra = s == chart.seriesCount();
            SetPoint(chart, s, k, x, extra ? 0.0f : PlottedConc(state, s, k));
            if (extra) chart.setXPosition(end);
        }
    }
    chart.setTitle(ChartTitle(state, db));
    chart.setBottomTitle({});
    chart.setLeftTitle({});
    chart.draw(kDrawChart);
    chart.setVisible(true);
}

void DrawPrintGraph(ProfileState& state, AnalysisDatabase& db, ProfileChart& chart, bool grid) {
    if (!SizeChart(state, chart, state.NbElt)) return;
    chart.setSeriesColours(ElementColours(state, kColourLightGreen));
    std::vector<std::string> legends;
    for (int e = 0; e < state.NbElt; ++e) legends.push_back(state.ElementTable[static_cast<std::size_t>(e)].symbol.str());
    chart.setLegendStyle(kLegendShown);
    chart.setLegendTexts(legends);
    for (int k = 1; k <= chart.pointCount(); ++k) {
        const double x = state.O + GraphDistance(state.Graph, k - 1);
        for (int s = 1; s <= state.NbElt; ++s) SetPoint(chart, s, k, x, PlottedConc(state, s, k));
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

}  // namespace kest
