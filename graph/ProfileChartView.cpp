#include "graph/ProfileChartView.h"

#include "controls/QtText.h"

#include <QChart>
#include <QChartView>
#include <QLegend>
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

namespace kest {
namespace {

struct Range {
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    void take(double value) {
        low = std::min(low, value);
        high = std::max(high, value);
    }
    // A range that holds one value still needs a width for the axis.
    void setOn(QValueAxis* axis) const {
        if (low > high) return;
        const double margin = low == high ? std::max(1.0, std::abs(low) * 0.05) : 0.0;
        axis->setRange(low - margin, high + margin);
        axis->applyNiceNumbers();
    }
};

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
    // Distances are mostly whole stage units: "1000", not "1000.0", which a narrow chart would cut.
    axisX_->setLabelFormat(QStringLiteral("%.10g"));
    axisY_->setLabelFormat(QStringLiteral("%.10g"));
    chart->addAxis(axisX_, Qt::AlignBottom);
    chart->addAxis(axisY_, Qt::AlignLeft);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    chart->legend()->hide();
    view_ = new QChartView(chart);
    view_->setObjectName(QString::fromLatin1(objectName));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->hide();
}

ProfileChartView::~ProfileChartView() {
    if (view_ && !view_->parent()) delete view_.data();
}

void ProfileChartView::showChart(bool shown) {
    if (view_) view_->setVisible(shown);
}

void ProfileChartView::renderChart() {
    if (!view_) return;
    QChart* chart = view_->chart();
    renderSeries();
    fitAxes();
    chart->setTitle(ToQString(values().title));
    axisX_->setTitleText(ToQString(values().bottomTitle));
    axisY_->setTitleText(ToQString(values().leftTitle));
    chart->legend()->setVisible(values().legendStyle == kLegendShown);
    axisX_->setGridLineVisible(values().grid == kGridLines);
    axisY_->setGridLineVisible(values().grid == kGridLines);
}

// The series are kept from one drawing to the next while their number stays: during a scan
// only their points change.
void ProfileChartView::renderSeries() {
    QChart* chart = view_->chart();
    if (chart->series().size() != static_cast<qsizetype>(values().series.size())) {
        chart->removeAllSeries();
        for (std::size_t s = 0; s < values().series.size(); ++s) {
            auto* line = new QLineSeries;
            chart->addSeries(line);
            line->attachAxis(axisX_);
            line->attachAxis(axisY_);
        }
    }
    const QList<QAbstractSeries*> shown = chart->series();
    for (std::size_t s = 0; s < values().series.size(); ++s) {
        const ChartSeries& series = values().series[s];
        auto* line = static_cast<QLineSeries*>(shown[static_cast<qsizetype>(s)]);
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(series.x.size()));
        for (std::size_t k = 0; k < series.x.size(); ++k) points.append(QPointF(series.x[k], series.y[k]));
        line->replace(points);
        const QColor colour = PaletteColour(series.colour);
        line->setPen(QPen(colour, 1.5));
        line->setBrush(colour);
        line->setMarkerSize(9);
        line->setLightMarker(MarkerImage(s, colour));
        // White on the white plot shows nothing, but its markers would blot out the axis line.
        line->setPointsVisible(series.colour != kColourWhite);
        line->setName(ToQString(series.legend));
    }
}

void ProfileChartView::fitAxes() {
    Range x, y;
    for (const ChartSeries& series : values().series) {
        for (const double value : series.x) x.take(value);
        for (const float value : series.y) y.take(value);
    }
    x.setOn(axisX_);
    y.setOn(axisY_);
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
