#include "graph/ProfileChartWidget.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRubberBand>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>

namespace kest {
namespace {

QValueAxis* FirstAxis(const QChart* chart, Qt::Orientation orientation) {
    const auto axes = chart->axes(orientation);
    return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis*>(axes.constFirst());
}

}  // namespace

ProfileChartWidget::ProfileChartWidget(QChart* chart) : QChartView(chart) {}

void ProfileChartWidget::setSteerable(bool steerable) {
    steerable_ = steerable;
    setMouseTracking(steerable);
    viewport()->setMouseTracking(steerable);
}

QPointF ProfileChartWidget::valueAt(const QPointF& place) const {
    const QValueAxis* x = FirstAxis(chart(), Qt::Horizontal);
    const QValueAxis* y = FirstAxis(chart(), Qt::Vertical);
    const QRectF area = chart()->plotArea();
    if (!x || !y || area.isEmpty()) return {};
    const QPointF at = chart()->mapFromScene(mapToScene(place.toPoint()));
    return {x->min() + (at.x() - area.left()) / area.width() * (x->max() - x->min()),
            y->max() - (at.y() - area.top()) / area.height() * (y->max() - y->min())};
}

QPointF ProfileChartWidget::placeOf(const QPointF& value) const {
    const QValueAxis* x = FirstAxis(chart(), Qt::Horizontal);
    const QValueAxis* y = FirstAxis(chart(), Qt::Vertical);
    const QRectF area = chart()->plotArea();
    if (!x || !y || x->max() <= x->min() || y->max() <= y->min()) return {};
    const QPointF at(area.left() + (value.x() - x->min()) / (x->max() - x->min()) * area.width(),
                     area.bottom() - (value.y() - y->min()) / (y->max() - y->min()) * area.height());
    return mapFromScene(chart()->mapToScene(at));
}

// One notch of the wheel (120) zooms by a fifth, about the values under the pointer.
void ProfileChartWidget::wheelEvent(QWheelEvent* event) {
    if (!steerable_) return QChartView::wheelEvent(event);
    const QValueAxis* x = FirstAxis(chart(), Qt::Horizontal);
    const QValueAxis* y = FirstAxis(chart(), Qt::Vertical);
    if (x && y) {
        const double factor = std::pow(1.2, event->angleDelta().y() / 120.0);
        const QPointF at = valueAt(event->position());
        emit viewRequested(at.x() - (at.x() - x->min()) / factor, at.x() + (x->max() - at.x()) / factor,
                           at.y() - (at.y() - y->min()) / factor, at.y() + (y->max() - at.y()) / factor);
    }
    event->accept();
}

void ProfileChartWidget::mousePressEvent(QMouseEvent* event) {
    if (!steerable_) return QChartView::mousePressEvent(event);
    const bool pan = event->button() == Qt::MiddleButton ||
                     (event->button() == Qt::LeftButton && event->modifiers() & Qt::ShiftModifier);
    if (pan || event->button() == Qt::LeftButton) {
        drag_ = pan ? Drag::Pan : Drag::Press;
        origin_ = last_ = event->position();
    }
    event->accept();
}

void ProfileChartWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!steerable_) return QChartView::mouseMoveEvent(event);
    const QPointF at = event->position();
    if (drag_ == Drag::Pan) {
        const QValueAxis* x = FirstAxis(chart(), Qt::Horizontal);
        const QValueAxis* y = FirstAxis(chart(), Qt::Vertical);
        const QPointF shift = valueAt(last_) - valueAt(at);
        if (x && y) emit viewRequested(x->min() + shift.x(), x->max() + shift.x(), y->min() + shift.y(), y->max() + shift.y());
        last_ = at;
    } else if (drag_ == Drag::Press && (at - origin_).manhattanLength() >= QApplication::startDragDistance()) {
        drag_ = Drag::Band;
        if (!band_) band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
        band_->show();
    } else if (drag_ == Drag::None) {
        emit hovered(at);
    }
    if (drag_ == Drag::Band) band_->setGeometry(QRectF(origin_, at).normalized().toRect());
    event->accept();
}

void ProfileChartWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!steerable_) return QChartView::mouseReleaseEvent(event);
    const Drag drag = std::exchange(drag_, Drag::None);
    if (drag == Drag::Band) {
        band_->hide();
        if (const QRectF rect = QRectF(origin_, event->position()).normalized(); rect.width() > 2 && rect.height() > 2)
            requestBetween(rect.bottomLeft(), rect.topRight());
    } else if (drag == Drag::Press) {
        emit clicked(event->position());
    }
    event->accept();
}

void ProfileChartWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!steerable_) return QChartView::mouseDoubleClickEvent(event);
    emit fitRequested();
    event->accept();
}

void ProfileChartWidget::requestBetween(const QPointF& a, const QPointF& b) {
    const QPointF va = valueAt(a), vb = valueAt(b);
    emit viewRequested(std::min(va.x(), vb.x()), std::max(va.x(), vb.x()), std::min(va.y(), vb.y()), std::max(va.y(), vb.y()));
}

}  // namespace kest
