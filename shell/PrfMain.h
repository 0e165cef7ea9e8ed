#pragma once
// The main window: the zone, element and point lists, the profile graph, the zone, point and
// scan buttons, the acquisition settings and the menu bar. Every control carries its name
// as objectName. The window only shows and forwards: what a command does lives in the logic.

#include "batch/BatchRun.h"
#include "core/MainView.h"
#include "core/ProfileState.h"
#include "graph/ProfileChartView.h"
#include "shell/WindowSettings.h"
#include "suite/Suite.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAbstractButton;
class QEventLoop;
class QAction;
class QButtonGroup;
class QDialog;
class QFileDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QToolButton;

namespace kest {

class AcquisitionPanel;
class BatchEditor;
class PrfEdit;

class PrfMain : public QMainWindow, public MainView {
    Q_OBJECT

public:
    PrfMain(ProfileState& state, Suite& suite, QWidget* parent = nullptr);
    ~PrfMain() override;

    // Centres the window and runs the start-up; the application calls it once, after the
    // single-instance check. A suite that brings a zones file has it loaded; then the
    // working files a crash left behind are offered for recovery.
    void startUp(const std::string& zonesText = {});

    // From now on the window closes without asking, and unsaved work stays in its working
    // file for a recovery: a termination signal or the end of the desktop session, which
    // cannot wait for an answer.
    void keepWorkOnClose() { keepWorkOnClose_ = true; }

    // The database library's file dialogs for Open and Save As, opening in the folder used
    // last; Open takes a document of the recent list without asking.
    PathChooser documentChooser();

    // MainView. The message boxes are virtual like the rest, so a test can answer them.
    void setCaption(const std::string& text) override;
    std::string currentCaption() const override;
    std::string defTimeText() const override;
    void setDefTimeText(const std::string& text) override;
    std::string patternText() const override;
    void setPatternText(const std::string& text) override;
    void setOffsetText(const std::string& text) override;
    void selectOptNC(int index) override;
    int selectedOptNC() const override;
    void selectOptXY(int index) override;
    void selectOMP(int index) override;
    void selectOption1(int index) override;
    void showMessage(const std::string& text) override;
    bool confirm(const std::string& text, const std::string& title) override;
    void setBusy(bool busy) override;
    void setZoneCommandsEnabled(bool enabled) override;
    void showZoneLines(const std::vector<std::string>& lines) override;
    std::vector<int> selectedZoneRows() const override;
    void selectZoneRow(int row) override;
    void showElementLines(const std::vector<std::string>& lines) override;
    void selectElementRow(int row) override;
    void updatePointLines(int first, std::vector<std::string> lines, int count) override;
    std::vector<int> selectedPointRows() const override;
    int currentPointRow() const override;
    void acquirePoint() override;
    void editZone(ZoneRecord& zone) override;
    std::optional<std::string> chooseZonesFile() override;
    ProfileChart& graph() override { return graph_; }
    void showDocumentInfo() override;
    void showAbout() override;
    SaveChoice askSaveChanges(const std::string& question) override;
    RecoveryChoice askRecovery(const std::vector<std::string>& lines) override;
    void showScanProgress(const ScanProgress& progress) override;
    void holdScan() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    QWidget* buildZonesPanel();
    QWidget* buildElementsPanel();
    QWidget* buildSettingsPanel();
    QWidget* buildPointsPanel();
    void connectSettings();
    void connectCommands();
    void connectZoneCommands();
    void connectPointCommands();
    void connectWindowCommands();
    // A menu item, and the button beside it if any, run one operation of the logic.
    void onCommand(const char* name, QAbstractButton* button, std::function<void()> operation);
    std::function<void()> run(void (*operation)(ProfileState&, MainView&));
    template <typename Result>  // what the operation returns is for the headless commands
    std::function<void()> run(Result (*operation)(ProfileState&, Suite&, MainView&)) {
        return [this, operation] {
            operation(state_, suite_, *this);
            if (closeWhenDone_) close();
        };
    }
    // The caption's marks of unsaved work, after every command and change of a setting.
    void showUnsavedState();
    void centreOnScreen();
    QAction* command(const char* name) const;  // a menu item by its name

    // The window's own conveniences, beside the commands of the design.
    QWidget* buildLists();
    void buildStatusBar();
    void assignShortcuts();
    void buildRecentMenu();
    void connectExportCommands();
    void connectGraph();
    // The status bar: what Scan New would take, while no scan runs; the stage and the beam
    // after every point.
    void showScanPlan();
    void showInstrument();
    // While a scan or a batch runs, the commands that would change the document or the
    // scan's settings are greyed: the window is for reading.
    void showScanCommands();
    bool scanning() const;
    // Scan > Pause and Scan > Resume, and the panel's button that does either.
    void pauseOrResume();
    void showRecentDocuments();
    void rememberDocument();  // after Open, Save and Save As: the document, if on disk
    void openRecent(const QString& path);
    QString chooseExportFile(const QString& title, const QString& suffix, const QString& filter);
    void exportCsv();
    void exportChart();
    // Scan > Batch...: the editor, then the batch it runs, each line's document in the window.
    void openBatchEditor();
    // False when the batch is refused before it starts.
    bool runBatch(const std::filesystem::path& file);
    int plottedRow(int plotted) const;  // the point list's row of a plotted point
    void selectPlottedPoint(int plotted);

    ProfileState& state_;
    Suite& suite_;
    bool started_ = false;  // the working document exists: closing must release it
    bool busy_ = false;
    // A close asked for while a scan runs (the operator, once the stop is confirmed, or a
    // termination signal) stops the scan and closes the window once the command has ended.
    PrfEdit* acquisitionWindow_ = nullptr;  // Scan Point's
    AcquisitionPanel* panel_ = nullptr;     // a scan's
    QEventLoop* hold_ = nullptr;            // a paused scan waits in it
    bool batchRunning_ = false;
    bool zoneCommandsWanted_ = false;       // as the logic last set them
    bool closeWhenDone_ = false;
    bool keepWorkOnClose_ = false;

    // Lists and graph.
    QListWidget* zonList_ = nullptr;
    QListWidget* eltList_ = nullptr;
    QListWidget* pntList_ = nullptr;
    ProfileChartView graph_{"Graph"};

    // Buttons.
    QPushButton* add_ = nullptr;
    QPushButton* del_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    QPushButton* addPoint_ = nullptr;
    QPushButton* deletePoint_ = nullptr;
    QPushButton* scan_ = nullptr;
    QPushButton* ana_ = nullptr;

    // Settings.
    QButtonGroup* optNC_ = nullptr;
    QButtonGroup* omp_ = nullptr;
    QButtonGroup* optXY_ = nullptr;
    QButtonGroup* option1_ = nullptr;
    QLineEdit* defTime_ = nullptr;
    QLineEdit* pattern_ = nullptr;
    QLineEdit* offset_ = nullptr;
    QFileDialog* dialogOpen_ = nullptr;  // the zones loader's file choice

    // Status bar, recent documents.
    QLabel* scanStatus_ = nullptr;
    QLabel* unsavedStatus_ = nullptr;
    QLabel* stageStatus_ = nullptr;
    WindowSettings settings_;
    QMenu* recent_ = nullptr;
    std::optional<std::string> recentToOpen_;

    // While a batch runs: where it stands, and where Save As puts the line's document.
    std::optional<BatchPosition> batchPosition_;
    std::optional<std::string> batchDocument_;
    std::optional<std::string> batchLineDocument_;  // the document of the line that runs
    // Scan > Batch...'s editor keeps its lines from one opening to the next, whatever Run does.
    std::unique_ptr<BatchEditor> batchEditor_;

};

}  // namespace kest
