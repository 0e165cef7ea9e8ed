#pragma once
// A profile chart that shows: the values of the chart rendered with Qt Charts on a chart
// view, one line series with point markers per chart series, on value axes whose ranges
// hold every point of every series.

#include "core/ProfileChart.h"

#include <QChartView>
#include <QColor>
#include <QPointer>

#include <functional>

class QPainter;
class QPrinter;
class QRect;
class QValueAxis;

namespace kest {

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

    // The printer of the print command; the platform's print dialog unless set. False when
    // the operator cancels.
    std::function<bool(QPrinter&)> choosePrinter;

protected:
    void showChart(bool shown) override;
    void renderChart() override;
    void printChart() override;

private:
    void renderSeries();
    void fitAxes();

    QPointer<QChartView> view_;
    QValueAxis* axisX_ = nullptr;
    QValueAxis* axisY_ = nullptr;
};

// Paints the chart view into `target` of the painter's device, keeping its proportions.
void PaintChart(QChartView& view, QPainter& painter, const QRect& target);
// Paints the chart view onto the printer's page; false when the printer cannot be opened.
bool PrintChartOn(QChartView& view, QPrinter& printer);

}  // namespace kest
