#include "graph/ProfileDistance.h"

#include <cmath>

namespace kest {

double DistanceInSpace(int64_t dx, int64_t dy, int64_t dz) {
    const auto x = static_cast<double>(dx);
    const auto y = static_cast<double>(dy);
    const auto z = static_cast<double>(dz);
    return std::sqrt(x * x + y * y + z * z);
}

double DistanceBetween(const PointRecord& from, const PointRecord& to) {
    return DistanceInSpace(int64_t{to.x} - from.x, int64_t{to.y} - from.y, int64_t{to.z} - from.z);
}

}  // namespace kest
