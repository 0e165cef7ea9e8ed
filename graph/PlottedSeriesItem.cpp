#include "graph/PlottedSeriesItem.h"

#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cmath>
#include <utility>

namespace kest {
namespace {

// The runs of a polyline's segments that may touch `area`; a new point at the end of a long
// line paints a small area, and the line's other segments are not stroked for it.
void DrawPolylineIn(QPainter* painter, const QPolygonF& places, const QRectF& area) {
    qsizetype start = -1;
    for (qsizetype k = 0; k + 1 <= places.size(); ++k) {
        const bool meets = k + 1 < places.size() && std::max(places[k].x(), places[k + 1].x()) >= area.left() &&
                           std::min(places[k].x(), places[k + 1].x()) <= area.right() &&
                           std::max(places[k].y(), places[k + 1].y()) >= area.top() &&
                           std::min(places[k].y(), places[k + 1].y()) <= area.bottom();
        if (meets && start < 0) start = k;
        if (!meets && start >= 0) {
            painter->drawPolyline(places.constData() + start, static_cast<int>(k - start + 1));
            start = -1;
        }
    }
}

}  // namespace

PlottedSeriesItem::PlottedSeriesItem(QChart* chart) : QGraphicsItem(chart), chart_(chart) {
    setZValue(1000);  // over the series' own (empty) items and the grid
    setAcceptedMouseButtons(Qt::NoButton);
    setFlag(ItemUsesExtendedStyleOption);  // for the exposed part of the plot
}

void PlottedSeriesItem::setSeriesCount(std::size_t count) {
    series_.assign(count, {});
    spoiledWhole_ = true;
}

void PlottedSeriesItem::setStyle(std::size_t s, const QPen& pen, const QImage& marker) {
    series_[s].pen = pen;
    series_[s].marker = marker;
    spoiledWhole_ = true;
}

void PlottedSeriesItem::setMarkersShown(std::size_t s, bool shown) {
    if (series_[s].markersShown == shown) return;
    series_[s].markersShown = shown;
    spoiledWhole_ = true;
}

void PlottedSeriesItem::replacePoints(std::size_t s, qsizetype first, const QPolygonF& tail) {
    QPolygonF& points = series_[s].points;
    first = std::clamp<qsizetype>(first, 0, points.size());
    qsizetype same = 0;  // points that the tail gives again where they were
    while (first + same < points.size() && same < tail.size() && points[first + same] == tail[same]) ++same;
    if (first + same == points.size() && same == tail.size()) return;
    spoil(points, first + same);
    points.resize(first + same);
    points.append(tail.mid(same));
    spoil(points, first + same);
}

// A value that is not a finite number has no place to bound: the whole plot paints again.
void PlottedSeriesItem::spoil(const QPolygonF& points, qsizetype first) {
    for (qsizetype k = std::max<qsizetype>(first - 1, 0); k < points.size(); ++k) {
        const QPointF& p = points[k];
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) spoiledWhole_ = true;
        spoiledLow_ = QPointF(std::min(spoiledLow_.x(), p.x()), std::min(spoiledLow_.y(), p.y()));
        spoiledHigh_ = QPointF(std::max(spoiledHigh_.x(), p.x()), std::max(spoiledHigh_.y(), p.y()));
    }
}

void PlottedSeriesItem::setHollowPoints(QPolygonF points) {
    if (points == hollow_) return;
    hollow_ = std::move(points);
    spoiledWhole_ = true;
}

void PlottedSeriesItem::refresh() {
    const PlotFrame frame = FrameOf(*chart_);
    if (frame.area != frame_.area) {
        // What was painted in the old area may lie under the axes' labels now.
        prepareGeometryChange();
        chart_->update();
    }
    if (spoiledWhole_ || frame != frame_) {
        frame_ = frame;
        update();
    } else if (spoiledLow_.x() <= spoiledHigh_.x()) {
        const QRectF places = placesOf(QPolygonF{spoiledLow_, spoiledHigh_}).boundingRect();
        constexpr double reach = kMarkerReach + 1;
        update(places.adjusted(-reach, -reach, reach, reach));
    }
    spoiledLow_ = kNothingSpoiled;
    spoiledHigh_ = -kNothingSpoiled;
    spoiledWhole_ = false;
}

QRectF PlottedSeriesItem::boundingRect() const {
    return frame_.area.adjusted(-kMarkerReach, -kMarkerReach, kMarkerReach, kMarkerReach);
}

QPolygonF PlottedSeriesItem::placesOf(const QPolygonF& values) const {
    if (!frame_.placeable()) return {};
    QPolygonF places(values.size());
    std::transform(values.begin(), values.end(), places.begin(), [this](QPointF value) { return frame_.placeOf(value); });
    return places;
}

// Lines are cut at the plot's edges; markers and circles are drawn for the points inside it,
// and whole.
void PlottedSeriesItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*) {
    const QRectF exposed = option->exposedRect.adjusted(-kMarkerReach, -kMarkerReach, kMarkerReach, kMarkerReach);
    const QRectF markable = frame_.area & exposed;
    std::vector<QPolygonF> places;
    places.reserve(series_.size());
    for (const Series& series : series_) places.push_back(placesOf(series.points));
    painter->save();
    painter->setClipRect(frame_.area, Qt::IntersectClip);
    for (std::size_t s = 0; s < series_.size(); ++s) {
        painter->setPen(series_[s].pen);
        DrawPolylineIn(painter, places[s], exposed);
    }
    painter->restore();
    for (std::size_t s = 0; s < series_.size(); ++s) {
        if (!series_[s].markersShown) continue;
        const QImage& marker = series_[s].marker;
        const QPointF centre(marker.width() / 2.0, marker.height() / 2.0);
        for (const QPointF& place : places[s])
            if (markable.contains(place)) painter->drawImage(place - centre, marker);
    }
    painter->setPen(Qt::black);
    painter->setBrush(Qt::white);
    for (const QPointF& place : placesOf(hollow_))
        if (markable.contains(place)) painter->drawEllipse(place, kMarkerReach - 0.5, kMarkerReach - 0.5);
}

}  // namespace kest
