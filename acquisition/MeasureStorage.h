#pragma once
// The end of every acquisition, also after a stop or an error: the point's measures and
// counting statistics from the spectrometer table, its concentrations, its stage position,
// its label and how its acquisition ended go into the document. No status is tested;
// every one is kept in LibStatus.

#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <cstdint>
#include <string>

namespace kest {

// For every element in table order: measure 1 := the rate of the element's spectrometer,
// measure 5 := the mean beam current its counts were read at (the set-up's beam current
// when it could not be read), measure 3 := its current factor x measure 5; measures 2 and
// 4 go back as read. Then the element's counting statistics.
void StoreMeasures(ProfileState& state, AnalysisDatabase& db, int16_t point);

// Measures, computation, then the position from the texts of LabelX and LabelY (skipped
// when either is not a whole number; the third coordinate is kept), the label and the
// point's status.
void StorePoint(ProfileState& state, Suite& suite, int16_t point, const std::string& xText,
                const std::string& yText, const std::string& label, PointStatus status = PointStatus::Measured);

}  // namespace kest
