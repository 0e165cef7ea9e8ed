#include "physics/Composition.h"

namespace kest::physics {

double meanAtomicNumberBackgroundCps(double standardBackgroundCps, double specimenMeanZ, double standardMeanZ) {
    return standardMeanZ > 0.0 ? standardBackgroundCps * specimenMeanZ / standardMeanZ : standardBackgroundCps;
}

}  // namespace kest::physics
