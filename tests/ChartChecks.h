#pragma once
// What a written chart holds: the text of a PDF (read with pdftotext) and the pixels of an
// image in one colour.

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

namespace kest::fakes {

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

}  // namespace kest::fakes
