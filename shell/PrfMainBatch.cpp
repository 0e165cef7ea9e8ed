// Scan > Batch...: the batch editor, and the batch it hands over run in the main window,
// each line's document and profile growing in the lists and the chart, the status bar
// following the line, the point and the time left in the batch. The acquisition window's
// Cancel ends the batch after the current point, with the line saved.

#include "shell/BatchEditor.h"
#include "shell/PrfMain.h"

#include "acquisition/EventLoopPacer.h"
#include "controls/QtText.h"
#include "document/DocumentCommands.h"

#include "core/ProgramTitle.h"

#include <QLabel>
#include <QMessageBox>

namespace kest {
namespace {

class WindowBatch : public BatchHost {
public:
    WindowBatch(std::optional<BatchPosition>& position, std::optional<std::string>& document,
                std::optional<std::string>& lineDocument, const BatchState& progress, const bool& closing)
        : position_(position), document_(document), lineDocument_(lineDocument), progress_(progress), closing_(closing) {}
    Pacer& pacer() override { return pacer_; }
    void saveNextAs(const std::filesystem::path& document) override { document_ = document.string(); }
    bool stopRequested() override { return closing_; }
    void startLine(const BatchPosition& position) override {
        position_ = position;
        const auto line = static_cast<std::size_t>(position.line - 1);
        if (line < progress_.lines.size()) lineDocument_ = progress_.lines[line].document;
    }

private:
    std::optional<BatchPosition>& position_;
    std::optional<std::string>& document_;
    std::optional<std::string>& lineDocument_;
    const BatchState& progress_;
    const bool& closing_;
    EventLoopPacer pacer_;
};

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "\n" + line;
    return text;
}

}  // namespace

void PrfMain::openBatchEditor() {
    if (!batchEditor_) batchEditor_ = std::make_unique<BatchEditor>(state_, suite_, BatchFileDialogs(this), this);
    // A batch that cannot run brings its lines back, to be mended.
    while (batchEditor_->exec() == QDialog::Accepted && batchEditor_->fileToRun() && !runBatch(*batchEditor_->fileToRun())) {
    }
}

bool PrfMain::runBatch(const std::filesystem::path& file) {
    if (!SaveChangesFirst(state_, suite_, *this)) return true;
    std::optional<BatchFile> batch;
    try {
        batch = ReadBatchFile(file);
    } catch (const BatchFileError& error) {
        showMessage(error.what());
        return false;
    }
    std::string error;
    BatchState kept = ReadBatchState(StateFileOf(file), error).value_or(BatchState{});
    BatchState progress = ProgressFor(*batch, kept);
    if (const int done = static_cast<int>(batch->lines.size()) - LinesLeft(progress); done > 0) {
        const auto answer = QMessageBox::question(
            this, QString::fromLatin1(kProgramTitle),
            QStringLiteral("%1 of the %2 lines of this batch are done. Run only the lines not done?")
                .arg(done).arg(batch->lines.size()),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel) return true;
        if (answer == QMessageBox::No) progress = ProgressFor(*batch, {});
    }
    BatchPlan plan;
    if (const auto problems = CheckBatch(*batch, progress, state_, defTimeText(), plan); !problems.empty()) {
        showMessage("The batch cannot run; nothing was moved or measured:" + Joined(problems));
        return false;
    }

    WindowBatch host(batchPosition_, batchDocument_, batchLineDocument_, progress, closeWhenDone_);
    batchRunning_ = true;
    showScanCommands();
    RunBatch(*batch, plan, progress, StateFileOf(file), state_, suite_, *this, host);
    batchRunning_ = false;
    batchPosition_.reset();
    batchDocument_.reset();
    batchLineDocument_.reset();
    showScanCommands();
    showUnsavedState();
    const std::size_t lines = progress.lines.size(), done = lines - static_cast<std::size_t>(LinesLeft(progress));
    scanStatus_->setText(ToQString(std::string(done == lines ? "Batch done: " : "Batch ended: ") + std::to_string(done) +
                                   " of " + std::to_string(lines) + " lines done"));
    if (closeWhenDone_) {
        close();
        return true;
    }
    showMessage("The batch has ended:\n\n" + BatchTable(progress));
    return true;
}

}  // namespace kest
