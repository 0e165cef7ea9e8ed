#include "core/ProfileChart.h"

#include <algorithm>

namespace kest {

void ProfileChart::setVisible(bool shown) {
    values_.visible = shown;
    showChart(shown);
}

void ProfileChart::setPointCount(int16_t count) {
    changed(std::min<int>(values_.pointCount, std::max<int16_t>(count, 0)));
    values_.pointCount = std::max<int16_t>(count, 0);
    values_.hollow.resize(static_cast<std::size_t>(values_.pointCount));
    for (ChartSeries& series : values_.series) {
        series.x.resize(static_cast<std::size_t>(values_.pointCount));
        series.y.resize(static_cast<std::size_t>(values_.pointCount));
    }
}

void ProfileChart::setSeriesCount(int16_t count) {
    values_.series.resize(static_cast<std::size_t>(std::max<int16_t>(count, 0)));
    changed(0);
    setPointCount(values_.pointCount);
}

void ProfileChart::setSeriesColours(const std::vector<int>& codes) {
    for (std::size_t s = 0; s < codes.size() && s < values_.series.size(); ++s) values_.series[s].colour = codes[s];
}

void ProfileChart::setLegendTexts(const std::vector<std::string>& texts) {
    for (std::size_t s = 0; s < texts.size() && s < values_.series.size(); ++s) values_.series[s].legend = texts[s];
}

void ProfileChart::draw(int16_t code) {
    if (code == kDrawChart) {
        renderChart();
        changedFrom_ = values_.pointCount;
    }
    if (code == kPrintChart) printChart();
}

}  // namespace kest
