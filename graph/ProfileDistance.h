#pragma once
// Where a point lies along the profile: its straight-line distance in space (X, Y and the
// third axis) from the first point of the profile.

#include "core/ProfileState.h"

namespace kest {

// The differences are taken in 64 bits, so that stage coordinates far apart cannot overflow.
double DistanceInSpace(int64_t dx, int64_t dy, int64_t dz);
double DistanceBetween(const PointRecord& from, const PointRecord& to);

}  // namespace kest
