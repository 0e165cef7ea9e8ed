#pragma once
// The printable chart written to a file: PNG when the name ends in .png (any case), else PDF.

#include "core/ProfileState.h"
#include "suite/AnalysisDatabase.h"

#include <string>

namespace kest {

// The printable chart, with its grid, of the points plotted last (the graph arrays), drawn
// without a screen. False with `error` set when there is no chart to draw or the file
// cannot be written.
bool WritePrintableChart(ProfileState& state, AnalysisDatabase& db, const std::string& path, std::string& error);

}  // namespace kest
