#pragma once
// The physical data of the elements and their X-ray lines, all from xraylib (T. Schoonjans et
// al., Spectrochimica Acta B 66 (2011) 776-784). Nothing here is a hand-typed table.
// Energies in keV, mass attenuation coefficients in cm2/g, atomic weights in g/mol.

#include <optional>
#include <string>
#include <vector>

namespace kest::physics {

// The lines an analysis can be set up on.
enum class XRayLine { KAlpha, LAlpha, MAlpha };

// The inner shells as xraylib numbers them.
enum Shell : int { kShellK = 0, kShellL1 = 1, kShellL2 = 2, kShellL3 = 3, kShellM5 = 8 };

// "Ka", "La", "Ma": the names the suite file and the document use.
std::string lineName(XRayLine line);
std::optional<XRayLine> lineFromName(const std::string& name);

// The shell whose ionization gives the line (K, L3, M5).
Shell ionizedShell(XRayLine line);

double atomicWeightGPerMol(int z);
// Weighted energy of the line (K-alpha 1 and 2, L-alpha 1 and 2, M-alpha 1 and 2).
double lineEnergyKeV(int z, XRayLine line);
double edgeEnergyKeV(int z, int shell);
// Total mass attenuation coefficient of element z for photons of this energy (CS_Total).
double massAttenuationCm2PerG(int z, double energyKeV);
double fluorescenceYield(int z, int shell);
double jumpRatio(int z, int shell);

// A radiative transition that fills a vacancy of one shell: its energy and the fraction of
// the shell's radiative decays that it takes (xraylib's radiative rate).
struct ShellLine {
    double energyKeV;
    double radiativeRate;
};
// The lines of `shell` of element z that carry at least `minimumRate` of its radiative decays.
std::vector<ShellLine> shellLines(int z, int shell, double minimumRate);

// True when element z emits `line` (xraylib has its energy) and a beam of beamKeV ionizes it.
bool lineExcited(int z, XRayLine line, double beamKeV);

// The line an analysis uses by default: K-alpha while the beam's overvoltage on the K edge is
// at least 1.5, else L-alpha, else M-alpha; nullopt when the beam excites none of them.
std::optional<XRayLine> defaultLine(int z, double beamKeV);

}  // namespace kest::physics
