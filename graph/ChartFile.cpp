#include "graph/ChartFile.h"

#include "graph/ProfileChartView.h"
#include "graph/ProfileGraph.h"

#include <QChartView>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QString>

namespace kest {
namespace {

// The chart is laid out at this size, a landscape page's proportions, then scaled.
constexpr QSize kChartSize(1120, 790);
constexpr qreal kPngScale = 1.5;

bool WritePng(QChartView& view, const QString& file) {
    QImage image((QSizeF(kChartSize) * kPngScale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintChart(view, painter, image.rect());
    painter.end();
    return image.save(file, "PNG");
}

bool WritePdf(QChartView& view, const QString& file) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(QStringLiteral("Profile chart"));
    return PrintChartOn(view, printer);
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
    const QString file = QFile::decodeName(path.c_str());
    const bool png = file.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive);
    if (!(png ? WritePng(view, file) : WritePdf(view, file))) {
        error = "The chart cannot be written to " + path + ".";
        return false;
    }
    return true;
}

}  // namespace kest
