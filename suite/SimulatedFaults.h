#pragma once
// Faults of the simulated microprobe, for rehearsing an instrument that fails: read from
// the suite file (instrument.faults) or set by a test at any time.

#include <array>
#include <map>
#include <string_view>

namespace kest {

// The calls of the instrument library, to name them in faults and call counts.
enum class ProbeCall {
    ReadCurrent, SetFaraday, ReadXtal, ReadPha, LoadCounter, StartTimer, ReadSpectroStatus,
    ReadTimer, ReadCounter, ReadStagePos, BacklashStage, LoadStageAbs, StartStage, ReadStageStatus,
};
inline constexpr int kProbeCallCount = 14;
// The library's names of the calls, in the order above.
inline constexpr std::array<std::string_view, kProbeCallCount> kProbeCallNames{
    "KestReadCurrent", "KestSetFaraday", "KestReadXtal", "KestReadPha", "KestLoadCounter",
    "KestStartTimer", "KestReadSpectroStatus", "KestReadTimer", "KestReadCounter", "KestReadStagePos",
    "KestBacklashStage", "KestLoadStageAbs", "KestStartStage", "KestReadStageStatus",
};

struct SimulatedFaults {
    // A call named here returns 0 without effect once it has succeeded as many more times
    // as its value says (0: fails from now on). Remove the entry to heal it.
    std::map<ProbeCall, int> failAfter;
    // 1..3: that axis makes its first `stuckAfterMoves` moves, then stands still and reports
    // busy from its next move on; 0: none.
    int stuckAxis = 0;
    int stuckAfterMoves = 0;

    void fail(ProbeCall call, int succeedingCalls = 0) { failAfter[call] = succeedingCalls; }
};

}  // namespace kest
