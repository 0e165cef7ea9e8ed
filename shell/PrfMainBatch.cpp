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
    WindowBatch(std::optional<BatchPosition>& position, std::optional<std::string>& document, const bool& closing)
        : position_(position), document_(document), closing_(closing) {}
    Pacer& pacer() override { return pacer_; }
    void saveNextAs(const std::filesystem::path& document) override { document_ = document.string(); }
    bool stopRequested() override { return closing_; }
    void startLine(const BatchPosition& position) override { position_ = position; }

private:
    std::optional<BatchPosition>& position_;
    std::optional<std::string>& document_;
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
    BatchEditor editor(state_, suite_, BatchFileDialogs(this), this);
    if (editor.exec() == QDialog::Accepted && editor.fileToRun()) runBatch(*editor.fileToRun());
}

void PrfMain::runBatch(const std::filesystem::path& file) {
    if (!SaveChangesFirst(state_, suite_, *this)) return;
    std::optional<BatchFile> batch;
    try {
        batch = ReadBatchFile(file);
    } catch (const BatchFileError& error) {
        return showMessage(error.what());
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
        if (answer == QMessageBox::Cancel) return;
        if (answer == QMessageBox::No) progress = ProgressFor(*batch, {});
    }
    BatchPlan plan;
    if (const auto problems = CheckBatch(*batch, progress, state_, defTimeText(), plan); !problems.empty())
        return showMessage("The batch cannot run; nothing was moved or measured:" + Joined(problems));

    WindowBatch host(batchPosition_, batchDocument_, closeWhenDone_);
    RunBatch(*batch, plan, progress, StateFileOf(file), state_, suite_, *this, host);
    batchPosition_.reset();
    batchDocument_.reset();
    const std::size_t lines = progress.lines.size(), done = lines - static_cast<std::size_t>(LinesLeft(progress));
    scanStatus_->setText(ToQString(std::string(done == lines ? "Batch done: " : "Batch ended: ") + std::to_string(done) +
                                   " of " + std::to_string(lines) + " lines done"));
    if (closeWhenDone_) return (void)close();
    showMessage("The batch has ended:\n\n" + BatchTable(progress));
}

}  // namespace kest
