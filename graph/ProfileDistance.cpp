#include "graph/ProfileDistance.h"

#include <cmath>

namespace kest {

double DistanceBetween(const PointRecord& from, const PointRecord& to) {
    const auto dx = static_cast<double>(int64_t{to.x} - from.x);
    const auto dy = static_cast<double>(int64_t{to.y} - from.y);
    const auto dz = static_cast<double>(int64_t{to.z} - from.z);
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace kest
