#include "physics/ReedFluorescence.h"

#include <cmath>

namespace kest::physics {

double ionizationRatioFactor(bool lineFromKShell, bool excitedShellIsK) {
    if (lineFromKShell == excitedShellIsK) return 1.0;
    return lineFromKShell ? 0.24 : 4.2;
}

double lenardCoefficient(double beamKeV, double edgeKeV) {
    return 4.5e5 / (std::pow(beamKeV, 1.65) - std::pow(edgeKeV, 1.65));
}

double reedFluorescenceRatio(const FluorescingLine& line) {
    if (line.massFractionB <= 0.0 || line.overvoltageB <= 1.0 || line.overvoltageA <= 1.0) return 0.0;
    const double mu = line.specimenMuAtLineB;
    const double u = line.specimenChiA / mu;
    const double v = lenardCoefficient(line.beamKeV, line.edgeB_KeV) / mu;
    const double depth = std::log1p(u) / u + std::log1p(v) / v;
    const double generation = line.atomicWeightA / line.atomicWeightB *
                              std::pow((line.overvoltageB - 1.0) / (line.overvoltageA - 1.0), 1.67);
    return 0.5 * line.massFractionB * line.emissionWeight * generation * line.shellAbsorptionA / mu * depth;
}

}  // namespace kest::physics
