#pragma once
// A profile chart that shows: the values of the chart rendered with Qt Charts on a chart
// view, one line series with point markers per chart series, on value axes whose ranges
// hold every point of every series. The window's graph is steerable: the operator zooms and
// pans, and the axes then keep the operator's ranges while new points come, until a double
// click fits everything again; a point under the pointer says what it is, and a click on
// one reports it. Both find the nearest point among the chart's values, not among the
// points drawn. The lines and markers are painted by an item of their own over the plot,
// with hollow circles over the points drawn hollow (whose acquisition stopped or failed);
// the chart's line series hold no points and style the legend.

#include "core/ProfileChart.h"
#include "graph/PolylineDecimation.h"
#include "graph/ProfileChartWidget.h"

#include <QChartView>
#include <QColor>
#include <QPointer>

#include <algorithm>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPainter;
class QPrinter;
class QLineSeries;
class QRect;
class QValueAxis;

namespace kest {

class PlottedSeriesItem;

// Colour code 0..15 of the 16-colour palette: 0 black, 2 green, 10 light green, 12 light
// red, 15 white, and the others in the same scheme; black outside it.
QColor PaletteColour(int code);

class ProfileChartView : public ProfileChart {
public:
    // The view is made hidden, named `objectName`; whoever lays it out takes it over.
    explicit ProfileChartView(const char* objectName);
    ~ProfileChartView() override;
    ProfileChartView(const ProfileChartView&) = delete;
    ProfileChartView& operator=(const ProfileChartView&) = delete;

    QChartView* widget() const { return view_; }

    // Columns of the decimation per pixel of the plot's width: more for a chart that is
    // printed or written to a file, at a finer resolution than the screen's.
    void setColumnsPerPixel(int columns) { columnsPerPixel_ = std::max(columns, 1); }

    // The printer of the print command; the platform's print dialog unless set. False when
    // the operator cancels.
    std::function<bool(QPrinter&)> choosePrinter;

    // Zoom, pan, hover and click, for the window's graph.
    void setSteerable();
    bool zoomed() const { return zoomed_; }
    // The number of plotted point k (from 0), as the hover text gives it; k + 1 unless set.
    std::function<int(int)> pointNumberOf = [](int k) { return k + 1; };
    // A click on plotted point k.
    std::function<void(int)> pointClicked = [](int) {};

protected:
    void showChart(bool shown) override;
    void renderChart() override;
    void printChart() override;

private:
    // The smallest and largest value seen.
    struct Range {
        double low = std::numeric_limits<double>::max();
        double high = std::numeric_limits<double>::lowest();
        void take(double value);
        void setOn(QValueAxis* axis) const;
    };
    // A chart series as drawn: its legend's line, its decimation, and the style last given it.
    struct ShownSeries {
        QLineSeries* line = nullptr;
        PolylineDecimation decimation;
        std::size_t drawnPoints = 0;
        int colour = -1;
        std::string legend;
    };
    static constexpr std::size_t kMarkerSpacing = 3;  // pixels per point at least, for markers
    static constexpr int kMostTicks = 8;               // on an axis
    static void ShowRoundTicks(QValueAxis* axis);
    static constexpr int kUnlaidWidth = 1000;         // of a plot not laid out yet

    // A point of the chart's values: series and point, from 0.
    struct ValuePoint {
        std::size_t series = 0;
        std::size_t point = 0;
    };
    static constexpr double kReach = 8.0;  // pixels from the pointer to a point it means

    void makeSeries();
    void renderSeries(int from);
    void renderHollowPoints(int from);
    void styleSeries(std::size_t s);
    void fitAxes(int from);
    void zoomTo(double xMin, double xMax, double yMin, double yMax);
    void fitAll();
    std::optional<ValuePoint> pointAt(QPointF place) const;
    void showPointAt(QPointF place);

    QPointer<ProfileChartWidget> view_;
    QValueAxis* axisX_ = nullptr;
    QValueAxis* axisY_ = nullptr;
    std::vector<ShownSeries> shown_;
    PlottedSeriesItem* plotted_ = nullptr;  // owned by the chart
    QLabel* hover_ = nullptr;                // what the pointer rests on, owned by the view
    std::vector<std::size_t> hollowPoints_;  // ascending
    QMetaObject::Connection plotAreaWatch_;
    Range rangeX_, rangeY_;
    int drawnPoints_ = 0;
    int columnsPerPixel_ = 1;
    int columns_ = 0;
    double viewMin_ = 0.0, viewMax_ = 0.0;
    bool zoomed_ = false;
};

// Paints the chart view into `target` of the painter's device, keeping its proportions.
void PaintChart(QChartView& view, QPainter& painter, const QRect& target);
// Paints the chart view onto the printer's page; false when the printer cannot be opened.
bool PrintChartOn(QChartView& view, QPrinter& printer);

}  // namespace kest
