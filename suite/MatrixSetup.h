#pragma once
// The matrix correction of an analysis set-up, as the computation and the simulated specimen
// both use it: each element on its line (the set-up's, else the one the voltage suits) against
// its standard's composition (the set-up's, else the element alone at standard_percent).

#include "physics/MatrixCorrection.h"
#include "suite/SuiteFile.h"

#include <optional>
#include <string>
#include <vector>

namespace kest {

physics::XRayLine LineOf(const ElementSetup& element, double acceleratingVoltageKV);
physics::Composition StandardCompositionOf(const ElementSetup& element);
// Weight percents by atomic number as mass fractions.
physics::Composition MassFractions(const std::map<int, double>& percents);

// The correction of these elements, or nothing when the model cannot correct them (an element
// without a line at this voltage, ...); `problem` then says why. `otherElements` may appear in
// specimens given to kRatios.
std::optional<physics::MatrixCorrection> MatrixCorrectionFor(const MatrixConditions& matrix,
                                                             const std::vector<ElementSetup>& elements,
                                                             const std::vector<int>& otherElements = {},
                                                             std::string* problem = nullptr);

}  // namespace kest
