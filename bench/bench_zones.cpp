// What each kind of zone spends on a profile: points measured (beam time) against the largest
// error of the straight lines between them, on the simulated instrument (virtual clock,
// 1 s counts, one element of 5000 cps at 100 %).
//
// 1. Ni = 20 + 15 erf((x - 5000) / 100) on a 10 000-unit line, noise off: the points each
//    kind needs for a largest interpolation error of 0.15 wt % (fixed steps, variable zones
//    step 5..320, adaptive zones step 5..500), then the adaptive zone with counting noise.
// 2. A sharp step (10 % to 20 % at 5000.5): the points, and the bracket around the interface.
// 3. A flat line at 10 wt % with counting noise (sigma about 0.45 wt %), 2000 units, step
//    5..100: the points each kind measures, noise off and on (five seeds), NoiseSigmas 0 and 3.
//
// The error is taken at every stage unit between the first and the last point measured,
// against the specimen's true profile.

#include "ScanOnSimulator.h"

#include "acquisition/ScanCommands.h"

#include <QCoreApplication>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace kest;

namespace {

using Truth = std::function<double(double)>;

struct Outcome {
    double points = 0;   // acquisitions, averaged over the seeds
    double error = 0;    // largest interpolation error, the largest over the seeds, wt %
    double bracket = 0;  // the widest interval across 15 wt %
    int32_t last = 0;    // the last point
};

ZoneRecord Zone(char type, int32_t length, int32_t stepMin, int32_t stepMax, float dConc) {
    ZoneRecord zone = fakes::VariableZone(length, stepMin, stepMax, dConc);
    zone.type = type;
    return zone;
}

SuiteConfig Specimen(const Truth& truth, double step, bool noise, uint64_t seed) {
    SuiteConfig config = fakes::QuietStep({});
    config.instrument.noise = noise;
    config.instrument.seed = seed;
    SpecimenProfile profile{step > 0 ? SpecimenProfile::Shape::Linear : SpecimenProfile::Shape::Step, {}};
    if (step > 0)
        for (double x = 0; x <= 10000; x += step) profile.points.emplace_back(x, truth(x));
    else
        profile.points = {{-1e9, truth(0)}, {5000.5, truth(10000)}};
    config.specimen.elements[26] = profile;
    return config;
}

Outcome Scan(const Truth& truth, double tableStep, const ZoneRecord& zone, int sigmas, bool noise, int seeds = 1,
             const char* seconds = "1") {
    Outcome outcome;
    for (int seed = 1; seed <= seeds; ++seed) {
        fakes::ScanOnSimulator scan(Specimen(truth, tableStep, noise, static_cast<uint64_t>(seed)));
        scan.pointBound = 20000;
        scan.state.NoiseSigmas = static_cast<int16_t>(sigmas);
        scan.state.AdaptivePointBudget = 1000;  // the tolerance ends the refinement, not the budget
        scan.view.setDefTimeText(seconds);
        scan.setZones({zone});
        ScanNew(scan.state, scan.suite(), scan.view);
        const std::vector<int32_t> x = scan.coordinates();
        const std::vector<ResultRecord>& c = scan.state.ResultTable[0];
        outcome.points += static_cast<double>(scan.measured.size()) / seeds;
        outcome.last = x.back();
        for (std::size_t p = 1; p < x.size(); ++p) {
            for (int32_t at = x[p - 1]; at < x[p]; ++at) {
                const double line = c[p - 1].conc + (c[p].conc - c[p - 1].conc) * (at - x[p - 1]) / (x[p] - x[p - 1]);
                if (tableStep > 0) outcome.error = std::max(outcome.error, std::abs(line - truth(at)));
            }
            if (tableStep <= 0 && (c[p - 1].conc < 15.0f) != (c[p].conc < 15.0f)) outcome.bracket = std::max<double>(outcome.bracket, x[p] - x[p - 1]);
        }
    }
    return outcome;
}

void Print(const char* kind, const Outcome& o, bool withError = true) {
    std::printf("  %-44s %7.1f points", kind, o.points);
    if (withError) std::printf(", largest error %.3f wt %%", o.error);
    if (o.bracket > 0) std::printf(", interface bracketed within %.0f", o.bracket);
    std::printf(" (to %d)\n", o.last);
}

void ErfProfile() {
    const Truth erf = [](double x) { return 20.0 + 15.0 * std::erf((x - 5000.0) / 100.0); };
    std::printf("Ni = 20 + 15 erf((x - 5000) / 100) on 0..10000, noise off; wanted: largest error 0.15 wt %%\n");
    char name[96];
    for (const int step : {20, 25, 40}) {
        std::snprintf(name, sizeof name, "fixed step %d", step);
        Print(name, Scan(erf, 1, Zone('F', 10000, step, 0, 0), 0, false));
    }
    for (const float dConc : {2.0f, 1.0f, 0.5f, 0.25f}) {
        std::snprintf(name, sizeof name, "variable 5..320, dConc %.2f", dConc);
        Print(name, Scan(erf, 1, Zone('V', 10001, 5, 320, dConc), 0, false));
    }
    for (const int sigmas : {0, 3})
        for (const int stepMax : {500, 1000})
            for (const float tolerance : {0.15f, 0.1f}) {
                std::snprintf(name, sizeof name, "adaptive 5..%d, dConc %.2f, NoiseSigmas %d", stepMax, tolerance, sigmas);
                Print(name, Scan(erf, 1, Zone('A', 10001, 5, stepMax, tolerance), sigmas, false));
            }
    std::printf("the same with counting noise (five seeds; the error includes the points' own scatter)\n");
    for (const int sigmas : {0, 3})
        for (const float tolerance : {0.15f, 0.5f}) {
            std::snprintf(name, sizeof name, "adaptive 5..500, dConc %.2f, NoiseSigmas %d, 1 s", tolerance, sigmas);
            Print(name, Scan(erf, 1, Zone('A', 10001, 5, 500, tolerance), sigmas, true, 5));
        }
    std::printf("NoiseSigmas 3 with longer counts (sigma 0.2 to 0.4 wt %% at 10 s, 0.06 to 0.13 at 100 s)\n");
    for (const char* seconds : {"10", "100"})
        for (const bool noise : {false, true}) {
            std::snprintf(name, sizeof name, "adaptive 5..500, dConc 0.15, %s s, noise %s", seconds, noise ? "on" : "off");
            Print(name, Scan(erf, 1, Zone('A', 10001, 5, 500, 0.15f), 3, noise, noise ? 5 : 1, seconds));
        }
}

void SharpStep() {
    const Truth step = [](double x) { return x < 5000.5 ? 10.0 : 20.0; };
    std::printf("a sharp step, 10 to 20 wt %% at 5000.5 on 0..10000, step min 5; noise off, then on (five seeds)\n");
    char name[96];
    for (const bool noise : {false, true})
        for (const int stepMax : {320, 640}) {
            std::snprintf(name, sizeof name, "variable 5..%d, dConc 1%s", stepMax, noise ? ", noise" : "");
            Print(name, Scan(step, 0, Zone('V', 10001, 5, stepMax, 1.0f), 3, noise, noise ? 5 : 1), false);
            std::snprintf(name, sizeof name, "adaptive 5..%d, dConc 0.15%s", stepMax, noise ? ", noise" : "");
            Print(name, Scan(step, 0, Zone('A', 10001, 5, stepMax, 0.15f), 3, noise, noise ? 5 : 1), false);
        }
    std::printf("  (a fixed step of 5 brackets it with 2001 points)\n");
}

void NoisyFlatLine() {
    const Truth flat = [](double) { return 10.0; };
    std::printf("a flat line at 10 wt %%, 2000 units, step 5..100, 1 s counts; noise on: five seeds\n");
    char name[96];
    for (const int sigmas : {0, 3})
        for (const float dConc : {2.0f, 1.0f, 0.5f})
            for (const bool noise : {false, true}) {
                std::snprintf(name, sizeof name, "variable, dConc %.1f, NoiseSigmas %d, noise %s", dConc, sigmas, noise ? "on" : "off");
                Print(name, Scan(flat, 1, Zone('V', 2000, 5, 100, dConc), sigmas, noise, noise ? 5 : 1), false);
            }
    for (const int sigmas : {0, 3})
        for (const bool noise : {false, true}) {
            std::snprintf(name, sizeof name, "adaptive, dConc 0.5, NoiseSigmas %d, noise %s", sigmas, noise ? "on" : "off");
            Print(name, Scan(flat, 1, Zone('A', 2000, 5, 100, 0.5f), sigmas, noise, noise ? 5 : 1), false);
        }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ErfProfile();
    SharpStep();
    NoisyFlatLine();
    return 0;
}
