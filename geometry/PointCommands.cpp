#include "geometry/PointCommands.h"

#include "core/DocKey.h"
#include "core/Formats.h"
#include "graph/ProfileGraph.h"
#include "results/ResultLists.h"

#include <string>
#include <vector>

namespace kest {
namespace {

// The answers of a confirmation as the library status keeps them.
constexpr Status kAnswerOk = 1;
constexpr Status kAnswerCancel = 2;

bool Confirmed(ProfileState& state, MainView& view, const std::string& question) {
    const bool ok = view.confirm(question, state.AppLabel);
    state.store(ok ? kAnswerOk : kAnswerCancel);
    return ok;
}

void DeletePoint(ProfileState& state, Suite& suite, int32_t point) {
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbDeletePt(key, point); });
}

}  // namespace

void AddPoint(ProfileState& state, Suite& suite, MainView& view) {
    view.setBusy(true);
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbAddPt(key, 0, 0, 0); });
    ReloadPoints(state, suite.db, view);
    view.setBusy(false);
}

void DeletePoints(ProfileState& state, Suite& suite, MainView& view) {
    std::vector<int> rows;
    for (const int row : view.selectedPointRows())
        if (row >= 0 && row < state.NbPts) rows.push_back(row);

    if (rows.empty()) return;
    if (rows.size() == 1) {
        if (!Confirmed(state, view, "Remove Point # " + NumberText(int32_t{state.CurPnt} + 1))) return;
        view.setBusy(true);
        DeletePoint(state, suite, state.CurPnt);
    } else {
        if (!Confirmed(state, view, "Remove All (" + std::to_string(rows.size()) + ") Selected Points")) return;
        view.setBusy(true);
        for (auto row = rows.rbegin(); row != rows.rend(); ++row) DeletePoint(state, suite, *row);
    }
    ReloadPoints(state, suite.db, view);
    view.setBusy(false);
}

void PointRowClicked(ProfileState& state, AnalysisDatabase& db, MainView& view, int row) {
    state.CurPnt = static_cast<int16_t>(row);
    if (state.GraphSelectedOnly == 1) RebuildProfileGraph(state, db, view);
}

}  // namespace kest
