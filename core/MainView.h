#pragma once
// What the shell's logic needs of the main window. The window program implements it with
// PrfMain; tests and the headless commands implement it with their own recorders.
//
// Option buttons are addressed by their index in their group. Selecting a button through
// this interface only shows the choice: it runs no click handler. The logic runs the
// handler itself (SelectOptNC and its kin), so that a view never changes a setting.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kest {

class ProfileChart;
struct ScanProgress;
struct ZoneRecord;

class MainView {
public:
    virtual ~MainView() = default;

    virtual void setCaption(const std::string& text) = 0;
    virtual std::string currentCaption() const = 0;

    // Settings texts.
    virtual std::string defTimeText() const = 0;
    virtual void setDefTimeText(const std::string& text) = 0;
    virtual std::string patternText() const = 0;
    virtual void setPatternText(const std::string& text) = 0;
    virtual void setOffsetText(const std::string& text) = 0;

    // Settings buttons; an index outside the group leaves no button of the group selected.
    virtual void selectOptNC(int index) = 0;
    virtual int selectedOptNC() const = 0;  // the first selected button, -1 when none is
    virtual void selectOptXY(int index) = 0;
    virtual void selectOMP(int index) = 0;
    virtual void selectOption1(int index) = 0;

    // A message with an OK button and the default title.
    virtual void showMessage(const std::string& text) = 0;
    // A question with OK and Cancel and a warning icon; true for OK.
    virtual bool confirm(const std::string& text, const std::string& title) = 0;

    // The hourglass pointer while a long operation runs.
    virtual void setBusy(bool busy) = 0;

    // Edit, Del, Up and Down of the Zones menu; the zone buttons are never greyed.
    virtual void setZoneCommandsEnabled(bool enabled) = 0;

    // The zone list, one line per zone. Like the buttons, selecting a row from the program
    // only shows it: the logic runs the click handler itself.
    virtual void showZoneLines(const std::vector<std::string>& lines) = 0;
    virtual std::vector<int> selectedZoneRows() const = 0;  // ascending
    virtual void selectZoneRow(int row) = 0;

    // The element list, one line per element; selecting a row only shows it.
    virtual void showElementLines(const std::vector<std::string>& lines) = 0;
    virtual void selectElementRow(int row) = 0;

    // The point list, one line per point; the operator may select several rows. The list
    // holds `count` rows; rows `first` to first + lines.size() - 1 become `lines`, the rows
    // before `first` stay as they are. Either way the selection is cleared, as a refill does.
    virtual void updatePointLines(int first, std::vector<std::string> lines, int count) = 0;
    // The whole list made anew.
    void showPointLines(std::vector<std::string> lines) {
        const auto count = static_cast<int>(lines.size());
        updatePointLines(0, std::move(lines), count);
    }
    virtual std::vector<int> selectedPointRows() const = 0;  // ascending
    // The row with the focus, -1 when no row is selected.
    virtual int currentPointRow() const = 0;

    // The acquisition window on CurPnt, modal: it counts at once when AutoAcquire is set,
    // else it waits for the operator. Returns when it has closed.
    virtual void acquirePoint() = 0;

    // The zone editor, modal; it changes the zone only when the operator confirms.
    virtual void editZone(ZoneRecord& zone) = 0;

    // The zones file to load; nothing when the operator cancels.
    virtual std::optional<std::string> chooseZonesFile() = 0;

    // The profile graph, drawn after every refill of the point list.
    virtual ProfileChart& graph() = 0;

    // The document information dialog on the document of DialogArg1, captioned DialogArg2,
    // and the about box titled DialogArg1; both modal.
    virtual void showDocumentInfo() = 0;
    virtual void showAbout() = 0;

    // Keeping work. The defaults are those of a view that cannot ask (the headless
    // commands): it drops nothing and recovers nothing.
    enum class SaveChoice { Save, Discard, Cancel };
    // "Save changes to NAME?" with Save, Discard and Cancel, before work would be dropped.
    virtual SaveChoice askSaveChanges(const std::string& /*question*/) { return SaveChoice::Cancel; }
    struct RecoveryChoice {
        enum class Action { Later, Recover, Delete } action = Action::Later;
        int row = -1;  // the line chosen
    };
    // The working files a crash left behind, one line each: recover one, delete one, or
    // leave them all for later.
    virtual RecoveryChoice askRecovery(const std::vector<std::string>& /*lines*/) { return {}; }
    // A scan's plan as it starts (no point measured yet), its progress after every point it
    // measured, and its end (no longer running). A view that shows no progress ignores it.
    virtual void showScanProgress(const ScanProgress& /*progress*/) {}
    // Scan > Pause: the scan waits here after its point until it is resumed, or stopped
    // (ScanStop). A view that cannot pause goes on at once.
    virtual void holdScan() {}
};

}  // namespace kest
