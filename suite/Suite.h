#pragma once
// The instrument suite as the program sees it: one implementation of each library,
// chosen at start-up. Tests build their own with recording fakes.

#include "suite/AnalysisDatabase.h"
#include "suite/AnalysisProgram.h"
#include "suite/Computation.h"
#include "suite/Logging.h"
#include "suite/Microprobe.h"
#include "suite/Registry.h"

namespace kest {

struct Suite {
    AnalysisDatabase& db;
    Microprobe& probe;
    Computation& comp;
    Logging& log;
    Registry& reg;
    AnalysisProgram& ana;
};

}  // namespace kest
