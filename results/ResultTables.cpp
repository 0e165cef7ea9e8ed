#include "results/ResultTables.h"

#include "core/DocKey.h"

#include <algorithm>
#include <cstddef>

namespace kest {

void LoadPoints(ProfileState& state, AnalysisDatabase& db) {
    state.NbPts = static_cast<int16_t>(WithDocKey(state, [&](std::string& key) { return db.KestDbGetNbPts(key); }));
    if (state.NbPts <= 0) {  // the tables keep their old contents; nothing reads them now
        state.CurPnt = -1;
        return;
    }
    state.CurPnt = 0;
    const auto points = static_cast<std::size_t>(state.NbPts) + 1;
    state.PointTable.assign(points, PointRecord{});
    state.ResultTable.assign(static_cast<std::size_t>(state.NbElt) + 1, std::vector<ResultRecord>(points));

    std::string label;  // one buffer for every label: the table is reloaded after every point of a scan
    label.reserve(kLabelLength);
    DocKeyRun(state, [&](std::string& key) {
        for (int32_t p = 0; p < state.NbPts; ++p) {
            PointRecord& record = state.PointTable[static_cast<std::size_t>(p)];
            state.store(db.KestDbGetStagePos(key, p, record.x, record.y, record.z));
            label.assign(record.label.view());
            state.store(db.KestDbGetAnaLabel(key, p, label, kLabelLength));
            record.label.assign(label, '\0');
        }
    });
}

void LoadResults(ProfileState& state, AnalysisDatabase& db) {
    // A failing read leaves what the previous read put in these.
    float m1 = 0, m2 = 0, m3 = 0, m4 = 0, m5 = 0;
    ComputeResult result;
    // The table was sized by the last LoadPoints; it bounds the loops should the element
    // set-up have changed since.
    const int elements = ElementsInResultTable(state);
    DocKeyRun(state, [&](std::string& key) {
        for (int e = 0; e < elements; ++e) {
            const int32_t position = state.ElementTable[static_cast<std::size_t>(e)].position;
            auto& row = state.ResultTable[static_cast<std::size_t>(e)];
            const int32_t points = std::min<int32_t>(state.NbPts, static_cast<int32_t>(row.size()));
            for (int32_t p = 0; p < points; ++p) {
                state.store(db.KestDbEltGetMeasures(key, position, kByPosition, p, m1, m2, m3, m4, m5));
                row[static_cast<std::size_t>(p)].rate = m1;
                state.store(db.KestDbEltGetComputeRes(key, position, kByPosition, p, result));
                row[static_cast<std::size_t>(p)].conc = result.field[0] * 100.0f;
            }
        }
    });
}

}  // namespace kest
