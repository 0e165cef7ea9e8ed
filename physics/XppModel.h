#pragma once
// The depth distribution of ionization phi(rho z) of the simplified model of Pouchou and
// Pichoir (XPP): J.-L. Pouchou and F. Pichoir, "Quantitative analysis of homogeneous or
// stratified microvolumes applying the model PAP", in K. F. J. Heinrich and D. E. Newbury
// (eds.), Electron Probe Quantitation, Plenum, New York, 1991, pp. 31-75 (below "P&P 1991").
//
// phi(rho z) = A exp(-a rho z) + (B rho z + phi0 - A) exp(-b rho z); its area F is the number of
// ionizations the model's deceleration and backscatter give, and the emitted intensity is its
// integral weighted by exp(-chi rho z), chi = mu/rho cosec(take-off angle). Mass depths rho z in
// g/cm2, energies in keV.

namespace kest::physics {

// The averages of a composition that the model needs (mass fractions C_i, numbers Z_i,
// atomic weights A_i). Mass fractions below zero count as zero.
struct MatrixAverages {
    double electronsPerMass = 0.0;      // M = sum C_i Z_i / A_i
    double meanIonizationKeV = 0.0;     // J: ln J = sum (C_i Z_i / A_i) ln J_i / M
    double backscatterZ = 0.0;          // Zb = (sum C_i Z_i^0.5)^2
    double backscatterCoefficient = 0.0;  // eta of Zb
};

// Mean ionization potential of element z, keV (Zeller's expression, as P&P 1991 use it).
double meanIonizationPotentialKeV(int z);

// Mean backscatter coefficient of a matrix of mean backscatter number Zb (P&P 1991, XPP).
double backscatterCoefficientEta(double backscatterZ);

// Adds one element's share to the averages; finish with finishAverages.
void addToAverages(MatrixAverages& sums, int z, double atomicWeight, double massFraction);
void finishAverages(MatrixAverages& sums);

// Exponent m of the ionization cross-section Q(U) = ln U / (U^m Ec^2) (P&P 1991, the ionization cross-section).
double crossSectionExponentM(int z, int shell);

// 1/S: the deceleration integral of Q over the electron's energy loss, from the slowing-down
// law dE/d(rho s) = -(M/J) / sum_k D_k (E/J)^P_k (P&P 1991, the deceleration).
double inverseStoppingFactor(const MatrixAverages& matrix, double beamKeV, double edgeKeV, double m);

// Backscatter loss factor R (P&P 1991, the backscatter
// loss factor, with the XPP mean backscatter number).
double backscatterFactorR(const MatrixAverages& matrix, double overvoltage);

// phi(0), the surface ionization (P&P 1991, XPP).
double surfaceIonizationPhi0(const MatrixAverages& matrix, double overvoltage);

// The distribution's parameters, for one ionized shell in one matrix.
struct PhiRhoZ {
    double area = 0.0;       // F, g/cm2
    double phi0 = 0.0;
    double meanDepth = 0.0;  // R bar, g/cm2
    double A = 0.0, a = 0.0, B = 0.0, b = 0.0, epsilon = 0.0;

    double at(double rhoZ) const;
    // F(chi): the integral of phi(rho z) exp(-chi rho z), g/cm2 (P&P 1991, XPP).
    double emitted(double chi) const;
};

// The XPP distribution (P&P 1991, XPP): the area F = (R/S)/Q(U0), the mean depth R bar, the
// initial slope P, and from them the parameters a, b, A and B.
PhiRhoZ xppPhiRhoZ(const MatrixAverages& matrix, double beamKeV, double edgeKeV, double m);

}  // namespace kest::physics
