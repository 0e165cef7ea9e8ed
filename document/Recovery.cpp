#include "document/Recovery.h"

#include "core/Formats.h"
#include "document/DocumentCommands.h"

#include <filesystem>

namespace kest {

std::string LeftoverLine(const LeftoverDocument& leftover) {
    const std::string name = leftover.documentPath.empty()
                                 ? std::string("a new document")
                                 : std::filesystem::path(leftover.documentPath).filename().string();
    const std::string contents = leftover.problem.empty() ? CountOf(leftover.points, "point")
                                                          : "cannot be read: " + leftover.problem;
    const std::string where = leftover.documentPath.empty() ? std::string() : leftover.documentPath + "; ";
    return name + ": " + contents + ", last change " + leftover.lastChange + " (" + where + "working file " +
           leftover.workingFile + ")";
}

void OfferRecovery(ProfileState& state, Suite& suite, MainView& view) {
    for (auto leftovers = suite.db.KestDbLeftovers(); !leftovers.empty(); leftovers = suite.db.KestDbLeftovers()) {
        std::vector<std::string> lines;
        for (const LeftoverDocument& leftover : leftovers) lines.push_back(LeftoverLine(leftover));
        using Action = MainView::RecoveryChoice::Action;
        const MainView::RecoveryChoice choice = view.askRecovery(lines);
        if (choice.action == Action::Later || choice.row < 0 || choice.row >= static_cast<int>(leftovers.size())) return;
        const LeftoverDocument& chosen = leftovers[static_cast<std::size_t>(choice.row)];
        if (choice.action == Action::Recover) {
            // Once in the working document the points are kept by its working file.
            if (RecoverDocument(state, suite, view, chosen)) suite.db.KestDbDeleteLeftover(chosen.workingFile);
            return;
        }
        const std::string question = "Delete " + lines[static_cast<std::size_t>(choice.row)] +
                                     "? Its points can never be recovered afterwards.";
        if (!view.confirm(question, state.AppLabel)) continue;
        if (suite.db.KestDbDeleteLeftover(chosen.workingFile) == 0) return;  // taken since: ask no more
    }
}

}  // namespace kest
