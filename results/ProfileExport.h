#pragma once
// The profile as CSV, for spreadsheets, Python and R: one header line, then one line per
// point of the point table with its position, label, distance along the profile (from the
// first point, plus the graph offset O), per element its count rate, weight percent, one
// standard deviation and detection limit (weight percent), then the analytical total and
// the point's status (measured, stopped, failed; empty for a point never acquired).
//
//   point,x,y,third,label,distance,Fe cps,Fe wt%,Fe sigma wt%,Fe LOD wt%,total wt%,status
//   1,0,0,0,Z01,0,1020,20,0.0639,0.0085,20,measured
//
// Numbers are written in the shortest form that reads back to the same value.

#include "core/ProfileState.h"

#include <iosfwd>

namespace kest {

void WriteProfileCsv(const ProfileState& state, std::ostream& out);

}  // namespace kest
