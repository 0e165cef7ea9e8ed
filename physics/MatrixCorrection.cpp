#include "physics/MatrixCorrection.h"

#include "physics/ReedFluorescence.h"
#include "physics/XppModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace kest::physics {

namespace {

std::string elementName(int z) { return "element " + std::to_string(z); }

// The share of A's absorption at this energy that ionizes its analysed shell: (r - 1)/r of its
// own edge, divided by the jump ratios of the deeper edges the energy lies above.
double shellAbsorptionShare(int z, int shell, double energyKeV) {
    const double r = jumpRatio(z, shell);
    if (r <= 1.0) return 0.0;
    double share = (r - 1.0) / r;
    for (int deeper = shell - 1; deeper >= kShellK; --deeper) {
        const double edge = edgeEnergyKeV(z, deeper), rDeeper = jumpRatio(z, deeper);
        if (edge > 0.0 && energyKeV > edge && rDeeper > 1.0) share /= rDeeper;
    }
    return share;
}

// The larger of a change so far and another one; a change that is not a number stays so, so
// that a measurement that is not a number never passes for converged.
double largerChange(double change, double difference) {
    const double size = std::abs(difference);
    return size <= change || std::isnan(change) ? change : size;
}

// The matrix a composition stands for: its elements above zero, normalized to a total of one,
// so that elements nobody listed count as the listed ones do (all zero: an empty matrix).
std::vector<double> normalized(std::vector<double> massFractions) {
    double total = 0.0;
    for (double& c : massFractions) total += (c = std::max(c, 0.0));
    if (total > 0.0)
        for (double& c : massFractions) c /= total;
    return massFractions;
}

MatrixAverages averages(const std::vector<int>& elements, const std::vector<double>& weights,
                        const std::vector<double>& massFractions) {
    MatrixAverages sums;
    for (std::size_t j = 0; j < elements.size(); ++j) addToAverages(sums, elements[j], weights[j], massFractions[j]);
    finishAverages(sums);
    return sums;
}

}  // namespace

MatrixCorrection::MatrixCorrection(AnalysisConditions conditions, std::vector<AnalysedElement> analysed,
                                   std::vector<UnmeasuredElement> unmeasured, const std::vector<int>& otherElements)
    : conditions_(conditions), unmeasured_(std::move(unmeasured)) {
    if (!(conditions_.beamKeV > 0.0)) throw std::invalid_argument("the accelerating voltage must be above 0 kV");
    if (!(conditions_.takeOffDegrees > 0.0 && conditions_.takeOffDegrees <= 90.0))
        throw std::invalid_argument("the take-off angle must lie above 0 and at most 90 degrees");
    auto addElement = [this](int z) {
        if (z < 1 || z > 98 || atomicWeightGPerMol(z) <= 0.0) throw std::invalid_argument(elementName(z) + " is unknown");
        if (std::find(elements_.begin(), elements_.end(), z) == elements_.end()) {
            elements_.push_back(z);
            atomicWeights_.push_back(atomicWeightGPerMol(z));
        }
    };
    for (const AnalysedElement& element : analysed) {
        addElement(element.z);
        for (const ElementAmount& amount : element.standard) addElement(amount.z);
    }
    int byDifference = 0;
    for (const UnmeasuredElement& element : unmeasured_) {
        for (const AnalysedElement& measured : analysed)
            if (measured.z == element.z)
                throw std::invalid_argument(elementName(element.z) + " is measured and cannot also be unmeasured");
        byDifference += element.byDifference ? 1 : 0;
        addElement(element.z);
    }
    if (byDifference > 1) throw std::invalid_argument("only one element can be given by difference");
    for (int z : otherElements) addElement(z);

    const double cosecant = 1.0 / std::sin(conditions_.takeOffDegrees * std::numbers::pi / 180.0);
    const double E0 = conditions_.beamKeV;
    for (const AnalysedElement& element : analysed) {
        Line line;
        line.element = indexOf(element.z);
        line.z = element.z;
        line.line = element.line;
        line.shell = ionizedShell(element.line);
        line.edgeKeV = edgeEnergyKeV(element.z, line.shell);
        line.m = crossSectionExponentM(element.z, line.shell);
        const double lineKeV = lineEnergyKeV(element.z, element.line);
        const std::string name = elementName(element.z) + " " + lineName(element.line);
        if (lineKeV <= 0.0 || line.edgeKeV <= 0.0) throw std::invalid_argument(name + ": xraylib knows no such line");
        if (E0 <= line.edgeKeV) throw std::invalid_argument(name + ": the beam does not ionize its shell");
        for (int z : elements_) line.chiMu.push_back(massAttenuationCm2PerG(z, lineKeV) * cosecant);

        // Lines of the other elements above the analysed edge: K lines, and L lines as Reed's
        // P_ij counts them, from the L3 edge (M lines are too soft to matter).
        for (std::size_t b = 0; b < elements_.size() && line.shell != kShellM5; ++b) {
            if (elements_[b] == element.z) continue;
            for (int shell : {kShellK, kShellL3}) {
                const double edgeB = edgeEnergyKeV(elements_[b], shell);
                if (edgeB <= 0.0 || edgeB >= E0) continue;
                const double weight = fluorescenceYield(elements_[b], shell) *
                                      ionizationRatioFactor(shell == kShellK, line.shell == kShellK);
                for (const ShellLine& emitted : shellLines(elements_[b], shell, 0.01)) {
                    if (emitted.energyKeV <= line.edgeKeV) continue;
                    SourceLine source;
                    source.source = b;
                    source.energyKeV = emitted.energyKeV;
                    source.emissionWeight = weight * emitted.radiativeRate;
                    source.edgeKeV = edgeB;
                    source.shellAbsorptionA = massAttenuationCm2PerG(element.z, emitted.energyKeV) *
                                              shellAbsorptionShare(element.z, line.shell, emitted.energyKeV);
                    for (int z : elements_) source.mu.push_back(massAttenuationCm2PerG(z, emitted.energyKeV));
                    if (source.emissionWeight > 0.0 && source.shellAbsorptionA > 0.0) line.sources.push_back(std::move(source));
                }
            }
        }

        line.standard = dense(element.standard);
        line.standardFraction = line.standard[line.element];
        double standardTotal = 0.0;
        for (double c : line.standard) standardTotal += c;
        if (!(line.standardFraction > 0.0)) throw std::invalid_argument(name + ": its standard does not contain it");
        if (standardTotal > 1.0 + 1e-6) throw std::invalid_argument(name + ": its standard sums above 100 %");
        line.standardMeanZ = meanZ(normalized(line.standard));
        std::vector<double> pure(elements_.size(), 0.0);
        pure[line.element] = 1.0;
        line.pureEmission = emission(line, pure);
        line.standardEmission = emission(line, normalized(line.standard));
        analysed_.push_back(std::move(line));
    }
}

std::size_t MatrixCorrection::indexOf(int z) const {
    return static_cast<std::size_t>(std::find(elements_.begin(), elements_.end(), z) - elements_.begin());
}

std::vector<double> MatrixCorrection::dense(const Composition& composition) const {
    std::vector<double> massFractions(elements_.size(), 0.0);
    for (const ElementAmount& amount : composition) {
        const std::size_t j = indexOf(amount.z);
        if (j < massFractions.size()) massFractions[j] += amount.massFraction;  // others are not in the model
    }
    return massFractions;
}

double MatrixCorrection::meanZ(const std::vector<double>& matrix) const {
    double sum = 0.0;
    for (std::size_t j = 0; j < elements_.size(); ++j) sum += matrix[j] * elements_[j];
    return sum;
}

MatrixCorrection::Emission MatrixCorrection::emission(const Line& line, const std::vector<double>& matrix) const {
    const MatrixAverages averaged = averages(elements_, atomicWeights_, matrix);
    // An empty matrix (nothing above zero) has nothing to correct: the standard's emission.
    if (!(averaged.electronsPerMass > 0.0)) return line.standardEmission;
    const double E0 = conditions_.beamKeV;
    const PhiRhoZ phi = xppPhiRhoZ(averaged, E0, line.edgeKeV, line.m);
    double chi = 0.0;
    for (std::size_t j = 0; j < elements_.size(); ++j) chi += matrix[j] * line.chiMu[j];

    Emission result;
    result.area = phi.area;
    result.emitted = phi.emitted(chi);
    if (!conditions_.fluorescence) return result;
    FluorescingLine reed;
    reed.atomicWeightA = atomicWeights_[line.element];
    reed.overvoltageA = E0 / line.edgeKeV;
    reed.beamKeV = E0;
    reed.specimenChiA = chi;
    for (const SourceLine& source : line.sources) {
        reed.massFractionB = matrix[source.source];
        if (reed.massFractionB <= 0.0) continue;
        double mu = 0.0;
        for (std::size_t j = 0; j < elements_.size(); ++j) mu += matrix[j] * source.mu[j];
        reed.atomicWeightB = atomicWeights_[source.source];
        reed.emissionWeight = source.emissionWeight;
        reed.overvoltageB = E0 / source.edgeKeV;
        reed.edgeB_KeV = source.edgeKeV;
        reed.shellAbsorptionA = source.shellAbsorptionA;
        reed.specimenMuAtLineB = mu;
        result.fluorescence += reedFluorescenceRatio(reed);
    }
    return result;
}

CorrectionFactors MatrixCorrection::factors(const Line& line, const Emission& specimen, double massFraction) const {
    const Emission& standard = line.standardEmission;
    CorrectionFactors f;
    f.kRatio = massFraction * specimen.perMassFraction() / (line.standardFraction * standard.perMassFraction());
    f.Z = standard.area / specimen.area;
    f.A = (standard.emitted / standard.area) / (specimen.emitted / specimen.area);
    f.F = (1.0 + standard.fluorescence) / (1.0 + specimen.fluorescence);
    return f;
}

std::vector<CorrectionFactors> MatrixCorrection::kRatios(const Composition& specimen) const {
    const std::vector<double> massFractions = dense(specimen);
    const std::vector<double> matrix = normalized(massFractions);
    std::vector<CorrectionFactors> result;
    for (const Line& line : analysed_)
        result.push_back(factors(line, emission(line, matrix), massFractions[line.element]));
    return result;
}

double MatrixCorrection::backgroundScale(std::size_t element, const Composition& specimen) const {
    const Line& line = analysed_.at(element);
    return meanAtomicNumberBackgroundCps(1.0, meanZ(normalized(dense(specimen))), line.standardMeanZ);
}

void MatrixCorrection::fillUnmeasured(std::vector<double>& massFractions) const {
    const UnmeasuredElement* balance = nullptr;
    for (const UnmeasuredElement& element : unmeasured_) {
        if (element.byDifference) balance = &element;
        else massFractions[indexOf(element.z)] = element.massFraction;
    }
    if (!balance) return;
    const std::size_t b = indexOf(balance->z);
    double others = 0.0;
    for (std::size_t j = 0; j < massFractions.size(); ++j)
        if (j != b) others += massFractions[j];
    massFractions[b] = 1.0 - others;
}

Quantification MatrixCorrection::quantify(std::span<const PeakMeasurement> measurements) const {
    if (measurements.size() != analysed_.size())
        throw std::invalid_argument("one measurement is needed for each analysed element");
    const std::size_t n = analysed_.size();
    auto kRatioAt = [&](std::size_t i, double meanZ) {
        const PeakMeasurement& m = measurements[i];
        if (m.standardNetCps == 0.0) return 0.0;  // a standard without net counts calibrates nothing
        const double background = meanAtomicNumberBackgroundCps(m.standardBackgroundCps, meanZ, analysed_[i].standardMeanZ);
        return (m.peakCps - background) / m.standardNetCps;
    };
    // Composition from the estimates: an element measured twice takes their mean.
    auto compose = [&](const std::vector<double>& estimates) {
        std::vector<double> massFractions(elements_.size(), 0.0), counts(elements_.size(), 0.0);
        for (std::size_t i = 0; i < n; ++i) {
            massFractions[analysed_[i].element] += estimates[i];
            counts[analysed_[i].element] += 1.0;
        }
        for (std::size_t j = 0; j < elements_.size(); ++j)
            if (counts[j] > 1.0) massFractions[j] /= counts[j];
        fillUnmeasured(massFractions);
        return massFractions;
    };

    std::vector<double> estimates(n);
    for (std::size_t i = 0; i < n; ++i)
        estimates[i] = kRatioAt(i, analysed_[i].standardMeanZ) * analysed_[i].standardFraction;
    std::vector<double> massFractions = compose(estimates);

    Quantification result;
    for (result.iterations = 1; result.iterations <= kMaxIterations; ++result.iterations) {
        const std::vector<double> matrix = normalized(massFractions);
        const double meanZNow = meanZ(matrix);
        double change = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            const Line& line = analysed_[i];
            const double pure = line.pureEmission.perMassFraction();
            const double perMass = emission(line, matrix).perMassFraction() / pure;  // k/C against the pure element
            const double kPure = kRatioAt(i, meanZNow) * line.standardFraction * line.standardEmission.perMassFraction() / pure;
            const double c = estimates[i], kNow = c * perMass;
            double next = kPure / perMass;  // C = k / (k/C), where the hyperbola does not apply
            if (c > 0.0 && c < 1.0 && kNow > 0.0 && kNow < 1.0 && kPure > 0.0 && kPure < 1.0) {
                const double alpha = c * (1.0 - kNow) / (kNow * (1.0 - c));
                next = alpha * kPure / (1.0 + (alpha - 1.0) * kPure);
            }
            change = largerChange(change, next - c);
            estimates[i] = next;
        }
        const std::vector<double> nextFractions = compose(estimates);
        for (std::size_t j = 0; j < elements_.size(); ++j)
            change = largerChange(change, nextFractions[j] - massFractions[j]);
        massFractions = nextFractions;
        if (change < kTolerance) {
            result.converged = true;
            break;
        }
    }
    result.iterations = std::min(result.iterations, kMaxIterations);

    const std::vector<double> finalMatrix = normalized(massFractions);
    const double finalMeanZ = meanZ(finalMatrix);
    for (std::size_t i = 0; i < n; ++i) {
        const Line& line = analysed_[i];
        CorrectionFactors f = factors(line, emission(line, finalMatrix), estimates[i]);
        f.kRatio = kRatioAt(i, finalMeanZ);
        result.massFractions.push_back(estimates[i]);
        result.factors.push_back(f);
        result.backgroundCps.push_back(meanAtomicNumberBackgroundCps(measurements[i].standardBackgroundCps, finalMeanZ,
                                                                     line.standardMeanZ));
    }
    for (const UnmeasuredElement& element : unmeasured_)
        result.unmeasuredMassFractions.push_back(massFractions[indexOf(element.z)]);
    for (std::size_t j = 0; j < elements_.size(); ++j)
        if (massFractions[j] != 0.0) result.composition.push_back({elements_[j], massFractions[j]});
    return result;
}

Quantification MatrixCorrection::quantifyKRatios(std::span<const double> kRatios) const {
    std::vector<PeakMeasurement> measurements;
    for (double k : kRatios) measurements.push_back({k, 1.0, 0.0});
    return quantify(measurements);
}

}  // namespace kest::physics
