#pragma once
// Scan > Batch...: the lines of a batch in a table (document, zones file, start X, Y, Z,
// counting time), with Add (at the stage's position, as Read XY takes it), Delete, Up, Down,
// Load and Save of the batch file, and Run, which saves the batch and hands its file to the
// main window to run.

#include "batch/BatchFile.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QTableWidget;

namespace kest {

class BatchEditor : public QDialog {
    Q_OBJECT

public:
    // The file to load or save; nothing when the operator cancels.
    using FileChooser = std::function<std::optional<std::filesystem::path>(bool save)>;

    BatchEditor(ProfileState& state, Suite& suite, FileChooser chooseFile, QWidget* parent = nullptr);

    // The lines as the table holds them; nothing, with a message, when a cell is not right.
    std::optional<BatchFile> batch();
    void setBatch(const BatchFile& batch);
    // After Run: the batch file to run.
    const std::optional<std::filesystem::path>& fileToRun() const { return toRun_; }

private:
    void addLine();
    void moveLine(int by);
    void load();
    // To the batch file, or (`askName`, or none yet) to the one chosen.
    bool save(bool askName);
    void run();
    void say(const QString& text);

    ProfileState& state_;
    Suite& suite_;
    FileChooser chooseFile_;
    QTableWidget* table_ = nullptr;
    std::optional<std::filesystem::path> file_;  // the batch file loaded or saved last
    std::optional<std::filesystem::path> toRun_;
};

// The file dialogs of the batch editor, for batch files (*.json).
BatchEditor::FileChooser BatchFileDialogs(QWidget* parent);

}  // namespace kest
