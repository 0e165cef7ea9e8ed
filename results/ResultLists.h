#pragma once
// The element list and the point list of the main window, and the row choices that drive
// them. Rows are fixed-width columns padded with blanks to 80 characters, under headings
// whose words start at their columns:
//
//   "El Standard     Sp#"
//   "C  STD1         2"                                  element, standard, spectrometer
//   " Pt#       Cps    wt%          X        Y Label"
//   "   1   1234.50  12.30 %    15000    -2500 Z01     " point, cps, wt%, X, Y, label
//   "   2   1234.50  12.30 %    15100    -2500 Z01      stopped"   ... a point whose
//                                                       acquisition stopped or failed
//   "   3                       15200    -2500 Z01      unmeasured"  ... one without counts

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <string>
#include <vector>

namespace kest {

inline constexpr const char* kElementListHeading = "El Standard     Sp#";
// The numbers stand right-aligned in their columns: each heading ends over their last digit.
inline constexpr const char* kPointListHeading = " Pt#       Cps    wt%          X        Y Label";

// The status after the label: a point stored without counts (placed, or interrupted before
// its counts were stored) shows no value; a point waiting on a running scan's trial stack
// (measured, to come back behind the finer points) is listed after the document's points.
inline constexpr const char* kUnmeasured = "unmeasured";
inline constexpr const char* kWaiting = "waiting";

std::string ElementListLine(const EltEntry& element);
// Point p with the count rate and concentration of element e; e = -1 shows zeros.
std::string PointListLine(const ProfileState& state, int e, int p);
// "stopped", "failed", "unmeasured" or nothing for point p.
const char* PointListStatus(const ProfileState& state, int p);
// The lines of the points waiting on a running scan's trial stack, in scan order, numbered
// after the document's points; none while no scan runs.
std::vector<std::string> WaitingPointLines(const ProfileState& state, int e);

// The counting statistics of every point: a heading, then per point its number, per
// element wt% +- one standard deviation and the detection limit, the analytical total and
// the status.
std::vector<std::string> StatisticsLines(const ProfileState& state);
// "  Pt#  El         k        Z        A        F", then per point and element its k-ratio and
// the matrix correction's factors ("matrix" after a point whose composition did not converge).
std::vector<std::string> MatrixFactorLines(const ProfileState& state);

// The element list; the row of CurElt is then chosen as a click would choose it.
void ListElements(ProfileState& state, Suite& suite, MainView& view);
// The point list for CurElt, then the profile graph rebuilt from it.
void ListPoints(ProfileState& state, AnalysisDatabase& db, MainView& view);
// After a change of the document's points: the tables, then the point list.
void ReloadPoints(ProfileState& state, AnalysisDatabase& db, MainView& view);
// The same when only points [first, end) changed and the points past the document's end
// are gone (a scan adds, measures or removes one point): their rows alone, in the tables,
// the point list and the graph, which then show what a whole reload shows.
void ReloadPointRows(ProfileState& state, AnalysisDatabase& db, MainView& view, int first, int end);

// A row of the element list chosen: its results fill the point list.
void ElementRowClicked(ProfileState& state, Suite& suite, MainView& view, int row);

}  // namespace kest
