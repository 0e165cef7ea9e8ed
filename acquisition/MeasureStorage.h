#pragma once
// The end of every acquisition, also after a stop or an error: the point's measures from
// the spectrometer table, its concentrations, its stage position and its label go into
// the document. No status is tested; every one is kept in LibStatus.

#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <cstdint>
#include <string>

namespace kest {

// For every element in table order: measure 1 := the rate of the element's spectrometer,
// measure 5 := the set-up's beam current, measure 3 := its current factor x measure 5;
// measures 2 and 4 go back as read.
void StoreMeasures(ProfileState& state, AnalysisDatabase& db, int16_t point);

// Measures, computation, then the position from the texts of LabelX and LabelY (skipped
// when either is not a whole number; the third coordinate is kept) and the label.
void StorePoint(ProfileState& state, Suite& suite, int16_t point, const std::string& xText,
                const std::string& yText, const std::string& label);

}  // namespace kest
