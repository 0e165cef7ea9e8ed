#pragma once
// What a chart holds: the lines it draws, the text of a PDF (read with pdftotext) and the
// pixels of an image in one colour.

#include "graph/PlottedSeriesItem.h"

#include <QChart>
#include <QColor>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

namespace kest::fakes {

// The series as the chart draws them: their points in values, and their pens.
inline const std::vector<PlottedSeriesItem::Series>& DrawnSeries(const QChart& chart) {
    static const std::vector<PlottedSeriesItem::Series> none;
    for (const QGraphicsItem* item : chart.childItems())
        if (const auto* plotted = dynamic_cast<const PlottedSeriesItem*>(item)) return plotted->series();
    return none;
}

inline std::vector<double> Xs(const PlottedSeriesItem::Series& series) {
    std::vector<double> xs;
    for (const QPointF& point : series.points) xs.push_back(point.x());
    return xs;
}

inline QString PdfText(const QString& file) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Whether two colours are the same to within `tolerance` on each channel.
inline bool Near(const QColor& p, const QColor& q, int tolerance) {
    return std::abs(p.red() - q.red()) <= tolerance && std::abs(p.green() - q.green()) <= tolerance &&
           std::abs(p.blue() - q.blue()) <= tolerance;
}

// Pixels (x, y) of `area` for which `counted(x, y)` holds.
template <typename Counted>
int PixelsWhere(const QRect& area, Counted&& counted) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) count += counted(x, y) ? 1 : 0;
    return count;
}

// Pixels of `image` within `area` (the whole image when empty) that are `colour` to within
// `tolerance` on each channel.
inline int PixelsOf(const QImage& image, const QColor& colour, QRect area = {}, int tolerance = 40) {
    return PixelsWhere(area.isEmpty() ? image.rect() : area,
                       [&](int x, int y) { return Near(image.pixelColor(x, y), colour, tolerance); });
}

// Pixels at which two images of one size differ by more than `tolerance` on a channel.
inline int PixelsApart(const QImage& a, const QImage& b, int tolerance) {
    if (a.size() != b.size()) return a.width() * a.height();
    return PixelsWhere(a.rect(), [&](int x, int y) { return !Near(a.pixelColor(x, y), b.pixelColor(x, y), tolerance); });
}

}  // namespace kest::fakes
