#include "document/DocumentCommands.h"

#include "core/DocKey.h"
#include "document/DocumentView.h"
#include "document/ZonesFile.h"
#include "geometry/ZoneTable.h"

#include <algorithm>

namespace kest {
namespace {

constexpr std::size_t kExtensionLength = 4;  // ".ana"

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
        saved = WriteZonesFile(state);
        if (!saved) view.showMessage("The zones file " + state.ZonesPath + " cannot be written.");
    }
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
    return true;
}

bool OpenAndLoad(ProfileState& state, Suite& suite, MainView& view) {
    const Status length = CallWithDocPath(state, suite, &AnalysisDatabase::KestDbOpen);
    if (length <= 0) return false;
    ShowDocumentPath(state, view, length);
    if (!LoadDocumentView(state, suite, view)) return false;
    ReadZonesFile(state, view, state.ZonesPath);
    RefreshLists(state, suite, view);
    return true;
}

}  // namespace

std::string DocumentCaption(const std::string& appLabel, const std::string& pathBuffer, Status length) {
    return appLabel + " [" + BufferPrefix(pathBuffer, length) + "]";
}

std::string ZonesPathOf(const std::string& pathBuffer, Status length) {
    const std::string path = BufferPrefix(pathBuffer, length);
    return path.substr(0, path.size() - std::min(path.size(), kExtensionLength)) + ".PRF";
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
    if (!ResetDocument(state, suite, view)) view.showMessage("Fatal Error 001");
}

void OpenCommand(ProfileState& state, Suite& suite, MainView& view) {
    if (!OpenDocument(state, suite, view)) state.LibStatus = ResetDocument(state, suite, view) ? kTrue : kFalse;
}

bool SaveCommand(ProfileState& state, Suite& suite, MainView& view) {
    return Save(state, suite, view, &AnalysisDatabase::KestDbSave);
}

bool SaveAsCommand(ProfileState& state, Suite& suite, MainView& view) {
    return Save(state, suite, view, &AnalysisDatabase::KestDbSaveAs);
}

}  // namespace kest
