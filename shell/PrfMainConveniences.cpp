// The main window's conveniences beside the commands of the design: the status bar with the
// scan's plan and progress, the stage and the beam; shortcuts; the recent documents and the
// folder the file dialogs open in; Export CSV and Export Chart; the graph's clicks.

#include "shell/PrfMain.h"

#include "acquisition/AcquisitionPanel.h"
#include "acquisition/ScanPlan.h"
#include "acquisition/ZoneChecks.h"
#include "controls/Controls.h"
#include "controls/NormalPointer.h"
#include "controls/QtText.h"
#include "core/Formats.h"
#include "document/DocumentCommands.h"
#include "document/DocumentDialogs.h"
#include "graph/ChartFile.h"
#include "results/ProfileExport.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QChart>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace kest {

void PrfMain::buildStatusBar() {
    scanStatus_ = Named(new QLabel, "ScanStatus");
    unsavedStatus_ = Named(new QLabel, "UnsavedStatus");
    stageStatus_ = Named(new QLabel, "StageStatus");
    statusBar()->addWidget(scanStatus_, 1);
    statusBar()->addPermanentWidget(unsavedStatus_);
    statusBar()->addPermanentWidget(stageStatus_);
}

void PrfMain::showScanPlan() {
    if (state_.Progress.running) return;
    QString text;
    if (state_.NbZones > 0 && state_.NbElt > 0) {
        const auto refusal = ScanRefusal(state_);
        text = QStringLiteral("Scan New: ") +
               ToQString(refusal ? *refusal : PlanText(PlanScan(state_, TextValue(defTimeText()))));
    }
    scanStatus_->setText(text);
}

// "Scan: about 40 points, about 0:10:30" as it starts, "Point 12 of about 40 - 0:03:10
// elapsed - about 0:07:20 left" after each point ("Paused after point 12" while it waits),
// then how it ended. The acquisition panel shows for as long as the scan runs.
void PrfMain::showScanProgress(const ScanProgress& progress) {
    std::string text;
    if (progress.running && hold_)
        text = "Paused after point " + std::to_string(progress.measured) + " - Scan > Resume goes on";
    else if (batchPosition_ && progress.running)
        text = progress.measured == 0 ? "Line " + std::to_string(batchPosition_->line) + " of " +
                                            std::to_string(batchPosition_->lines) + " - Scan: " +
                                            PlanText(PlanOf(progress))
                                      : BatchProgressText(*batchPosition_, progress);
    else if (progress.running && progress.measured == 0)
        text = "Scan: " + PlanText(PlanOf(progress));
    else if (progress.running)
        text = ProgressText(progress);
    else
        text = std::string(state_.ScanStop == kTrue ? "Scan stopped after " : "Scan done: ") +
               CountOf(progress.measured, "point") + " in " + ClockText(progress.elapsed);
    if (progress.running && !hold_ && state_.ScanPause == kTrue) text += " - pausing after this point";
    scanStatus_->setText(ToQString(text));
    panel_->showProgress(progress);
    panel_->setVisible(progress.running);
    showScanCommands();
}

bool PrfMain::scanning() const { return state_.Progress.running || batchRunning_; }

// The commands that change the document, the zones or the scan's settings wait for the
// scan's end; reading (the lists, the graph, exports, printing) goes on.
void PrfMain::showScanCommands() {
    const bool scan = scanning();
    for (const char* name : {"MnuNew", "MnuOpen", "MnuRecent", "MnuSave", "MnuSaveAs", "MnuInfo", "MnuAddZone",
                             "MnuLoadZones", "MnuAddPoints", "MnuDelPoint", "MnuScanAll", "MnuScanOld", "MnuScanPoint",
                             "MnuBatch", "MnuReCompute"})
        command(name)->setEnabled(!scan);
    if (!scan) recent_->setEnabled(!settings_.recentDocuments().isEmpty());
    setZoneCommandsEnabled(zoneCommandsWanted_);
    for (QWidget* control : std::initializer_list<QWidget*>{add_, del_, up_, down_, addPoint_, deletePoint_, scan_, defTime_, pattern_})
        control->setEnabled(!scan);
    for (QButtonGroup* group : {optNC_, omp_, optXY_})
        for (QAbstractButton* button : group->buttons()) button->setEnabled(!scan);
    command("MnuPause")->setEnabled(state_.Progress.running && !hold_ && state_.ScanPause != kTrue);
    command("MnuResume")->setEnabled(state_.Progress.running && (hold_ || state_.ScanPause == kTrue));
}

// Pause asks the scan to wait after the point being measured; Resume lets a waiting scan go
// on, or takes back a pause not reached yet.
void PrfMain::pauseOrResume() {
    if (!state_.Progress.running) return;
    if (hold_) {
        hold_->quit();
    } else {
        state_.ScanPause = state_.ScanPause == kTrue ? kFalse : kTrue;
    }
    showScanProgress(state_.Progress);
}

void PrfMain::holdScan() {
    QEventLoop loop;
    hold_ = &loop;
    showScanProgress(state_.Progress);
    loop.exec();
    hold_ = nullptr;
    state_.ScanPause = kFalse;
    showScanProgress(state_.Progress);
}

// Read for the operator's eyes only: nothing of it goes to the logic.
void PrfMain::showInstrument() {
    int32_t x = 0, y = 0;
    float current = 0.0f;
    QString text;
    if (suite_.probe.KestReadStagePos(1, x) != 0 && suite_.probe.KestReadStagePos(2, y) != 0)
        text = QStringLiteral("Stage X %1, Y %2").arg(x).arg(y);
    if (suite_.db.KestGetReadBeamCurrentExist() != 0 && suite_.probe.KestReadCurrent(current) != 0)
        text += QStringLiteral("   Beam %1 nA").arg(double{current}, 0, 'f', 2);
    stageStatus_->setText(text);
}


void PrfMain::assignShortcuts() {
    const std::pair<const char*, QKeySequence> keys[] = {
        {"MnuNew", QKeySequence(Qt::CTRL | Qt::Key_N)},  {"MnuOpen", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"MnuSave", QKeySequence(Qt::CTRL | Qt::Key_S)}, {"MnuPrintGraph", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"MnuScanAll", QKeySequence(Qt::Key_F5)},
    };
    for (const auto& [name, key] : keys) command(name)->setShortcut(key);
}

void PrfMain::buildRecentMenu() {
    recent_ = new QMenu(QStringLiteral("&Recent Documents"), this);
    recent_->setObjectName(QStringLiteral("MnuRecent"));
    recent_->menuAction()->setObjectName(QStringLiteral("MnuRecent"));
    findChild<QMenu*>(QStringLiteral("MnuFile"))->insertMenu(command("MnuSave"), recent_);
    showRecentDocuments();
    // After the commands themselves, which were connected first.
    for (const char* name : {"MnuOpen", "MnuSave", "MnuSaveAs"})
        connect(command(name), &QAction::triggered, this, &PrfMain::rememberDocument);
}

void PrfMain::showRecentDocuments() {
    recent_->clear();
    const QStringList documents = settings_.recentDocuments();
    for (int i = 0; i < documents.size(); ++i) {
        QAction* item = recent_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(documents[i]));
        connect(item, &QAction::triggered, this, [this, path = documents[i]] { openRecent(path); });
    }
    recent_->setEnabled(!documents.isEmpty());
}

void PrfMain::rememberDocument() {
    const QString path = QFile::decodeName(QByteArray::fromStdString(WithoutTrailingBlanks(state_.DocPath.untilNul())));
    if (!QFileInfo(path).isFile()) return;  // a new document not saved yet, or a failed open
    settings_.addRecentDocument(QFileInfo(path).absoluteFilePath());
    settings_.rememberFolderOf(path);
    showRecentDocuments();
}

void PrfMain::openRecent(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        showMessage("The document " + ToLatin1(path) + " is no longer there.");
        settings_.removeRecentDocument(path);
        showRecentDocuments();
        return;
    }
    recentToOpen_ = QFile::encodeName(path).toStdString();
    OpenCommand(state_, suite_, *this);
    recentToOpen_.reset();
    rememberDocument();
}

PathChooser PrfMain::documentChooser() {
    return [this, dialogs = DocumentFileDialogs(this)](PathRequest request,
                                                      const std::string& current) -> std::optional<std::string> {
        if (request == PathRequest::Open && recentToOpen_) return recentToOpen_;
        if (request == PathRequest::SaveAs && batchDocument_) return batchDocument_;
        std::string start = current;
        if (const QString folder = settings_.lastFolder(); !folder.isEmpty()) {
            const QString name = QFileInfo(QFile::decodeName(QByteArray::fromStdString(current))).fileName();
            start = QFile::encodeName(QDir(folder).filePath(name)).toStdString();
        }
        const auto chosen = dialogs(request, start);
        if (chosen) settings_.rememberFolderOf(QFile::decodeName(QByteArray::fromStdString(*chosen)));
        return chosen;
    };
}

void PrfMain::connectExportCommands() {
    onCommand("MnuExportCsv", nullptr, [this] { exportCsv(); });
    onCommand("MnuExportChart", nullptr, [this] { exportChart(); });
}

// A file to write, named after the document, in the folder used last.
QString PrfMain::chooseExportFile(const QString& title, const QString& suffix, const QString& filter) {
    const NormalPointerWhileAsking pointer;
    const QFileInfo document(QFile::decodeName(QByteArray::fromStdString(WithoutTrailingBlanks(state_.DocPath.untilNul()))));
    const QString folder = settings_.lastFolder().isEmpty() ? document.absolutePath() : settings_.lastFolder();
    const QString file = QFileDialog::getSaveFileName(this, title, QDir(folder).filePath(document.completeBaseName() + suffix),
                                                      filter, nullptr, QFileDialog::DontUseNativeDialog);
    settings_.rememberFolderOf(file);
    return file;
}

void PrfMain::exportCsv() {
    const QString file = chooseExportFile(QStringLiteral("Export CSV"), QStringLiteral(".csv"), QStringLiteral("CSV files (*.csv)"));
    if (file.isEmpty()) return;
    std::ofstream out(std::filesystem::path(QFile::encodeName(file).toStdString()), std::ios::binary | std::ios::trunc);
    WriteProfileCsv(state_, out);
    out.close();
    if (!out) showMessage("The CSV file " + ToLatin1(file) + " cannot be written.");
}

// The printable chart of the points the graph plots: PDF, or PNG for a name ending in .png.
void PrfMain::exportChart() {
    QString file = chooseExportFile(QStringLiteral("Export Chart"), QStringLiteral(".pdf"),
                                    QStringLiteral("Charts (*.pdf *.png)"));
    if (file.isEmpty()) return;
    if (!file.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) && !file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        file += QStringLiteral(".pdf");
    std::string error;
    if (!WritePrintableChart(state_, suite_.db, QFile::encodeName(file).toStdString(), error)) showMessage(error);
}

// The legend above the plot, where a narrow chart has room for it; a click on a point
// chooses its row as a click on the row would.
void PrfMain::connectGraph() {
    graph_.setSteerable();
    graph_.widget()->chart()->legend()->setAlignment(Qt::AlignTop);
    graph_.pointNumberOf = [this](int plotted) { return plottedRow(plotted) + 1; };
    graph_.pointClicked = [this](int plotted) { selectPlottedPoint(plotted); };
}

int PrfMain::plottedRow(int plotted) const {
    if (state_.GraphSelectedOnly == 0) return plotted;
    const std::vector<int> rows = selectedPointRows();
    return plotted >= 0 && plotted < static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(plotted)] : -1;
}

// With "Sel" the row gets the focus only: the selection is what the graph plots.
void PrfMain::selectPlottedPoint(int plotted) {
    const int row = plottedRow(plotted);
    if (row < 0 || row >= pntList_->count()) return;
    if (state_.GraphSelectedOnly == 0)
        pntList_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    else
        pntList_->selectionModel()->setCurrentIndex(pntList_->model()->index(row, 0), QItemSelectionModel::NoUpdate);
    pntList_->scrollToItem(pntList_->item(row));
}

}  // namespace kest
