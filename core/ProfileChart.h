#pragma once
// The X-Y chart the profile graphs are drawn on: series placed by explicit X positions,
// addressed through a current series and a current point (both from 1), as the drawings set
// them. It keeps what was set; a chart that shows (the window's graph, the printable chart)
// renders the values when it is drawn. Without a screen the values are all there is: the
// headless commands and the tests read them back.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace kest {

// Colour codes of the 16-colour palette the drawings use.
inline constexpr int kColourBlack = 0;
inline constexpr int kColourGreen = 2;
inline constexpr int kColourLightRed = 12;
inline constexpr int kColourWhite = 15;

inline constexpr int16_t kDrawChart = 2;    // draw codes
inline constexpr int16_t kPrintChart = 5;
inline constexpr int16_t kGridLines = 3;    // grid codes
inline constexpr int16_t kNoGrid = 0;
inline constexpr int16_t kLegendShown = 1;  // legend style

struct ChartSeries {
    int colour = kColourBlack;
    std::string legend;
    std::vector<double> x;  // one entry per point
    std::vector<float> y;
};

struct ChartValues {
    bool visible = false;
    int16_t pointCount = 0;
    std::vector<ChartSeries> series;
    std::vector<uint8_t> hollow;  // per point: 1 when its markers are drawn hollow
    std::string title, bottomTitle, leftTitle;
    int16_t legendStyle = 0;
    int16_t grid = kNoGrid;
};

class ProfileChart {
public:
    virtual ~ProfileChart() = default;

    void setVisible(bool shown);
    void setPointCount(int16_t count);   // of every series
    int16_t pointCount() const { return values_.pointCount; }
    void setSeriesCount(int16_t count);
    int16_t seriesCount() const { return static_cast<int16_t>(values_.series.size()); }
    void setSeriesColours(const std::vector<int>& codes);  // in series order
    void setLegendTexts(const std::vector<std::string>& texts);
    void setCurrentSeries(int16_t series) { series_ = series; }
    void setCurrentPoint(int16_t point) { point_ = point; }
    // Of the current point of the current series; inline, as the drawings set every point of
    // every series at every refill of the point list.
    void setXPosition(double x) {
        if (ChartSeries* series = currentSeries()) {
            series->x[static_cast<std::size_t>(point_ - 1)] = x;
            changed(point_ - 1);
        }
    }
    void setYValue(float y) {
        if (ChartSeries* series = currentSeries()) {
            series->y[static_cast<std::size_t>(point_ - 1)] = y;
            changed(point_ - 1);
        }
    }
    // Point `point` (from 1) of every series drawn hollow, or filled.
    void setPointHollow(int16_t point, bool hollow) {
        if (point < 1 || point > values_.pointCount) return;
        uint8_t& mark = values_.hollow[static_cast<std::size_t>(point - 1)];
        if (mark == (hollow ? 1 : 0)) return;
        mark = hollow ? 1 : 0;
        changed(point - 1);
    }
    void setTitle(const std::string& text) { values_.title = text; }
    void setBottomTitle(const std::string& text) { values_.bottomTitle = text; }
    void setLeftTitle(const std::string& text) { values_.leftTitle = text; }
    void setLegendStyle(int16_t style) { values_.legendStyle = style; }
    void setGrid(int16_t code) { values_.grid = code; }
    // kDrawChart renders the values set; kPrintChart sends the chart as drawn to the printer.
    void draw(int16_t code);

    const ChartValues& values() const { return values_; }
    // The first point (from 0) whose values changed since the chart was last drawn; the
    // point count when none did. A chart that shows draws its series again from there.
    int changedFrom() const { return changedFrom_; }

protected:
    // What a chart that shows does; a chart without a screen only keeps the values.
    virtual void showChart(bool /*shown*/) {}
    virtual void renderChart() {}
    virtual void printChart() {}

private:
    // The current series; nullptr when it or the current point is out of range.
    ChartSeries* currentSeries() {
        if (series_ < 1 || series_ > seriesCount() || point_ < 1 || point_ > values_.pointCount) return nullptr;
        return &values_.series[static_cast<std::size_t>(series_ - 1)];
    }

    void changed(int point) { changedFrom_ = std::min(changedFrom_, point); }

    ChartValues values_;
    int changedFrom_ = 0;
    int16_t series_ = 1;
    int16_t point_ = 1;
};

}  // namespace kest
