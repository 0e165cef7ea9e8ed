#pragma once
// The lines, markers and hollow circles of a chart, painted by one item over its plot area.
// The points are kept in values (distance, wt %) and placed on the plot through the axes'
// ranges when painted. Qt's line series would outline each line anew for hit testing
// whenever its points change, which costs more than painting it; the chart finds points from
// its own values instead. While the axes and the plot stay, a change of the points at the
// end of a line paints again only the part of the plot they cover.

#include "graph/PlotFrame.h"

#include <QGraphicsItem>
#include <QImage>
#include <QPen>
#include <QPolygonF>

#include <limits>
#include <vector>

namespace kest {

class PlottedSeriesItem : public QGraphicsItem {
public:
    struct Series {
        QPolygonF points;  // values, in drawing order
        QPen pen;
        QImage marker;  // drawn centred on each point when markers are shown
        bool markersShown = false;
    };

    // Made on `chart`, which owns it, above its series; placed through its first value axes.
    explicit PlottedSeriesItem(QChart* chart);

    const std::vector<Series>& series() const { return series_; }

    // Every change is painted at the next refresh.
    void setSeriesCount(std::size_t count);
    void setStyle(std::size_t s, const QPen& pen, const QImage& marker);
    void setMarkersShown(std::size_t s, bool shown);
    // The points of series s from `first` on become `tail`.
    void replacePoints(std::size_t s, qsizetype first, const QPolygonF& tail);
    // Points drawn as hollow circles over the markers, in values.
    void setHollowPoints(QPolygonF points);
    // Paints what changed: the whole plot after a new range, plot area, style or hollow
    // point, else the places of the points replaced before and after.
    void refresh();

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    static constexpr double kMarkerReach = 6.0;  // pixels a marker or circle reaches from its point

    // The place on the plot of each value; empty when the axes have no width.
    QPolygonF placesOf(const QPolygonF& values) const;
    // Takes in the values of `points` from `first` on and the line that joins them to the one before.
    void spoil(const QPolygonF& points, qsizetype first);

    QChart* chart_;
    std::vector<Series> series_;
    QPolygonF hollow_;
    PlotFrame frame_;  // as last painted
    // The values whose places paint again lie between these corners.
    static constexpr QPointF kNothingSpoiled{std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    QPointF spoiledLow_ = kNothingSpoiled, spoiledHigh_ = -kNothingSpoiled;
    bool spoiledWhole_ = true;
};

}  // namespace kest
