#include "acquisition/ZoneScan.h"

#include "acquisition/AdaptiveRefinement.h"
#include "acquisition/ScanPlan.h"
#include "acquisition/StageMotion.h"
#include "acquisition/TrialStack.h"
#include "acquisition/ZoneChecks.h"
#include "core/DocKey.h"
#include "geometry/ZoneTable.h"
#include "results/ResultLists.h"
#include "results/ResultTables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kest {
namespace {

int32_t Clamped32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

const ZoneRecord& ZoneAt(const ProfileState& state, int zone) { return state.Zones[static_cast<std::size_t>(zone)]; }

int32_t LastCoordinate(ProfileState& state, AnalysisDatabase& db) { return PointCoordinate(state, db, state.NbPts - 1); }

int32_t TopTrialCoordinate(const ProfileState& state) {
    const PointRecord& top = state.TrialStack.back().point;
    return AxisCoordinate(state.Ax, top.x, top.y);
}

// The waiting trials go back behind the last point (they lie further along the line), so
// that no measured point is lost, and the scan ends with a message.
void EndScan(ProfileState& state, Suite& suite, MainView& view, const std::string& message) {
    const int first = state.NbPts;
    while (!state.TrialStack.empty()) PopTrial(state, suite.db);
    RefreshViews(state, suite.db, view, first, state.NbPts);
    state.ScanStop = kTrue;
    state.ScanFailed = kTrue;
    view.showMessage(message);
}

// The most points a correct walk of a zone measures from `from` to its limit: its steps are
// never shorter than half its shortest step (a halved step was longer than step min), so
// twice the distance over that step, and a few more.
int64_t MostPoints(const ZoneRecord& z, int64_t from, int64_t limit) {
    int64_t step = std::llabs(int64_t{z.stepMin});
    if (z.type != 'F') step = std::min<int64_t>(step, std::llabs(int64_t{z.stepMax}));
    return 2 * std::llabs(limit - from) / std::max<int64_t>(1, step) + 4;
}

// A second guard besides the zone checks: a zone that has measured more points than it can
// need ends the scan, keeping every point.
bool RanAway(ProfileState& state, Suite& suite, MainView& view, int zone, int64_t measured, int64_t most) {
    if (measured < most) return false;
    EndScan(state, suite, view, ZoneName(zone, ZoneAt(state, zone)) + " has measured " + std::to_string(measured) +
                                    " points, more than its length can need: the scan ends here, with every measured point kept.");
    return true;
}

// After a stop: a point whose position the stage refused was never measured, and leaves;
// the points waiting on the trial stack are dropped from the document.
bool Stopped(ProfileState& state, Suite& suite, MainView& view) {
    if (state.ScanStop != kTrue) return false;
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbClearParked(key); });
    if (state.PointUnreached == kTrue) {
        StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbDeletePt(key, state.NbPts - 1); });
        --state.NbPts;
        RefreshViews(state, suite.db, view, state.NbPts, state.NbPts);
    }
    return true;
}

// An adaptive zone's points from `first` on, as samples along its scan direction from `origin`.
std::vector<ProfileSample> ZoneSamples(ProfileState& state, AnalysisDatabase& db, int first, int64_t origin, int direction) {
    std::vector<ProfileSample> samples;
    for (int p = first; p < state.NbPts; ++p) {
        ProfileSample& sample = samples.emplace_back();
        sample.position = direction * (int64_t{PointCoordinate(state, db, p)} - origin);
        for (int e = 0; e < ElementsInResultTable(state); ++e) {
            const ResultRecord result = ResultAt(state, e, p);
            sample.conc.push_back(result.conc);
            sample.sigma.push_back(result.sigma);
        }
    }
    return samples;
}

// The point just added goes to its place among the zone's points (from `first` on) before
// it is measured, so that the document reads as a profile in scan order whenever it ends.
int PlaceLastPoint(ProfileState& state, Suite& suite, MainView& view, int first, int64_t origin, int direction) {
    const int last = state.NbPts - 1;
    const auto position = [&](int p) { return direction * (int64_t{PointCoordinate(state, suite.db, p)} - origin); };
    const int64_t at = position(last);
    int to = last;
    while (to > first && position(to - 1) > at) --to;
    if (to == last) return last;
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbMovePt(key, last, to); });
    RefreshViews(state, suite.db, view, to, state.NbPts);
    return to;
}

// Splits the intervals of largest loss, a batch at a time, until every interval is within
// the tolerance or at step min, or the budget of points is spent.
void RefineAdaptiveZone(ProfileState& state, Suite& suite, MainView& view, int zone, int first, int64_t origin,
                        int direction) {
    constexpr int64_t kBatch = 8;
    const ZoneRecord& z = ZoneAt(state, zone);
    const RefinementRule rule{std::llabs(int64_t{z.stepMin}), z.dConc, state.NoiseSigmas};
    int64_t stageAt = direction * (int64_t{LastCoordinate(state, suite.db)} - origin);
    for (int64_t budget = state.AdaptivePointBudget; budget > 0;) {
        const std::vector<int64_t> batch = NextMidpoints(ZoneSamples(state, suite.db, first, origin, direction), rule,
                                                         static_cast<std::size_t>(std::min(budget, kBatch)), stageAt);
        if (batch.empty()) return;
        for (const int64_t at : batch) {
            if (!AddPointAt(state, suite, view, origin + direction * at, zone)) return;
            const int point = PlaceLastPoint(state, suite, view, first, origin, direction);
            MeasurePoint(state, suite, view, point);
            if (state.ScanStop == kTrue) {
                if (state.PointUnreached == kTrue) {  // never measured: it leaves
                    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbDeletePt(key, point); });
                    --state.NbPts;
                    RefreshViews(state, suite.db, view, point, state.NbPts);
                }
                return;
            }
            stageAt = at;
            --budget;
        }
    }
}

}  // namespace

int32_t AxisCoordinate(int16_t axis, int32_t x, int32_t y) {
    if (axis == 1) return x;
    if (axis == 2) return y;
    return 0;
}

int32_t PointCoordinate(ProfileState& state, AnalysisDatabase& db, int32_t point) {
    int32_t x = 0, y = 0, third = 0;
    StoredDocCall(state, [&](std::string& key) { return db.KestDbGetStagePos(key, point, x, y, third); });
    return AxisCoordinate(state.Ax, x, y);
}

int32_t Midpoint(int32_t t, int32_t c) {
    const double sum = static_cast<double>(int64_t{t} + c);
    return Clamped32(static_cast<int64_t>(std::nearbyint(sum / 2.0)));  // the default rounding ties to even
}

std::string ZoneLabel(int zone) {
    char text[16];
    std::snprintf(text, sizeof text, "Z%02d", zone + 1);
    return text;
}

bool AddPointAt(ProfileState& state, Suite& suite, MainView& view, int64_t c, int zone) {
    if (state.NbPts + static_cast<int64_t>(state.TrialStack.size()) >= kDocumentPointCapacity) {
        EndScan(state, suite, view, "The document holds " + std::to_string(kDocumentPointCapacity) +
                                        " points, as many as it can: the scan ends here, with every measured point kept.");
        return false;
    }
    std::string failure;
    const auto stage = ReadStageAxes(state, suite.probe, failure);
    if (!stage) {
        EndScan(state, suite, view, "Acquire Error ! Point " + std::to_string(state.NbPts + 1) + ": " + failure +
                                        " The scan stops here.");
        return false;
    }
    auto [x, y, third] = *stage;
    const int64_t end = int64_t{PointCoordinate(state, suite.db, 0)} + ZoneAt(state, zone).endDistance;
    if (state.Ax == 1) x = Clamped32(std::min(c, end));
    if (state.Ax == 2) y = Clamped32(std::min(c, end));
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbAddPt(key, x, y, third); });
    const int32_t index = state.NbPts;
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbSetAnaLabel(key, index, ZoneLabel(zone), 0); });
    ++state.NbPts;
    return true;
}

void MeasureLast(ProfileState& state, Suite& suite, MainView& view, bool showProgress) {
    MeasurePoint(state, suite, view, state.NbPts - 1, showProgress);
}

void MeasurePoint(ProfileState& state, Suite& suite, MainView& view, int point, bool showProgress) {
    LoadPointRows(state, suite.db, point, point + 1);  // what the acquisition window loads
    state.AutoAcquire = kTrue;
    state.CurPnt = static_cast<int16_t>(point);
    view.acquirePoint();
    RefreshViews(state, suite.db, view, point, point + 1);
    CountScanPoint(state, point);
    if (showProgress || state.ScanStop == kTrue) {
        ShowScanProgress(state, view);
        HoldIfPaused(state, view);
    }
}

void RefreshViews(ProfileState& state, AnalysisDatabase& db, MainView& view, int first, int end) {
    ReloadPointRows(state, db, view, first, end);
}

bool StepAcceptable(ProfileState& state, AnalysisDatabase& db, int zone) {
    const int32_t a = state.NbPts - 2, b = state.NbPts - 1;
    if (a < 0) return true;
    const ZoneRecord& z = ZoneAt(state, zone);
    const int64_t step = int64_t{PointCoordinate(state, db, b)} - PointCoordinate(state, db, a);
    if (std::llabs(step) <= std::llabs(int64_t{z.stepMin})) return true;  // it cannot be made finer
    for (int e = 0; e < ElementsInResultTable(state); ++e) {
        const ResultRecord ra = ResultAt(state, e, a), rb = ResultAt(state, e, b);
        if (std::fabs(ra.conc - rb.conc) > ChangeThreshold(z.dConc, state.NoiseSigmas, ra.sigma, rb.sigma)) return false;
    }
    return true;
}

bool TrialAcceptable(ProfileState& state, AnalysisDatabase& db, int zone) {
    const ZoneRecord& z = ZoneAt(state, zone);
    const TrialEntry& trial = state.TrialStack.back();
    const int32_t b = state.NbPts - 1;
    const int64_t distance = int64_t{PointCoordinate(state, db, b)} - TopTrialCoordinate(state);
    if (std::llabs(distance) <= std::llabs(int64_t{z.stepMin})) return true;  // as the step: by magnitude
    const int elements = std::min<int>(ElementsInResultTable(state), static_cast<int>(trial.results.size()));
    for (int e = 0; e < elements; ++e) {
        const ResultRecord rb = ResultAt(state, e, b), rt = trial.results[static_cast<std::size_t>(e)];
        if (std::fabs(rb.conc - rt.conc) > ChangeThreshold(z.dConc, state.NoiseSigmas, rb.sigma, rt.sigma)) return false;
    }
    return true;
}

void ScanFixedZone(ProfileState& state, Suite& suite, MainView& view, int zone) {
    const ZoneRecord& z = ZoneAt(state, zone);
    state.Progress.zone = zone;
    const int64_t c0 = PointCoordinate(state, suite.db, 0);
    const int64_t limit = z.stepMin > 0 ? c0 + z.endDistance : c0;
    const int64_t most = MostPoints(z, LastCoordinate(state, suite.db), limit);
    for (int64_t measured = 1; LastCoordinate(state, suite.db) < limit; ++measured) {
        if (!AddPointAt(state, suite, view, int64_t{LastCoordinate(state, suite.db)} + z.stepMin, zone)) return;
        MeasureLast(state, suite, view);
        if (Stopped(state, suite, view) || RanAway(state, suite, view, zone, measured, most)) return;
    }
}

void ScanVariableZone(ProfileState& state, Suite& suite, MainView& view, int zone) {
    const ZoneRecord& z = ZoneAt(state, zone);
    state.Progress.zone = zone;
    ResetTrials(state, suite.db);
    const int64_t from = LastCoordinate(state, suite.db);
    if (!AddPointAt(state, suite, view, from + z.stepMax, zone)) return;
    const int64_t c0 = PointCoordinate(state, suite.db, 0);
    const bool ascending = z.stepMin > 0;
    const int64_t limit = ascending ? c0 + z.endDistance : c0 - z.endDistance;
    const int64_t most = MostPoints(z, from, limit);
    int64_t measured = 0;
    const auto shortOfLimit = [&] {
        const int32_t last = LastCoordinate(state, suite.db);
        return ascending ? last < limit : last > limit;
    };
    while (shortOfLimit()) {
        MeasureLast(state, suite, view, false);  // what is left is known once the next point is placed
        if (Stopped(state, suite, view)) return;
        if (RanAway(state, suite, view, zone, ++measured, most)) return;
        int64_t next = 0;
        if (!StepAcceptable(state, suite.db, zone)) {
            PushTrial(state, suite.db);  // the point beyond the change waits; the step is halved
            RefreshViews(state, suite.db, view, state.NbPts, state.NbPts);
            next = Midpoint(TopTrialCoordinate(state), LastCoordinate(state, suite.db));
        } else {
            while (!state.TrialStack.empty() && TrialAcceptable(state, suite.db, zone)) {
                PopTrial(state, suite.db);
                RefreshViews(state, suite.db, view, state.NbPts - 1, state.NbPts);
            }
            next = state.TrialStack.empty() ? int64_t{LastCoordinate(state, suite.db)} + z.stepMax
                                            : Midpoint(TopTrialCoordinate(state), LastCoordinate(state, suite.db));
        }
        ShowScanProgress(state, view, std::min<int64_t>(next, c0 + z.endDistance));  // as AddPointAt clips it
        HoldIfPaused(state, view);
        if (state.ScanStop == kTrue) return;  // stopped while paused: the next point is never placed
        if (!AddPointAt(state, suite, view, next, zone)) return;
    }
    // The point that reached the limit was added but never measured.
    StoredDocCall(state, [&](std::string& key) { return suite.db.KestDbDeletePt(key, state.NbPts - 1); });
    --state.NbPts;
    RefreshViews(state, suite.db, view, state.NbPts, state.NbPts);
}

}  // namespace kest

namespace kest {

void ScanAdaptiveZone(ProfileState& state, Suite& suite, MainView& view, int zone) {
    const ZoneRecord& z = ZoneAt(state, zone);
    state.Progress.zone = zone;
    ResetTrials(state, suite.db);
    const int first = state.NbPts - 1;  // the zone starts from the last point
    const int64_t origin = LastCoordinate(state, suite.db);
    const int direction = z.stepMin > 0 ? 1 : -1;
    const int64_t c0 = PointCoordinate(state, suite.db, 0);
    const int64_t room = direction > 0 ? c0 + z.endDistance - origin : origin - (c0 - z.endDistance);
    // The coarse pass: step max at a time while short of the limit, as a variable zone walks
    // a flat profile.
    const int64_t step = std::max<int64_t>(1, std::llabs(int64_t{z.stepMax}));
    for (int64_t at = step; at < room; at += step) {
        if (!AddPointAt(state, suite, view, origin + direction * at, zone)) return;
        MeasureLast(state, suite, view);
        if (Stopped(state, suite, view)) return;
    }
    RefineAdaptiveZone(state, suite, view, zone, first, origin, direction);
}

}  // namespace kest
