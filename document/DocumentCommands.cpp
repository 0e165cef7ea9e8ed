#include "document/DocumentCommands.h"

#include "shell/DocKey.h"

#include <algorithm>

namespace kest {

std::string DocumentCaption(const std::string& appLabel, const std::string& pathBuffer, Status length) {
    const auto shown = std::min(static_cast<std::size_t>(std::max(length, Status{0})), pathBuffer.size());
    return appLabel + " [" + pathBuffer.substr(0, shown) + "]";
}

bool ResetDocument(ProfileState& state, Suite& suite, MainView& view) {
    std::string path;
    const Status length = state.store(WithDocKey(state, [&](std::string& key) {
        return suite.db.KestDbReset(key, path, kPathLength);
    }));
    if (length <= 0) {
        view.setBusy(false);
        return false;
    }
    view.setCaption(DocumentCaption(state.AppLabel, path, length));
    state.DocPath.assign(path);

    // The document view (settings, zones, elements, points) and the lists are loaded here
    // once those parts of the program exist; until then the document is only emptied.

    view.setZoneCommandsEnabled(false);
    view.setBusy(false);
    return true;
}

void NewCommand(ProfileState& state, Suite& suite, MainView& view) {
    if (!ResetDocument(state, suite, view)) view.showMessage("Fatal Error 001");
}

}  // namespace kest
