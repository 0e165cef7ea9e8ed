#pragma once
// The program without a window: the suite, the shared state and the headless main window,
// started as the window program starts, on one working document that the library opens
// and saves at the path it is given. The working document is released at the end.

#include "app/CommandLine.h"
#include "app/HeadlessView.h"
#include "app/InstrumentChoice.h"
#include "core/DocKey.h"
#include "shell/Startup.h"
#include "suite/SuiteInstance.h"

#include <filesystem>
#include <ostream>
#include <string>

namespace kest {

class HeadlessSession {
public:
    HeadlessSession(SuiteConfig config, const ProgramFolders& folders, const Path& documentPath, std::ostream& err,
                    bool progress)
        : instance_(std::move(config), folders, ChooseMicroprobe), view_(state_, instance_.suite(), err, progress) {
        TakeInstrumentSettings(state_, instance_.config().instrument);
        setDocumentPath(documentPath);
        instance_.database().setPathChooser([this](PathRequest, const std::string&) { return std::optional(path_); });
        instance_.database().setMessageSink([this](const std::string& text) { view_.showMessage(text); });
        StartUp(state_, suite(), view_);
        keepTarget();
    }
    // Work not saved stays in its working file for a recovery: the working file goes only
    // after a save that succeeded.
    ~HeadlessSession() {
        StoredDocCall(state_, [this](std::string& key) {
            return disposable_ ? suite().db.KestDbObjectDelete(key) : suite().db.KestDbObjectAbandon(key);
        });
    }
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    Suite& suite() { return instance_.suite(); }
    ProfileState& state() { return state_; }
    // False when the working document could not be made (the library has said why).
    bool ready() { return !instance_.database().workingFile(state_.DocKey.str()).empty(); }
    HeadlessView& view() { return view_; }
    // Where the next Open or Save As goes.
    void setDocumentPath(const Path& path) {
        path_ = std::filesystem::absolute(path).string();
        keepTarget();
    }
    // A leftover of the working document, should the program be killed, carries the name
    // of the document it is to be saved as.
    void keepTarget() { instance_.database().keepTargetPath(state_.DocKey.str(), path_); }
    // The working document holds nothing to recover (a list, an export, a recompute of a
    // saved document): it goes when the session ends, and a kill leaves nothing either.
    void makeDisposable() {
        disposable_ = true;
        instance_.database().markDisposable(state_.DocKey.str());
    }

private:
    std::string path_;
    bool disposable_ = false;
    SuiteInstance instance_;
    ProfileState state_;
    HeadlessView view_;
};

}  // namespace kest
