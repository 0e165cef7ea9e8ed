#include "physics/XRayData.h"

#include <xraylib/xraylib.h>

#include <utility>

namespace kest::physics {

namespace {

// xraylib numbers its lines by shell: the first and last line macro of each shell we use.
std::pair<int, int> lineRange(int shell) {
    switch (shell) {
    case kShellK: return {KL1_LINE, KP5_LINE};
    case kShellL1: return {L1L2_LINE, L1P5_LINE};
    case kShellL2: return {L2L3_LINE, L2Q1_LINE};
    case kShellL3: return {L3M1_LINE, L3Q1_LINE};
    case kShellM5: return {M5N1_LINE, M5P5_LINE};
    default: return {0, 1};  // empty
    }
}

// The two components of each line, for its weighted energy and its share of the decays.
std::pair<int, int> lineComponents(XRayLine line) {
    switch (line) {
    case XRayLine::KAlpha: return {KL3_LINE, KL2_LINE};
    case XRayLine::LAlpha: return {L3M5_LINE, L3M4_LINE};
    case XRayLine::MAlpha: return {M5N7_LINE, M5N6_LINE};
    }
    return {KL3_LINE, KL2_LINE};
}

}  // namespace

std::string lineName(XRayLine line) {
    switch (line) {
    case XRayLine::KAlpha: return "Ka";
    case XRayLine::LAlpha: return "La";
    case XRayLine::MAlpha: return "Ma";
    }
    return "Ka";
}

std::optional<XRayLine> lineFromName(const std::string& name) {
    for (XRayLine line : {XRayLine::KAlpha, XRayLine::LAlpha, XRayLine::MAlpha})
        if (lineName(line) == name) return line;
    return std::nullopt;
}

Shell ionizedShell(XRayLine line) {
    switch (line) {
    case XRayLine::KAlpha: return kShellK;
    case XRayLine::LAlpha: return kShellL3;
    case XRayLine::MAlpha: return kShellM5;
    }
    return kShellK;
}

double atomicWeightGPerMol(int z) { return AtomicWeight(z, nullptr); }

double lineEnergyKeV(int z, XRayLine line) {
    const auto [first, second] = lineComponents(line);
    const double rate1 = RadRate(z, first, nullptr), rate2 = RadRate(z, second, nullptr);
    const double energy1 = LineEnergy(z, first, nullptr), energy2 = LineEnergy(z, second, nullptr);
    if (energy1 <= 0.0 || rate1 + rate2 <= 0.0) return energy1;
    if (energy2 <= 0.0) return energy1;
    return (rate1 * energy1 + rate2 * energy2) / (rate1 + rate2);
}

double edgeEnergyKeV(int z, int shell) { return EdgeEnergy(z, shell, nullptr); }

double massAttenuationCm2PerG(int z, double energyKeV) { return CS_Total(z, energyKeV, nullptr); }

double fluorescenceYield(int z, int shell) { return FluorYield(z, shell, nullptr); }

double jumpRatio(int z, int shell) { return JumpFactor(z, shell, nullptr); }

std::vector<ShellLine> shellLines(int z, int shell, double minimumRate) {
    std::vector<ShellLine> lines;
    const auto [first, last] = lineRange(shell);
    for (int macro = first; macro >= last; --macro) {
        const double rate = RadRate(z, macro, nullptr);
        if (rate < minimumRate) continue;
        const double energy = LineEnergy(z, macro, nullptr);
        if (energy > 0.0) lines.push_back({energy, rate});
    }
    return lines;
}

bool lineExcited(int z, XRayLine line, double beamKeV) {
    const double edge = edgeEnergyKeV(z, ionizedShell(line));
    return lineEnergyKeV(z, line) > 0.0 && edge > 0.0 && beamKeV > edge;
}

std::optional<XRayLine> defaultLine(int z, double beamKeV) {
    constexpr double kOvervoltage = 1.5;
    for (XRayLine line : {XRayLine::KAlpha, XRayLine::LAlpha, XRayLine::MAlpha})
        if (lineExcited(z, line, beamKeV / kOvervoltage)) return line;
    for (XRayLine line : {XRayLine::KAlpha, XRayLine::LAlpha, XRayLine::MAlpha})
        if (lineExcited(z, line, beamKeV)) return line;
    return std::nullopt;
}

}  // namespace kest::physics
