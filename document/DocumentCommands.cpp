#include "document/DocumentCommands.h"

#include "core/DocKey.h"
#include "document/DocumentView.h"
#include "document/ZonesFile.h"
#include "geometry/ZoneTable.h"
#include "suite/DocumentFile.h"

#include <algorithm>
#include <filesystem>

namespace kest {
namespace {

constexpr std::size_t kExtensionLength = 4;  // ".ana"

// The zones file as written, or as another system may have written it (".prf").
std::string ExistingZonesPath(const std::string& zonesPath) {
    std::error_code ec;
    if (std::filesystem::exists(zonesPath, ec)) return zonesPath;
    const std::string lower = zonesPath.substr(0, zonesPath.size() - kExtensionLength) + ".prf";
    return std::filesystem::exists(lower, ec) ? lower : zonesPath;
}

// What the document was opened or saved with; whatever differs later is unsaved work.
void MarkSaved(ProfileState& state) {
    TakeZonesAsSaved(state);
    state.Recovered = false;
}

// One call of the library on the working document with the path buffer of DocPath.
using PathCall = Status (AnalysisDatabase::*)(std::string&, std::string&, int32_t);
Status CallWithDocPath(ProfileState& state, Suite& suite, PathCall call) {
    std::string path = state.DocPath.str();
    const Status length = StoredDocCall(state, [&](std::string& key) { return (suite.db.*call)(key, path, kPathLength); });
    state.DocPath.assign(path);
    return length;
}

void ShowDocumentPath(ProfileState& state, MainView& view, Status length) {
    const std::string path = state.DocPath.str();
    view.setCaption(DocumentCaption(state.AppLabel, path, length));
    state.ZonesPath = ZonesPathOf(path, length);
}

bool Save(ProfileState& state, Suite& suite, MainView& view, PathCall call) {
    view.setBusy(true);
    const Status length = CallWithDocPath(state, suite, call);
    bool saved = length > 0;
    if (saved) {
        ShowDocumentPath(state, view, length);
        std::string error;
        saved = WriteZonesFile(state, &error);
        if (!saved) view.showMessage("The zones file " + state.ZonesPath + " cannot be written: " + error + ".");
    }
    if (saved) MarkSaved(state);
    ShowUnsavedState(state, suite, view);
    view.setBusy(false);
    return saved;
}

bool ResetAndLoad(ProfileState& state, Suite& suite, MainView& view) {
    std::string path;
    const Status length = StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbReset(key, path, kPathLength); });
    if (length <= 0) return false;
    view.setCaption(DocumentCaption(state.AppLabel, path, length));
    state.DocPath.assign(path);
    if (!LoadDocumentView(state, suite, view)) return false;
    RefreshLists(state, suite, view);
    DisableZoneCommands(view);
    MarkSaved(state);
    return true;
}

bool OpenAndLoad(ProfileState& state, Suite& suite, MainView& view) {
    const Status length = CallWithDocPath(state, suite, &AnalysisDatabase::KestDbOpen);
    if (length <= 0) return false;
    ShowDocumentPath(state, view, length);
    state.ZonesPath = ExistingZonesPath(state.ZonesPath);
    if (!LoadDocumentView(state, suite, view)) return false;
    ReadZonesFile(state, view, state.ZonesPath);
    RefreshLists(state, suite, view);
    MarkSaved(state);
    return true;
}

}  // namespace

std::string DocumentCaption(const std::string& appLabel, const std::string& pathBuffer, Status length) {
    return appLabel + " [" + BufferPrefix(pathBuffer, length) + "]";
}

std::string ZonesPathOf(const std::string& pathBuffer, Status length) {
    const std::string document = AsDocumentPath(BufferPrefix(pathBuffer, length));
    return document.substr(0, document.size() - kExtensionLength) + ".PRF";
}

bool ResetDocument(ProfileState& state, Suite& suite, MainView& view) {
    const bool loaded = ResetAndLoad(state, suite, view);
    view.setBusy(false);
    return loaded;
}

bool OpenDocument(ProfileState& state, Suite& suite, MainView& view) {
    view.setBusy(true);
    const bool loaded = OpenAndLoad(state, suite, view);
    view.setBusy(false);
    return loaded;
}

void NewCommand(ProfileState& state, Suite& suite, MainView& view) {
    if (!SaveChangesFirst(state, suite, view)) return;
    if (!ResetDocument(state, suite, view)) view.showMessage("Fatal Error 001");
    ShowUnsavedState(state, suite, view);
}

void OpenCommand(ProfileState& state, Suite& suite, MainView& view) {
    if (!SaveChangesFirst(state, suite, view)) return;
    if (!OpenDocument(state, suite, view)) state.LibStatus = ResetDocument(state, suite, view) ? kTrue : kFalse;
    ShowUnsavedState(state, suite, view);
}

bool SaveCommand(ProfileState& state, Suite& suite, MainView& view) {
    return Save(state, suite, view, &AnalysisDatabase::KestDbSave);
}

bool SaveAsCommand(ProfileState& state, Suite& suite, MainView& view) {
    return Save(state, suite, view, &AnalysisDatabase::KestDbSaveAs);
}

bool RecoverDocument(ProfileState& state, Suite& suite, MainView& view, const LeftoverDocument& leftover) {
    view.setBusy(true);
    std::string path;
    const Status length = StoredDocCall(
        state, [&](std::string& key) { return suite.db.KestDbRecover(key, leftover.workingFile, path, kPathLength); });
    bool loaded = length > 0;
    if (loaded) {
        state.DocPath.assign(path);
        ShowDocumentPath(state, view, length);
        loaded = LoadDocumentView(state, suite, view);
    }
    if (loaded) {
        if (!leftover.zonesText.empty()) LoadZonesText(state, view, leftover.zonesText);
        RefreshLists(state, suite, view);
        MarkSaved(state);  // the zones come back as they were; the points are the unsaved work
        state.Recovered = true;
        ShowUnsavedState(state, suite, view);
    }
    view.setBusy(false);
    return loaded;
}

bool HasUnsavedChanges(ProfileState& state, Suite& suite) {
    if (state.SavedZonesText.empty()) return false;  // no document has been loaded yet
    return WithDocKey(state, [&](std::string& key) { return suite.db.KestDbIsModified(key); }) != 0 ||
           ZonesFileText(state) != state.SavedZonesText;
}

namespace {

bool AskToSave(ProfileState& state, Suite& suite, MainView& view) {
    const std::string name = std::filesystem::path(state.DocPath.untilNul()).filename().string();
    switch (view.askSaveChanges("Save changes to " + name + "?")) {
        case MainView::SaveChoice::Save: return SaveCommand(state, suite, view);
        case MainView::SaveChoice::Discard: return true;
        case MainView::SaveChoice::Cancel: break;
    }
    return false;
}

}  // namespace

bool SaveChangesFirst(ProfileState& state, Suite& suite, MainView& view) {
    return !HasUnsavedChanges(state, suite) || AskToSave(state, suite, view);
}

bool SavePointsFirst(ProfileState& state, Suite& suite, MainView& view) {
    const bool pointsAtStake =
        state.NbPts > 0 && WithDocKey(state, [&](std::string& key) { return suite.db.KestDbIsModified(key); }) != 0;
    return !pointsAtStake || AskToSave(state, suite, view);
}

void TakeZonesAsSaved(ProfileState& state) { state.SavedZonesText = ZonesFileText(state); }

void ShowUnsavedState(ProfileState& state, Suite& suite, MainView& view) {
    if (state.SavedZonesText.empty()) return;  // no document has been loaded yet
    const std::string path = state.DocPath.untilNul();
    std::string caption = DocumentCaption(state.AppLabel, path, static_cast<Status>(path.size()));
    if (HasUnsavedChanges(state, suite)) caption += "*";
    if (state.Recovered) caption += " (recovered)";
    if (view.currentCaption() != caption) view.setCaption(caption);
    if (const std::string zones = ZonesFileText(state); zones != state.KeptZonesText) {
        WithDocKey(state, [&](std::string& key) { return suite.db.KestDbKeepZones(key, zones); });
        state.KeptZonesText = zones;
    }
}

}  // namespace kest
