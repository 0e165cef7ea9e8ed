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

// Pixels of `image` within `area` (the whole image when empty) that are `colour` to within
// `tolerance` on each channel.
inline int PixelsOf(const QImage& image, const QColor& colour, QRect area = {}, int tolerance = 40) {
    if (area.isEmpty()) area = image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) <= tolerance && std::abs(pixel.green() - colour.green()) <= tolerance &&
                std::abs(pixel.blue() - colour.blue()) <= tolerance)
                ++count;
        }
    return count;
}

// Pixels at which two images of one size differ by more than `tolerance` on a channel.
inline int PixelsApart(const QImage& a, const QImage& b, int tolerance) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            if (std::abs(p.red() - q.red()) > tolerance || std::abs(p.green() - q.green()) > tolerance ||
                std::abs(p.blue() - q.blue()) > tolerance)
                ++count;
        }
    return a.size() == b.size() ? count : a.width() * a.height();
}

}  // namespace kest::fakes
