#pragma once
// Concentrations of the points from their measures. Two ways, chosen by ComputeMode: the
// computation library computes every element of a point at once (-1), or each element's
// reference calibration line turns its count rate into weight percent (0).

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <cstdint>

namespace kest {

// Computes point p and stores its concentrations in the document. A calibration that comes
// out not finite (a measure or line that is not a number) leaves the stored result as it was.
void ComputePoint(ProfileState& state, Suite& suite, int16_t point);

// The computation library's run over every point of the document (point -1), made before
// a scan or a recompute in the library's mode only.
void ComputeAllPointsFirst(ProfileState& state, Suite& suite);

// ReCompute: every point again, then the tables and the point list. Nothing at all without
// elements or without points.
void RecomputeAll(ProfileState& state, Suite& suite, MainView& view);

}  // namespace kest
