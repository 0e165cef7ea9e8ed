#include "graph/ProfileChartView.h"

#include "controls/QtText.h"
#include "graph/AxisTicks.h"
#include "graph/PlottedSeriesItem.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPolygonF>
#include <QPrintDialog>
#include <QPrinter>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

namespace kest {
namespace {

// Elements other than carbon and nitrogen share black: each series has its own marker
// shape, so that the lines can be told apart, and the legend of the printable chart shows
// the shapes.
QImage MarkerImage(std::size_t series, const QColor& colour) {
    constexpr int kSize = 9;
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 1.5));
    painter.setBrush(colour);
    const QRectF box(1, 1, kSize - 2, kSize - 2);
    const QPointF c = box.center();
    switch (series % 5) {
        case 0: painter.drawEllipse(box); break;
        case 1: painter.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5)); break;
        case 2: painter.drawPolygon(QPolygonF{QPointF(c.x(), box.top()), box.bottomRight(), box.bottomLeft()}); break;
        case 3:
            painter.drawPolygon(QPolygonF{QPointF(c.x(), box.top()), QPointF(box.right(), c.y()), QPointF(c.x(), box.bottom()),
                                          QPointF(box.left(), c.y())});
            break;
        default:
            painter.drawLine(box.topLeft(), box.bottomRight());
            painter.drawLine(box.topRight(), box.bottomLeft());
    }
    return image;
}

bool ChoosePrinterInDialog(QPrinter& printer) {
    QPrintDialog dialog(&printer);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

void ProfileChartView::Range::take(double value) {
    if (!std::isfinite(value)) return;  // a point without a value
    low = std::min(low, value);
    high = std::max(high, value);
}

// A range that holds one value still needs a width for the axis; the axis is touched only
// when its range changes, as a new range lays the chart out again.
void ProfileChartView::Range::setOn(QValueAxis* axis) const {
    if (low > high) return;
    const double margin = low == high ? std::max(1.0, std::abs(low) * 0.05) : 0.0;
    QValueAxis nice;
    nice.setRange(low - margin, high + margin);
    nice.applyNiceNumbers();
    if (nice.min() != axis->min() || nice.max() != axis->max()) axis->setRange(nice.min(), nice.max());
    ShowRoundTicks(axis);
}

// Ticks at the round values of the axis's range, whatever it is (the operator's zoom too),
// with the decimals they need.
void ProfileChartView::ShowRoundTicks(QValueAxis* axis) {
    const AxisTicks ticks = RoundTicks(axis->min(), axis->max(), kMostTicks);
    const QString format = QStringLiteral("%.%1f").arg(ticks.decimals);
    if (axis->tickType() != QValueAxis::TicksDynamic) axis->setTickType(QValueAxis::TicksDynamic);
    if (axis->tickAnchor() != 0.0) axis->setTickAnchor(0.0);  // multiples of the interval: 0 is a tick
    if (axis->tickInterval() != ticks.interval) axis->setTickInterval(ticks.interval);
    if (axis->labelFormat() != format) axis->setLabelFormat(format);
}

QColor PaletteColour(int code) {
    static const std::array<QColor, 16> palette{
        QColor(0, 0, 0),       QColor(0, 0, 128),     QColor(0, 128, 0),     QColor(0, 128, 128),
        QColor(128, 0, 0),     QColor(128, 0, 128),   QColor(128, 128, 0),   QColor(192, 192, 192),
        QColor(128, 128, 128), QColor(0, 0, 255),     QColor(0, 255, 0),     QColor(0, 255, 255),
        QColor(255, 0, 0),     QColor(255, 0, 255),   QColor(255, 255, 0),   QColor(255, 255, 255),
    };
    return code >= 0 && code < 16 ? palette[static_cast<std::size_t>(code)] : palette[0];
}

ProfileChartView::ProfileChartView(const char* objectName) : choosePrinter(ChoosePrinterInDialog) {
    auto* chart = new QChart;
    axisX_ = new QValueAxis;
    axisY_ = new QValueAxis;
    chart->addAxis(axisX_, Qt::AlignBottom);
    chart->addAxis(axisY_, Qt::AlignLeft);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    chart->legend()->hide();
    view_ = new ProfileChartWidget(chart);
    view_->setObjectName(QString::fromLatin1(objectName));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->hide();
    plotted_ = new PlottedSeriesItem(chart);
    // A plot of another width takes the decimation again.
    plotAreaWatch_ = QObject::connect(chart, &QChart::plotAreaChanged, view_, [this] {
        if (!shown_.empty()) renderSeries(values().pointCount);
    });
}

ProfileChartView::~ProfileChartView() {
    QObject::disconnect(plotAreaWatch_);
    if (view_) view_->disconnect(view_);  // the gestures' connections: they call this chart
    if (view_ && !view_->parent()) delete view_.data();
}

void ProfileChartView::setSteerable() {
    view_->setSteerable(true);
    QObject::connect(view_, &ProfileChartWidget::viewRequested, view_,
                     [this](double x0, double x1, double y0, double y1) { zoomTo(x0, x1, y0, y1); });
    QObject::connect(view_, &ProfileChartWidget::fitRequested, view_, [this] { fitAll(); });
    hover_ = new QLabel(view_->viewport());
    hover_->setObjectName(QStringLiteral("HoverText"));
    hover_->setTextFormat(Qt::PlainText);
    hover_->setAutoFillBackground(true);
    hover_->setBackgroundRole(QPalette::ToolTipBase);
    hover_->setForegroundRole(QPalette::ToolTipText);
    hover_->setFrameShape(QFrame::Box);
    hover_->setMargin(2);
    hover_->setAttribute(Qt::WA_TransparentForMouseEvents);
    hover_->hide();
    QObject::connect(view_, &ProfileChartWidget::hovered, view_, [this](QPointF place) { showPointAt(place); });
    QObject::connect(view_, &ProfileChartWidget::pointerLeft, view_, [this] { hover_->hide(); });
    QObject::connect(view_, &ProfileChartWidget::clicked, view_, [this](QPointF place) {
        if (const auto point = pointAt(place)) pointClicked(static_cast<int>(point->point));
    });
}

// The operator's ranges: kept by the axes until everything is fitted again.
void ProfileChartView::zoomTo(double xMin, double xMax, double yMin, double yMax) {
    if (shown_.empty() || !(xMax > xMin) || !(yMax > yMin)) return;
    zoomed_ = true;
    axisX_->setRange(xMin, xMax);
    axisY_->setRange(yMin, yMax);
    ShowRoundTicks(axisX_);
    ShowRoundTicks(axisY_);
    renderSeries(values().pointCount);
}

void ProfileChartView::fitAll() {
    if (shown_.empty()) return;
    zoomed_ = false;
    fitAxes(0);
    renderSeries(values().pointCount);
}

// The point of an element series nearest the place, within reach; measured in pixels, from
// the chart's values.
std::optional<ProfileChartView::ValuePoint> ProfileChartView::pointAt(QPointF place) const {
    const QPointF origin = view_->placeOf({axisX_->min(), axisY_->min()});
    const QPointF corner = view_->placeOf({axisX_->max(), axisY_->max()});
    const double sx = (corner.x() - origin.x()) / (axisX_->max() - axisX_->min());
    const double sy = (corner.y() - origin.y()) / (axisY_->max() - axisY_->min());
    std::optional<ValuePoint> nearest;
    double best = kReach * kReach;
    for (std::size_t s = 0; s < values().series.size(); ++s) {
        const ChartSeries& series = values().series[s];
        if (series.colour == kColourWhite) continue;  // it only stretches the axis
        for (std::size_t k = 0; k < series.x.size(); ++k) {
            const double dx = origin.x() + (series.x[k] - axisX_->min()) * sx - place.x();
            const double dy = origin.y() + (series.y[k] - axisY_->min()) * sy - place.y();
            if (dx * dx + dy * dy <= best) {
                best = dx * dx + dy * dy;
                nearest = ValuePoint{s, k};
            }
        }
    }
    return nearest;
}

// "point 12, Ni: 350 µm, 35.20 wt %" beside the pointer, for as long as it rests there;
// nothing away from the points. A label of the view's own: a tooltip would be taken away by
// the chart's own tooltip handling, which finds no tooltip on its items.
void ProfileChartView::showPointAt(QPointF place) {
    QString text;
    if (const auto point = pointAt(place)) {
        const ChartSeries& series = values().series[point->series];
        text = QStringLiteral("point %1, %2: %3 \u00b5m, %4 wt %")
                   .arg(pointNumberOf(static_cast<int>(point->point)))
                   .arg(ToQString(series.legend).trimmed())
                   .arg(series.x[point->point], 0, 'g', 7)
                   .arg(double{series.y[point->point]}, 0, 'f', 2);
    }
    if (text.isEmpty()) {
        hover_->hide();
        return;
    }
    if (hover_->text() != text) {
        hover_->setText(text);
        hover_->adjustSize();
    }
    const QRect room = view_->viewport()->rect();
    QPoint at = place.toPoint() + QPoint(12, 16);
    if (at.x() + hover_->width() > room.right()) at.setX(place.toPoint().x() - 12 - hover_->width());
    if (at.y() + hover_->height() > room.bottom()) at.setY(place.toPoint().y() - 8 - hover_->height());
    hover_->move(at);
    hover_->show();
    hover_->raise();
}

void ProfileChartView::showChart(bool shown) {
    if (view_) view_->setVisible(shown);
}

void ProfileChartView::renderChart() {
    if (!view_) return;
    QChart* chart = view_->chart();
    const bool restart = shown_.size() != values().series.size();
    if (restart) {
        makeSeries();
        zoomed_ = false;  // another profile
    }
    const int from = restart ? 0 : std::min(changedFrom(), drawnPoints_);
    fitAxes(from);
    renderHollowPoints(from);
    renderSeries(from);
    drawnPoints_ = values().pointCount;
    if (chart->title() != ToQString(values().title)) chart->setTitle(ToQString(values().title));  // a new title lays the chart out
    axisX_->setTitleText(ToQString(values().bottomTitle));
    axisY_->setTitleText(ToQString(values().leftTitle));
    chart->legend()->setVisible(values().legendStyle == kLegendShown);
    axisX_->setGridLineVisible(values().grid == kGridLines);
    axisY_->setGridLineVisible(values().grid == kGridLines);
}

// One line series per chart series, kept from one drawing to the next while their number
// stays: during a scan only their points change.
void ProfileChartView::makeSeries() {
    QChart* chart = view_->chart();
    chart->removeAllSeries();
    hollowPoints_.clear();
    shown_.clear();
    plotted_->setSeriesCount(values().series.size());
    for (std::size_t s = 0; s < values().series.size(); ++s) {
        auto* line = new QLineSeries;
        chart->addSeries(line);
        line->attachAxis(axisX_);
        line->attachAxis(axisY_);
        shown_.emplace_back().line = line;
    }
}

// The hollow circles over the markers of the points drawn hollow, on every series but the
// white one; only the points from the first changed one on are looked at again.
void ProfileChartView::renderHollowPoints(int from) {
    const auto first = static_cast<std::size_t>(std::max(from, 0));
    hollowPoints_.resize(static_cast<std::size_t>(
        std::lower_bound(hollowPoints_.begin(), hollowPoints_.end(), first) - hollowPoints_.begin()));
    const std::vector<uint8_t>& hollow = values().hollow;
    for (std::size_t k = first; k < hollow.size(); ++k)
        if (hollow[k]) hollowPoints_.push_back(k);
    QPolygonF points;
    for (const ChartSeries& series : values().series) {
        if (series.colour == kColourWhite) continue;
        for (const std::size_t k : hollowPoints_)
            if (k < series.x.size()) points.append(QPointF(series.x[k], series.y[k]));
    }
    plotted_->setHollowPoints(std::move(points));
}

// Each series is drawn through its decimation, taken again from the first changed point; a
// new span of the distance axis or a new width of the plot takes it whole again.
void ProfileChartView::renderSeries(int from) {
    const int width = static_cast<int>(view_->chart()->plotArea().width());
    const int columns = (width > 0 ? width : kUnlaidWidth) * columnsPerPixel_;
    const bool newView = axisX_->min() != viewMin_ || axisX_->max() != viewMax_ || columns != columns_;
    if (newView) {
        viewMin_ = axisX_->min();
        viewMax_ = axisX_->max();
        columns_ = columns;
        from = 0;
    }
    for (std::size_t s = 0; s < values().series.size(); ++s) {
        const ChartSeries& series = values().series[s];
        ShownSeries& shown = shown_[s];
        if (newView) shown.decimation.setView(viewMin_, viewMax_, columns_);
        if (from < static_cast<int>(series.x.size()) || newView || series.x.size() < shown.drawnPoints) {
            shown.decimation.update(series.x, series.y, static_cast<std::size_t>(from));
            const std::vector<PolylineDecimation::Point>& drawn = shown.decimation.points();
            QPolygonF tail;
            tail.reserve(static_cast<qsizetype>(drawn.size() - shown.decimation.rewrittenFrom()));
            for (std::size_t k = shown.decimation.rewrittenFrom(); k < drawn.size(); ++k) tail.append(QPointF(drawn[k].x, drawn[k].y));
            plotted_->replacePoints(s, static_cast<qsizetype>(shown.decimation.rewrittenFrom()), tail);
            shown.drawnPoints = series.x.size();
        }
        styleSeries(s);
    }
    plotted_->refresh();
}

// Markers are drawn where they can be told apart: a dense series is drawn as its line alone
// (zoomed in, its markers come back). White on the white plot shows nothing, but its markers
// would blot out the axis line.
void ProfileChartView::styleSeries(std::size_t s) {
    const ChartSeries& series = values().series[s];
    ShownSeries& shown = shown_[s];
    const bool markers = series.colour != kColourWhite &&
                         shown.decimation.pointsInView() * kMarkerSpacing <= static_cast<std::size_t>(columns_ / columnsPerPixel_);
    if (shown.colour != series.colour || shown.legend != series.legend) {
        shown.colour = series.colour;
        shown.legend = series.legend;
        const QColor colour = PaletteColour(series.colour);
        QPen pen(colour, 1.0);
        pen.setCosmetic(true);
        const QImage markerImage = MarkerImage(s, colour);
        plotted_->setStyle(s, pen, markerImage);
        shown.line->setPen(pen);
        shown.line->setBrush(colour);
        shown.line->setMarkerSize(9);
        shown.line->setLightMarker(markerImage);
        shown.line->setName(ToQString(series.legend));
        for (QLegendMarker* marker : view_->chart()->legend()->markers(shown.line)) marker->setVisible(!series.legend.empty());
    }
    plotted_->setMarkersShown(s, markers);
    if (shown.line->pointsVisible() != markers) shown.line->setPointsVisible(markers);
}

// The axes hold every point of every series: after points were only added their ranges
// grow by them, after any other change they are measured again. While the operator has
// zoomed, the ranges are kept up to date but the axes keep the operator's.
void ProfileChartView::fitAxes(int from) {
    if (from < drawnPoints_ || from == 0) {
        rangeX_ = {};
        rangeY_ = {};
        from = 0;
    }
    for (const ChartSeries& series : values().series) {
        for (std::size_t k = static_cast<std::size_t>(from); k < series.x.size(); ++k) rangeX_.take(series.x[k]);
        for (std::size_t k = static_cast<std::size_t>(from); k < series.y.size(); ++k) rangeY_.take(series.y[k]);
    }
    if (zoomed_) return;
    rangeX_.setOn(axisX_);
    rangeY_.setOn(axisY_);
}

void ProfileChartView::printChart() {
    if (!view_ || !view_->isVisible()) return;  // a hidden chart has nothing to print
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (choosePrinter(printer)) PrintChartOn(*view_, printer);
}

void PaintChart(QChartView& view, QPainter& painter, const QRect& target) {
    view.render(&painter, target, view.viewport()->rect(), Qt::KeepAspectRatio);
}

bool PrintChartOn(QChartView& view, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    PaintChart(view, painter, page);
    return painter.end();
}

}  // namespace kest
