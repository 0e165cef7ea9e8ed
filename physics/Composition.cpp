#include "physics/Composition.h"

namespace kest::physics {

double meanAtomicNumberBackgroundCps(double standardBackgroundCps, double specimenMeanZ, double standardMeanZ) {
    // A matrix with nothing above zero (a point at or below the background) says nothing of its
    // continuum: it keeps the standard's background rather than none.
    if (!(specimenMeanZ > 0.0 && standardMeanZ > 0.0)) return standardBackgroundCps;
    return standardBackgroundCps * specimenMeanZ / standardMeanZ;
}

}  // namespace kest::physics
