#pragma once
// The chart view the operator steers: the mouse wheel zooms about the pointer, a rubber band
// drawn with the left button zooms to it, the middle button (or Shift with the left) pans,
// a double click asks for everything again. A click that does not move, and the pointer
// resting over the plot, are reported with their place. The view only turns gestures into
// value ranges and places; the chart decides what they do.

#include <QChartView>
#include <QPointF>

class QRubberBand;

namespace kest {

class ProfileChartWidget : public QChartView {
    Q_OBJECT

public:
    explicit ProfileChartWidget(QChart* chart);

    // Off (the default), the view takes no gestures: a chart made to be printed.
    void setSteerable(bool steerable);

    // The values (distance, wt %) at a place of the view, and the place of values; both
    // through the chart's first horizontal and vertical axes and its plot area.
    QPointF valueAt(const QPointF& place) const;
    QPointF placeOf(const QPointF& value) const;

signals:
    void viewRequested(double xMin, double xMax, double yMin, double yMax);
    void fitRequested();
    void clicked(QPointF place);
    void hovered(QPointF place);
    void pointerLeft();

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // The view between two places, whatever their order.
    void requestBetween(const QPointF& a, const QPointF& b);

    bool steerable_ = false;
    enum class Drag { None, Press, Band, Pan } drag_ = Drag::None;
    QPointF origin_, last_;
    QRubberBand* band_ = nullptr;
};

}  // namespace kest
