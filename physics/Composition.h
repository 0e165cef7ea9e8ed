#pragma once
// A composition: elements by atomic number with their mass fractions. An element that is not
// listed is absent, so a composition may sum below one (elements nobody measured).

#include <vector>

namespace kest::physics {

struct ElementAmount {
    int z = 0;
    double massFraction = 0.0;
};

using Composition = std::vector<ElementAmount>;


// The mean-atomic-number background: the continuum under a peak grows about linearly with the
// mean atomic number of the matrix (Kramers), so the background measured on the standard is
// scaled by Zbar(specimen) / Zbar(standard). J. J. Donovan and T. N. Tingle, "An improved mean
// atomic number background correction for quantitative microanalysis", Microscopy and
// Microanalysis 2 (1996) 1-7.
double meanAtomicNumberBackgroundCps(double standardBackgroundCps, double specimenMeanZ, double standardMeanZ);

}  // namespace kest::physics
