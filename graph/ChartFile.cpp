#include "graph/ChartFile.h"

#include "core/WholeFile.h"
#include "graph/ProfileChartView.h"
#include "graph/ProfileGraph.h"

#include <QBuffer>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QString>
#include <QTemporaryFile>

#include <optional>

namespace kest {
namespace {

// The chart is laid out at this size, a landscape page's proportions, then scaled.
constexpr QSize kChartSize(1120, 790);
constexpr qreal kPngScale = 1.5;

// The chart's file made in memory, written whole afterwards; nothing when it cannot be made.
std::optional<QByteArray> PngBytes(QChartView& view) {
    QImage image((QSizeF(kChartSize) * kPngScale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintChart(view, painter, image.rect());
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return std::nullopt;
    return bytes;
}

// The printer writes to a file of its own: a page that does not end as a PDF ends was cut
// short (a full disk) and is no page.
std::optional<QByteArray> PdfBytes(QChartView& view) {
    QTemporaryFile page(QDir::tempPath() + QStringLiteral("/kestplus-chart-XXXXXX.pdf"));
    if (!page.open()) return std::nullopt;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(page.fileName());
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(QStringLiteral("Profile chart"));
    if (!PrintChartOn(view, printer)) return std::nullopt;
    const QByteArray bytes = page.readAll();
    if (!bytes.trimmed().endsWith("%%EOF")) return std::nullopt;
    return bytes;
}

}  // namespace

bool WritePrintableChart(ProfileState& state, AnalysisDatabase& db, const std::string& path, std::string& error) {
    ProfileChartView chart("GraphPrint");
    chart.setColumnsPerPixel(4);
    QChartView& view = *chart.widget();
    view.setAttribute(Qt::WA_DontShowOnScreen);  // laid out and painted, never shown
    view.resize(kChartSize);
    DrawPrintGraph(state, db, chart, true);
    if (!chart.values().visible) {
        error = "No chart written to " + path + ": " +
                (state.NbElt <= 0 ? "the document has no elements." : "the profile has fewer than two points.");
        return false;
    }
    const bool png = QFile::decodeName(path.c_str()).endsWith(QStringLiteral(".png"), Qt::CaseInsensitive);
    const auto bytes = png ? PngBytes(view) : PdfBytes(view);
    std::string reason = png ? "it cannot be drawn" : "its page cannot be made in the temporary folder";
    if (bytes && WriteWholeFile(path, std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())), reason))
        return true;
    error = "The chart cannot be written to " + path + ": " + reason + ".";
    return false;
}

}  // namespace kest
