#pragma once
// From k-ratios to concentrations: the XPP phi(rho z) model (XppModel.h) with Reed's
// characteristic fluorescence (ReedFluorescence.h), iterated on the specimen's whole
// composition with the hyperbolic approximation of Criss and Birks (k = C / (alpha + (1 -
// alpha) C) about the current estimate), which converges where a plain fixed-point iteration
// can diverge for strongly absorbed soft lines.
//
// The physical data of every element and line is read from xraylib once, when the correction is
// set up; a point's correction then only recombines it with the point's composition.
//
// A composition may sum below one (elements nobody listed). The matrix it stands for is its
// listed elements normalized to one, so that the unlisted remainder counts as the listed
// elements do: taken as nothing, it would let the electrons run through a matrix with too
// few electrons, and a specimen and a standard of one listed element would no longer compare
// as a proportion.

#include "physics/Composition.h"
#include "physics/XRayData.h"

#include <span>
#include <string>
#include <vector>

namespace kest::physics {

struct AnalysisConditions {
    double beamKeV = 15.0;
    double takeOffDegrees = 40.0;
    bool fluorescence = true;  // Reed's correction; off only to show what it corrects
};

// An element measured on a line against a standard of known composition.
struct AnalysedElement {
    int z = 0;
    XRayLine line = XRayLine::KAlpha;
    Composition standard;  // must contain z
};

// An element of the specimen that is not measured: a fixed mass fraction, or the balance to one.
struct UnmeasuredElement {
    int z = 0;
    bool byDifference = false;
    double massFraction = 0.0;  // when fixed
};

// C = k C_standard Z A F: the atomic number, absorption and fluorescence factors of a specimen
// relative to the element's standard.
struct CorrectionFactors {
    double kRatio = 0.0;
    double Z = 1.0;
    double A = 1.0;
    double F = 1.0;
};

// What a point gives for one analysed element: its peak rate and the standard's net rate, both
// per unit current at the same current, and the background measured on the standard.
struct PeakMeasurement {
    double peakCps = 0.0;
    double standardNetCps = 1.0;
    double standardBackgroundCps = 0.0;
};

struct Quantification {
    std::vector<double> massFractions;       // per analysed element
    std::vector<CorrectionFactors> factors;  // per analysed element, at the final composition
    std::vector<double> backgroundCps;       // per analysed element, scaled to the final composition
    std::vector<double> unmeasuredMassFractions;
    Composition composition;                 // the whole specimen
    int iterations = 0;
    bool converged = false;                  // false: not within 1e-5 after kMaxIterations
};

class MatrixCorrection {
public:
    static constexpr int kMaxIterations = 50;
    static constexpr double kTolerance = 1e-5;  // mass fraction

    // Throws std::invalid_argument with a message naming the element when the set-up cannot be
    // corrected (an unknown line, a beam below the edge, a standard without the element, ...).
    // `otherElements` may appear in the specimens given to kRatios (a simulated specimen's).
    MatrixCorrection(AnalysisConditions conditions, std::vector<AnalysedElement> analysed,
                     std::vector<UnmeasuredElement> unmeasured = {}, const std::vector<int>& otherElements = {});

    const AnalysisConditions& conditions() const { return conditions_; }
    std::size_t analysedCount() const { return analysed_.size(); }

    // The k-ratio each analysed element would show on this specimen, with its factors.
    std::vector<CorrectionFactors> kRatios(const Composition& specimen) const;
    // Zbar(specimen) / Zbar(standard of the element), both normalized: the scale of the
    // element's background.
    double backgroundScale(std::size_t element, const Composition& specimen) const;

    // The composition whose k-ratios, net of backgrounds scaled to it, are the measured ones.
    Quantification quantify(std::span<const PeakMeasurement> measurements) const;
    Quantification quantifyKRatios(std::span<const double> kRatios) const;

private:
    struct Emission {  // one analysed line in one matrix, per unit mass fraction of its element
        double area = 0.0, emitted = 0.0, fluorescence = 0.0;
        double perMassFraction() const { return emitted * (1.0 + fluorescence); }
    };
    struct SourceLine {  // a line of another element that fluoresces the analysed one
        std::size_t source = 0;  // index of element B
        double energyKeV = 0.0, emissionWeight = 0.0, edgeKeV = 0.0, shellAbsorptionA = 0.0;
        std::vector<double> mu;  // mu/rho of every element for this line
    };
    struct Line {  // an analysed element's line with its data
        std::size_t element = 0;
        int z = 0;
        XRayLine line = XRayLine::KAlpha;
        int shell = 0;
        double edgeKeV = 0.0, m = 0.0;
        std::vector<double> chiMu;  // mu/rho of every element for the line, times cosec(take-off)
        std::vector<SourceLine> sources;
        std::vector<double> standard;
        double standardFraction = 0.0, standardMeanZ = 0.0;
        Emission standardEmission, pureEmission;
    };

    std::size_t indexOf(int z) const;
    std::vector<double> dense(const Composition& composition) const;
    // `matrix`: mass fractions normalized to one (or all zero).
    Emission emission(const Line& line, const std::vector<double>& matrix) const;
    CorrectionFactors factors(const Line& line, const Emission& specimen, double massFraction) const;
    double meanZ(const std::vector<double>& matrix) const;
    void fillUnmeasured(std::vector<double>& massFractions) const;

    AnalysisConditions conditions_;
    std::vector<UnmeasuredElement> unmeasured_;
    std::vector<int> elements_;  // every element of specimen and standards
    std::vector<double> atomicWeights_;
    std::vector<Line> analysed_;
};

}  // namespace kest::physics
