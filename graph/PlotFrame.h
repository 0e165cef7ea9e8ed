#pragma once
// Where a chart's plot stands: its area, in the chart's coordinates, and the ranges of the
// chart's first value axes. Values (distance, wt %) are placed on the plot through it, and
// places read back as values.

#include <QChart>
#include <QPointF>
#include <QRectF>
#include <QValueAxis>

namespace kest {

struct PlotFrame {
    QRectF area;
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    bool operator==(const PlotFrame&) const = default;

    // False while an axis has no width: no value has a place.
    bool placeable() const { return x1 > x0 && y1 > y0; }
    QPointF placeOf(QPointF value) const {
        return {area.left() + (value.x() - x0) / (x1 - x0) * area.width(),
                area.bottom() - (value.y() - y0) / (y1 - y0) * area.height()};
    }
    QPointF valueAt(QPointF place) const {
        return {x0 + (place.x() - area.left()) / area.width() * (x1 - x0),
                y1 - (place.y() - area.top()) / area.height() * (y1 - y0)};
    }
};

// The frame of the chart's plot as it stands; ranges of 0 without value axes.
inline PlotFrame FrameOf(const QChart& chart) {
    const auto first = [&chart](Qt::Orientation orientation) {
        const auto axes = chart.axes(orientation);
        return axes.isEmpty() ? nullptr : qobject_cast<const QValueAxis*>(axes.constFirst());
    };
    PlotFrame frame{chart.plotArea()};
    if (const QValueAxis* x = first(Qt::Horizontal)) frame.x0 = x->min(), frame.x1 = x->max();
    if (const QValueAxis* y = first(Qt::Vertical)) frame.y0 = y->min(), frame.y1 = y->max();
    return frame;
}

}  // namespace kest
