#pragma once
// Concentrations of the points from their measures, each element its own way: an element
// whose standard is a reference profile by its calibration line, turning its count rate
// into weight percent here; every other element by the computation library, which computes
// every element of a point at once (ComputeMode -1 when any element needs it).
//
// Field 6 of every element's result is the analytical total of the point: the sum of the
// mass fractions of the profile elements.

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <cstdint>

namespace kest {

// Computes point p and stores its concentrations in the document. A calibration that comes
// out not finite (a measure or line that is not a number) leaves the element's
// concentration as it was.
void ComputePoint(ProfileState& state, Suite& suite, int16_t point);

// The computation library's run over every point of the document (point -1), made before
// a scan or a recompute when any element needs it; the elements on a reference profile
// then get their lines' concentrations back.
void ComputeAllPointsFirst(ProfileState& state, Suite& suite);

// The standard deviation and detection limit of every element at point p again from the
// stored counting time and rate, with the elements' present sensitivities.
void RecomputeStatistics(ProfileState& state, AnalysisDatabase& db, int16_t point);

// ReCompute: every point again (concentrations and statistics), then the tables and the
// point list. Nothing at all without elements or without points.
void RecomputeAll(ProfileState& state, Suite& suite, MainView& view);

}  // namespace kest
