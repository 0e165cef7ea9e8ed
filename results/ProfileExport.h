#pragma once
// The profile as CSV, for spreadsheets, Python and R: one header line, then one line per
// point of the point table with its position, label, distance along the profile (from the
// first point, plus the graph offset O) and, per element, count rate and weight percent.
//
//   point,x,y,third,label,distance,Fe cps,Fe wt%
//   1,0,0,0,Z01,0,1020,20
//
// Numbers are written in the shortest form that reads back to the same value.

#include "core/ProfileState.h"

#include <iosfwd>

namespace kest {

void WriteProfileCsv(const ProfileState& state, std::ostream& out);

}  // namespace kest
