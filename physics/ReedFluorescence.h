#pragma once
// Characteristic fluorescence: X-rays of one element B, absorbed in the specimen, ionize the
// shell of the analysed element A and add to its line. S. J. B. Reed, "Characteristic
// fluorescence corrections in electron-probe microanalysis", British Journal of Applied
// Physics 16 (1965) 913-926 (below "Reed 1965").

namespace kest::physics {

// One line of B that lies above A's edge, in one specimen.
struct FluorescingLine {
    double massFractionB = 0.0;
    double atomicWeightA = 0.0, atomicWeightB = 0.0;
    // omega_B times the line's share of B's radiative decays, times Reed's P_ij for the pair of
    // shells (see ionizationRatioFactor).
    double emissionWeight = 0.0;
    double overvoltageA = 0.0;  // E0 / E_c of the analysed shell of A
    double overvoltageB = 0.0;  // E0 / E_c of the shell of B that emits the line
    double edgeB_KeV = 0.0;
    double beamKeV = 0.0;
    // mu/rho of A for B's line, times the share of it that ionizes A's shell ((r - 1)/r).
    double shellAbsorptionA = 0.0;
    double specimenMuAtLineB = 0.0;  // mu/rho of the specimen for B's line, cm2/g
    double specimenChiA = 0.0;       // mu/rho of the specimen for A's line times cosec(take-off)
};

// Reed's P_ij: 1 for K lines on a K shell and L lines on an L shell, 4.2 for L lines exciting a
// K shell, 0.24 for K lines exciting an L shell (Reed 1965).
double ionizationRatioFactor(bool lineFromKShell, bool excitedShellIsK);

// Lenard's coefficient sigma = 4.5e5 / (E0^1.65 - Ec^1.65), cm2/g, the depth scale of the primary
// generation of B's line (Heinrich's form, as Reed 1965 uses it).
double lenardCoefficient(double beamKeV, double edgeKeV);

// I_f / I_p: the fluorescent intensity of A's line over its primary intensity, from one line of B
// (Reed 1965):
// 0.5 C_B (r_A - 1)/r_A omega_B P_ij (A_A/A_B) ((U_B - 1)/(U_A - 1))^1.67 (mu_A^B / mu^B)
//     [ln(1 + u)/u + ln(1 + v)/v],   u = chi_A / mu^B,  v = sigma / mu^B.
double reedFluorescenceRatio(const FluorescingLine& line);

}  // namespace kest::physics
