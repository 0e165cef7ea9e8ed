#include "shell/BatchEditor.h"

#include "acquisition/StageMotion.h"
#include "controls/Controls.h"
#include "controls/QtText.h"
#include "core/ProgramTitle.h"
#include "core/WholeFile.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kest {
namespace {

enum Column { kDocument, kZones, kStartX, kStartY, kStartZ, kTime, kColumns };

QString PathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

}  // namespace

BatchEditor::BatchEditor(ProfileState& state, Suite& suite, FileChooser chooseFile, QWidget* parent)
    : QDialog(parent), state_(state), suite_(suite), chooseFile_(std::move(chooseFile)) {
    setObjectName(QStringLiteral("BatchEditor"));
    setWindowTitle(QStringLiteral("Batch"));
    table_ = Named(new QTableWidget(0, kColumns), "BatchLines");
    table_->setHorizontalHeaderLabels({QStringLiteral("Document"), QStringLiteral("Zones file"), QStringLiteral("Start X"),
                                       QStringLiteral("Start Y"), QStringLiteral("Start Z"), QStringLiteral("Time (s)")});
    table_->horizontalHeader()->setSectionResizeMode(kDocument, QHeaderView::Stretch);
    table_->horizontalHeader()->setSectionResizeMode(kZones, QHeaderView::Stretch);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* buttons = new QVBoxLayout;
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"Add", [this] { addLine(); }},
        {"Delete", [this] { table_->removeRow(table_->currentRow()); }},
        {"Up", [this] { moveLine(-1); }},
        {"Down", [this] { moveLine(1); }},
        {"Load...", [this] { load(); }},
        {"Save...", [this] { save(true); }},
        {"Run", [this] { run(); }},
        {"Close", [this] { reject(); }},
    };
    for (const auto& [caption, command] : commands) {
        auto* button = new QPushButton(QString::fromLatin1(caption));
        button->setObjectName(QString::fromLatin1(caption).remove(QStringLiteral("...")));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, command);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(820, 360);
}

void BatchEditor::say(const QString& text) { QMessageBox::warning(this, QString::fromLatin1(kProgramTitle), text); }

// A new line after the selected one (at the end without one), starting where the stage
// stands, with the zones file of the document in the main window, which must exist.
void BatchEditor::addLine() {
    const std::filesystem::path zones = state_.ZonesPath;
    if (std::error_code error; zones.empty() || !std::filesystem::is_regular_file(zones, error))
        return say(QStringLiteral("A line takes the zones file of the document in the main window, %1, which does not "
                                  "exist yet: save the document (Save writes its zones file beside it), then add the line.")
                       .arg(PathText(zones)));
    std::string failure;
    const auto read = ReadStageAxes(state_, suite_.probe, failure);
    if (!read) say(QString::fromStdString("The line starts at 0, 0, 0: " + failure));
    const StageAxes at = read.value_or(StageAxes{});
    const int row = table_->currentRow() < 0 ? table_->rowCount() : table_->currentRow() + 1;
    table_->insertRow(row);
    const QString cells[kColumns] = {QStringLiteral("line%1.ana").arg(table_->rowCount()),
                                     QString::fromStdString(state_.ZonesPath),
                                     QString::number(at.x),
                                     QString::number(at.y),
                                     QString::number(at.third),
                                     QString()};
    for (int column = 0; column < kColumns; ++column) table_->setItem(row, column, new QTableWidgetItem(cells[column]));
    table_->setCurrentCell(row, kDocument);
}

void BatchEditor::moveLine(int by) {
    const int row = table_->currentRow(), to = row + by;
    if (row < 0 || to < 0 || to >= table_->rowCount()) return;
    for (int column = 0; column < kColumns; ++column) {
        QTableWidgetItem* moved = table_->takeItem(row, column);
        table_->setItem(row, column, table_->takeItem(to, column));
        table_->setItem(to, column, moved);
    }
    table_->setCurrentCell(to, table_->currentColumn());
}

std::optional<BatchFile> BatchEditor::batch() {
    BatchFile batch;
    if (file_) batch.folder = file_->parent_path();
    const auto cell = [this](int row, int column) {
        const QTableWidgetItem* item = table_->item(row, column);
        return item ? item->text().trimmed() : QString();
    };
    for (int row = 0; row < table_->rowCount(); ++row) {
        BatchLine line;
        line.save = cell(row, kDocument).toStdString();
        line.zones = cell(row, kZones).toStdString();
        bool whole = !line.save.empty() && !line.zones.empty();
        for (int axis = 0; axis < 3; ++axis) {
            bool ok = false;
            line.start[static_cast<std::size_t>(axis)] = cell(row, kStartX + axis).toInt(&ok);
            whole = whole && ok;
        }
        if (!cell(row, kTime).isEmpty()) {
            bool ok = false;
            line.time = cell(row, kTime).toDouble(&ok);
            whole = whole && ok && *line.time > 0 && *line.time <= 32767;
        }
        if (!whole) {
            say(QStringLiteral("Line %1 needs a document, a zones file, whole numbers for its start and, if any, a "
                               "counting time above 0 and at most 32767 s.").arg(row + 1));
            table_->setCurrentCell(row, kDocument);
            return std::nullopt;
        }
        batch.lines.push_back(line);
    }
    return batch;
}

void BatchEditor::setBatch(const BatchFile& batch) {
    table_->setRowCount(0);
    for (const BatchLine& line : batch.lines) {
        const int row = table_->rowCount();
        table_->insertRow(row);
        const QString cells[kColumns] = {PathText(line.save), PathText(line.zones), QString::number(line.start[0]),
                                         QString::number(line.start[1]), QString::number(line.start[2]),
                                         line.time ? QString::fromStdString(SecondsText(*line.time)) : QString()};
        for (int column = 0; column < kColumns; ++column) table_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
}

void BatchEditor::load() {
    const auto file = chooseFile_(false);
    if (!file) return;
    try {
        setBatch(ReadBatchFile(*file));
        file_ = *file;
    } catch (const BatchFileError& error) {
        say(ToQString(error.what()));
    }
}

bool BatchEditor::save(bool askName) {
    const auto batch = this->batch();
    if (!batch) return false;
    const auto file = askName || !file_ ? chooseFile_(true) : file_;
    if (!file) return false;
    std::string error;
    if (!WriteWholeFile(file->string(), BatchFileText(*batch), error)) {
        say(ToQString("The batch cannot be saved as " + file->string() + ": " + error));
        return false;
    }
    file_ = *file;
    return true;
}

// The batch runs from its file, beside which its progress is kept.
void BatchEditor::run() {
    if (table_->rowCount() == 0) return say(QStringLiteral("The batch has no line to run."));
    if (!save(false)) return;
    toRun_ = file_;
    accept();
}

BatchEditor::FileChooser BatchFileDialogs(QWidget* parent) {
    return [parent](bool save) -> std::optional<std::filesystem::path> {
        const QString filter = QStringLiteral("Batch files (*.json);;All files (*)");
        const QString file = save ? QFileDialog::getSaveFileName(parent, QStringLiteral("Save Batch"), QString(), filter)
                                  : QFileDialog::getOpenFileName(parent, QStringLiteral("Load Batch"), QString(), filter);
        if (file.isEmpty()) return std::nullopt;
        return std::filesystem::path(file.toStdString());
    };
}

}  // namespace kest
