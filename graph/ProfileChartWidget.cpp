#include "graph/ProfileChartWidget.h"

#include "graph/PlotFrame.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>

namespace kest {

ProfileChartWidget::ProfileChartWidget(QChart* chart) : QChartView(chart) {}

void ProfileChartWidget::setSteerable(bool steerable) {
    steerable_ = steerable;
    setMouseTracking(steerable);
    viewport()->setMouseTracking(steerable);
}

QPointF ProfileChartWidget::valueAt(const QPointF& place) const {
    const PlotFrame frame = FrameOf(*chart());
    if (frame.area.isEmpty()) return {};
    return frame.valueAt(chart()->mapFromScene(mapToScene(place.toPoint())));
}

QPointF ProfileChartWidget::placeOf(const QPointF& value) const {
    const PlotFrame frame = FrameOf(*chart());
    if (!frame.placeable()) return {};
    return mapFromScene(chart()->mapToScene(frame.placeOf(value)));
}

// One notch of the wheel (120) zooms by a fifth, about the values under the pointer.
void ProfileChartWidget::wheelEvent(QWheelEvent* event) {
    if (!steerable_) return QChartView::wheelEvent(event);
    const PlotFrame frame = FrameOf(*chart());
    if (frame.placeable()) {
        const double factor = std::pow(1.2, event->angleDelta().y() / 120.0);
        const QPointF at = valueAt(event->position());
        emit viewRequested(at.x() - (at.x() - frame.x0) / factor, at.x() + (frame.x1 - at.x()) / factor,
                           at.y() - (at.y() - frame.y0) / factor, at.y() + (frame.y1 - at.y()) / factor);
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
        const PlotFrame frame = FrameOf(*chart());
        const QPointF shift = valueAt(last_) - valueAt(at);
        if (frame.placeable()) emit viewRequested(frame.x0 + shift.x(), frame.x1 + shift.x(), frame.y0 + shift.y(), frame.y1 + shift.y());
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

void ProfileChartWidget::leaveEvent(QEvent* event) {
    if (steerable_) emit pointerLeft();
    QChartView::leaveEvent(event);
}

void ProfileChartWidget::requestBetween(const QPointF& a, const QPointF& b) {
    const QPointF va = valueAt(a), vb = valueAt(b);
    emit viewRequested(std::min(va.x(), vb.x()), std::max(va.x(), vb.x()), std::min(va.y(), vb.y()), std::max(va.y(), vb.y()));
}

}  // namespace kest
