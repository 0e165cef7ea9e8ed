#include "results/ResultTables.h"

#include "core/DocKey.h"
#include "core/Formats.h"

#include <algorithm>
#include <cstddef>

namespace kest {

namespace {

// Point p's position and label from the document; `label` is one buffer for every label.
void ReadPointRow(ProfileState& state, AnalysisDatabase& db, std::string& key, std::string& label, int32_t p) {
    PointRecord& record = state.PointTable[static_cast<std::size_t>(p)];
    state.store(db.KestDbGetStagePos(key, p, record.x, record.y, record.z));
    label.assign(record.label.view());
    state.store(db.KestDbGetAnaLabel(key, p, label, kLabelLength));
    record.label.assign(label, '\0');
    record.status = PointStatus::None;
    state.store(db.KestDbGetPointStatus(key, p, record.status));
}

// The count rate, concentration, standard deviation and detection limit of every element
// in use at points [first, end). A failing read leaves what the previous read put in these.
void ReadResultRows(ProfileState& state, AnalysisDatabase& db, int32_t first, int32_t end) {
    float m1 = 0, m2 = 0, m3 = 0, m4 = 0, m5 = 0;
    ComputeResult result;
    CountStatistics statistics;
    // The table was sized by the last load; it bounds the loops should the element set-up
    // have changed since.
    const int elements = ElementsInResultTable(state);
    DocKeyRun(state, [&](std::string& key) {
        for (int e = 0; e < elements; ++e) {
            const int32_t position = state.ElementTable[static_cast<std::size_t>(e)].position;
            auto& row = state.ResultTable[static_cast<std::size_t>(e)];
            const int32_t points = std::min<int32_t>({state.NbPts, end, static_cast<int32_t>(row.size())});
            for (int32_t p = first; p < points; ++p) {
                state.store(db.KestDbEltGetMeasures(key, position, kByPosition, p, m1, m2, m3, m4, m5));
                row[static_cast<std::size_t>(p)].rate = m1;
                state.store(db.KestDbEltGetComputeRes(key, position, kByPosition, p, result));
                ResultRecord& record = row[static_cast<std::size_t>(p)];
                record.conc = result.field[0] * 100.0f;
                record.kRatio = result.field[1];
                record.zFactor = result.field[6];
                record.aFactor = result.field[7];
                record.fFactor = result.field[8];
                state.store(db.KestDbEltGetStatistics(key, position, kByPosition, p, statistics));
                row[static_cast<std::size_t>(p)].sigma = statistics.sigma;
                row[static_cast<std::size_t>(p)].lod = statistics.lod;
                // The counts' flags, and the computation's when its composition did not converge.
                row[static_cast<std::size_t>(p)].flags = statistics.flags | (result.field[10] != 0.0f ? kFlagMatrix : 0);
            }
        }
    });
}

// NbPts from the document; CurPnt becomes 0, or -1 without points (the tables then keep
// their old contents: nothing reads them).
bool CountPoints(ProfileState& state, AnalysisDatabase& db) {
    state.NbPts = static_cast<int16_t>(WithDocKey(state, [&](std::string& key) { return db.KestDbGetNbPts(key); }));
    state.CurPnt = state.NbPts > 0 ? 0 : -1;
    return state.NbPts > 0;
}

}  // namespace

void LoadPoints(ProfileState& state, AnalysisDatabase& db) {
    if (!CountPoints(state, db)) return;
    const auto points = static_cast<std::size_t>(state.NbPts) + 1;
    state.PointTable.assign(points, PointRecord{});
    state.ResultTable.assign(static_cast<std::size_t>(state.NbElt) + 1, std::vector<ResultRecord>(points));
    std::string label;
    label.reserve(kLabelLength);
    DocKeyRun(state, [&](std::string& key) {
        for (int32_t p = 0; p < state.NbPts; ++p) ReadPointRow(state, db, key, label, p);
    });
}

void LoadResults(ProfileState& state, AnalysisDatabase& db) { ReadResultRows(state, db, 0, state.NbPts); }

// The rows before `first` and from `end` on are kept; the tables are resized to the
// document's points with the spare record zeroed, as a whole load leaves them.
void LoadPointRows(ProfileState& state, AnalysisDatabase& db, int first, int end) {
    if (!CountPoints(state, db)) return;
    const auto points = static_cast<std::size_t>(state.NbPts) + 1;
    state.PointTable.resize(points);
    state.PointTable.back() = PointRecord{};
    state.ResultTable.resize(static_cast<std::size_t>(state.NbElt) + 1);
    for (std::vector<ResultRecord>& row : state.ResultTable) {
        row.resize(points);
        row.back() = ResultRecord{};
    }
    first = std::max(first, 0);
    end = std::min<int>(end, state.NbPts);
    std::string label;
    label.reserve(kLabelLength);
    DocKeyRun(state, [&](std::string& key) {
        for (int32_t p = first; p < end; ++p) ReadPointRow(state, db, key, label, p);
    });
    ReadResultRows(state, db, first, end);
}

const char* PointStatusName(PointStatus status) {
    switch (status) {
        case PointStatus::Measured: return "measured";
        case PointStatus::Stopped: return "stopped";
        case PointStatus::Failed: return "failed";
        case PointStatus::None: break;
    }
    return "";
}

float PointTotal(const ProfileState& state, int p) {
    float total = 0.0f;
    for (int e = 0; e < ElementsInResultTable(state); ++e) total += ResultAt(state, e, p).conc;
    return total;
}

bool HasOwnNumbers(const PointRecord& point) {
    return point.status != PointStatus::Stopped && point.status != PointStatus::Failed;
}

std::string PointFlagsText(const ProfileState& state, int p) {
    std::string text;
    for (int e = 0; e < ElementsInResultTable(state); ++e) {
        const int32_t flags = ResultAt(state, e, p).flags;
        if (flags == 0) continue;
        const std::string symbol = WithoutTrailingBlanks(state.ElementTable[static_cast<std::size_t>(e)].symbol.str());
        text += (text.empty() ? "" : " ") + symbol + ":" + QualityFlagText(flags, "+");
    }
    return text;
}

int FlaggedPoints(const ProfileState& state) {
    int flagged = 0;
    const int points = std::min<int>(state.NbPts, static_cast<int>(state.PointTable.size()));
    for (int p = 0; p < points; ++p) {
        bool any = false;
        for (int e = 0; e < ElementsInResultTable(state); ++e) any = any || ResultAt(state, e, p).flags != 0;
        flagged += any ? 1 : 0;
    }
    return flagged;
}

}  // namespace kest
