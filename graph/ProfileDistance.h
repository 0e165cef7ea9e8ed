#pragma once
// Where a point lies along the profile: its straight-line distance in space (X, Y and the
// third axis) from the first point of the profile.

#include "shell/ProfileState.h"

namespace kest {

double DistanceBetween(const PointRecord& from, const PointRecord& to);

}  // namespace kest
