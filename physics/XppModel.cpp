#include "physics/XppModel.h"

#include "physics/XRayData.h"

#include <algorithm>
#include <cmath>

namespace kest::physics {

double meanIonizationPotentialKeV(int z) {
    // J_i = Z_i (10.04 + 8.25 exp(-Z_i / 11.22)) eV
    return 1e-3 * z * (10.04 + 8.25 * std::exp(-z / 11.22));
}

double backscatterCoefficientEta(double backscatterZ) {
    // eta = 1.75e-3 Zb + 0.37 (1 - exp(-0.015 Zb^1.3))
    return 1.75e-3 * backscatterZ + 0.37 * (1.0 - std::exp(-0.015 * std::pow(backscatterZ, 1.3)));
}

void addToAverages(MatrixAverages& sums, int z, double atomicWeight, double massFraction) {
    if (massFraction <= 0.0) return;
    const double electrons = massFraction * z / atomicWeight;
    sums.electronsPerMass += electrons;
    sums.meanIonizationKeV += electrons * std::log(meanIonizationPotentialKeV(z));  // ln J, weighted
    sums.backscatterZ += massFraction * std::sqrt(static_cast<double>(z));
}

void finishAverages(MatrixAverages& sums) {
    sums.meanIonizationKeV = sums.electronsPerMass > 0.0 ? std::exp(sums.meanIonizationKeV / sums.electronsPerMass) : 0.0;
    sums.backscatterZ *= sums.backscatterZ;
    sums.backscatterCoefficient = backscatterCoefficientEta(sums.backscatterZ);
}

double crossSectionExponentM(int z, int shell) {
    if (shell == kShellK) return 0.86 + 0.12 * std::exp(-(z / 5.0) * (z / 5.0));
    if (shell <= kShellL3) return 0.82;
    return 0.78;
}

double inverseStoppingFactor(const MatrixAverages& matrix, double beamKeV, double edgeKeV, double m) {
    const double J = matrix.meanIonizationKeV;
    const double U0 = beamKeV / edgeKeV;
    const double V0 = beamKeV / J;
    const double lnU0 = std::log(U0);
    // The slowing-down law's coefficients D_k and exponents P_k.
    const double D[3] = {6.6e-6, 1.12e-5 * (1.35 - 0.45 * J * J), 2.2e-6 / J};
    const double P[3] = {0.78, 0.1, -(0.5 - 0.25 * J)};
    double sum = 0.0;
    for (int k = 0; k < 3; ++k) {
        const double T = 1.0 + P[k] - m;
        const double U0T = std::pow(U0, T);
        sum += D[k] * std::pow(V0 / U0, P[k]) * (T * U0T * lnU0 - U0T + 1.0) / (T * T);
    }
    return U0 / (V0 * matrix.electronsPerMass) * sum;
}

double backscatterFactorR(const MatrixAverages& matrix, double overvoltage) {
    const double eta = matrix.backscatterCoefficient;
    const double U0 = overvoltage;
    const double W = 0.595 + eta / 3.7 + std::pow(eta, 4.55);  // mean energy of the backscattered electrons, / E0
    const double q = (2.0 * W - 1.0) / (1.0 - W);
    const double JU0 = 1.0 + U0 * (std::log(U0) - 1.0);
    const double G = (U0 - 1.0 - (1.0 - std::pow(U0, -(1.0 + q))) / (1.0 + q)) / ((2.0 + q) * JU0);
    return 1.0 - eta * W * (1.0 - G);
}

double surfaceIonizationPhi0(const MatrixAverages& matrix, double overvoltage) {
    const double eta = matrix.backscatterCoefficient;
    const double r = 2.0 - 2.3 * eta;
    return 1.0 + 3.3 * (1.0 - std::pow(overvoltage, -r)) * std::pow(eta, 1.2);
}

double PhiRhoZ::at(double rhoZ) const {
    return A * std::exp(-a * rhoZ) + (B * rhoZ + phi0 - A) * std::exp(-b * rhoZ);
}

double PhiRhoZ::emitted(double chi) const {
    return (phi0 + B / (b + chi) - A * b * epsilon / (a + chi)) / (b + chi);
}

PhiRhoZ xppPhiRhoZ(const MatrixAverages& matrix, double beamKeV, double edgeKeV, double m) {
    PhiRhoZ d;
    const double U0 = beamKeV / edgeKeV;
    const double Zb = matrix.backscatterZ;
    const double Q0 = std::log(U0) / (std::pow(U0, m) * edgeKeV * edgeKeV);
    const double F = backscatterFactorR(matrix, U0) * inverseStoppingFactor(matrix, beamKeV, edgeKeV, m) / Q0;
    const double phi0 = surfaceIonizationPhi0(matrix, U0);

    // Mean depth of ionization: F / R bar = 1 + X ln(1 + Y (1 - U0^-0.42)) / ln(1 + Y).
    const double X = 1.0 + 1.3 * std::log(Zb);
    const double Y = 0.2 + Zb / 200.0;
    double Rbar = F / (1.0 + X * std::log(1.0 + Y * (1.0 - std::pow(U0, -0.42))) / std::log(1.0 + Y));
    if (F / Rbar < phi0) Rbar = F / phi0;

    const double b = std::sqrt(2.0) * (1.0 + std::sqrt(1.0 - Rbar * phi0 / F)) / Rbar;
    // Initial slope P = g h^4 F / R bar^2, g h^4 kept below 0.9 b R bar^2 (b - 2 phi0 / F).
    const double g = 0.22 * std::log(4.0 * Zb) * (1.0 - 2.0 * std::exp(-Zb * (U0 - 1.0) / 15.0));
    const double h = 1.0 - 10.0 * (1.0 - 1.0 / (1.0 + U0 / 10.0)) / (Zb * Zb);
    const double gh4 = std::min(g * std::pow(h, 4.0), 0.9 * b * Rbar * Rbar * (b - 2.0 * phi0 / F));
    const double P = gh4 * F / (Rbar * Rbar);

    double a = (P + b * (2.0 * phi0 - b * F)) / (b * F * (2.0 - b * Rbar) - phi0);
    double epsilon = (a - b) / b;
    if (std::abs(epsilon) < 1e-6) {  // a = b makes the expressions 0/0: step off it
        epsilon = 1e-6;
        a = b * (1.0 + epsilon);
    }
    d.B = (b * b * F * (1.0 + epsilon) - P - phi0 * b * (2.0 + epsilon)) / epsilon;
    d.A = (d.B / b + phi0 - b * F) * (1.0 + epsilon) / epsilon;
    d.a = a;
    d.b = b;
    d.epsilon = epsilon;
    d.phi0 = phi0;
    d.area = F;
    d.meanDepth = Rbar;
    return d;
}

}  // namespace kest::physics
