#include "acquisition/TrialStack.h"

#include "core/DocKey.h"

#include <cstddef>

namespace kest {

void PushTrial(ProfileState& state, AnalysisDatabase& db) {
    const int32_t last = state.NbPts - 1;
    if (last < 0 || static_cast<std::size_t>(last) >= state.PointTable.size()) return;
    TrialEntry entry{state.PointTable[static_cast<std::size_t>(last)], {}, {}};
    for (int e = 0; e < state.NbElt && static_cast<std::size_t>(e) < state.ResultTable.size(); ++e) {
        entry.results.push_back(state.ResultTable[static_cast<std::size_t>(e)][static_cast<std::size_t>(last)]);
        const int32_t z = state.ElementTable[static_cast<std::size_t>(e)].atomicNumber;
        StoredDocCall(state, [&](std::string& key) {
            return db.KestDbEltGetStatistics(key, z, kByAtomicNumber, last, entry.statistics.emplace_back());
        });
    }
    state.TrialStack.push_back(std::move(entry));
    // The document keeps the point on its own trial stack, so that a crash loses none.
    StoredDocCall(state, [&](std::string& key) { return db.KestDbParkPt(key, last); });
    --state.NbPts;
}

void PopTrial(ProfileState& state, AnalysisDatabase& db) {
    if (state.TrialStack.empty()) return;
    const TrialEntry& entry = state.TrialStack.back();
    const PointRecord& point = entry.point;
    // Brought back whole by the document in one change, then given the values below.
    if (StoredDocCall(state, [&](std::string& key) { return db.KestDbUnparkPt(key); }) == 0)
        StoredDocCall(state, [&](std::string& key) { return db.KestDbAddPt(key, point.x, point.y, point.z); });
    const int32_t index = state.NbPts++;
    const std::string label = point.label.str();
    StoredDocCall(state, [&](std::string& key) { return db.KestDbSetAnaLabel(key, index, label, 0); });
    for (std::size_t e = 0; e < entry.results.size(); ++e) {
        const int32_t z = state.ElementTable[e].atomicNumber;
        ComputeResult block;
        const ResultRecord& kept = entry.results[e];
        block.field[0] = kept.conc / 100.0f;
        block.field[1] = kept.kRatio;  // and the matrix correction's factors, as the list shows them
        block.field[6] = kept.zFactor;
        block.field[7] = kept.aFactor;
        block.field[8] = kept.fFactor;
        block.field[10] = (kept.flags & kFlagMatrix) != 0 ? 1.0f : 0.0f;
        StoredDocCall(state, [&](std::string& key) { return db.KestDbEltSetComputeRes(key, z, kByAtomicNumber, index, block); });
        const float rate = entry.results[e].rate;
        StoredDocCall(state, [&](std::string& key) {
            return db.KestDbEltSetMeasures(key, z, kByAtomicNumber, index, rate, 0, 0, 0, 0);
        });
        if (e < entry.statistics.size())
            StoredDocCall(state, [&](std::string& key) { return db.KestDbEltSetStatistics(key, z, kByAtomicNumber, index, entry.statistics[e]); });
    }
    StoredDocCall(state, [&](std::string& key) { return db.KestDbSetPointStatus(key, index, point.status); });
    state.TrialStack.pop_back();
}

void ResetTrials(ProfileState& state, AnalysisDatabase& db) {
    state.TrialStack.clear();
    StoredDocCall(state, [&](std::string& key) { return db.KestDbClearParked(key); });
}

}  // namespace kest
