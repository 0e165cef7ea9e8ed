// What one point's acquisition costs the computer. First the software time of a whole
// acquisition on the virtual clock (5 elements, one count, one pattern point, measures
// stored, concentrations computed, log written), averaged over 1000 points. Then the share
// of one core the program takes while the simulator counts on the real clock, the window's
// event loop running between polls as in the acquisition window.

#include "FakeAcquisition.h"
#include "FakeMainView.h"

#include "acquisition/EventLoopPacer.h"
#include "acquisition/PointAcquisition.h"
#include "document/ElementSetup.h"
#include "suite/SuiteInstance.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace kest;

namespace {

constexpr int kVirtualPoints = 1000;
constexpr int kRealPoints = 4;
constexpr const char* kRealSeconds = "1";

SuiteConfig FiveElements(InstrumentConfig::Clock clock) {
    SuiteConfig config;
    config.instrument.clock = clock;
    config.instrument.noise = false;
    config.setup.elements.clear();
    int spectrometer = 1;
    for (const int z : {26, 24, 28, 14, 6}) config.setup.elements.push_back({.z = z, .spectrometer = spectrometer++});
    config.specimen.elements[26] = {SpecimenProfile::Shape::Linear, {{0, 90.0}, {10000, 60.0}}};
    return config;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A new document with the suite's elements set up, and `points` points 10 units apart.
struct Bench {
    Bench(InstrumentConfig::Clock clock, int points)
        : instance(FiveElements(clock), ProgramFolders{home.path().toStdString(), home.path().toStdString()}) {
        std::string key = "DbScan01", path;
        suite().db.KestDbObjectNew(key, 1, 0);
        suite().db.KestDbReset(key, path, 80);
        for (int p = 0; p < points; ++p) suite().db.KestDbAddPt(key, 10 * p, 0, 0);
        state.DocKey = key;
        SetupElements(state, suite(), view);
    }
    Suite& suite() { return instance.suite(); }
    PointInputs inputsOf(int p, const char* seconds) const {
        return {.point = int16_t(p), .x = std::to_string(10 * p), .y = "0", .time = seconds, .countOption = 0, .pattern = "0", .label = "Z01"};
    }

    // A benchmark of failing acquisitions would measure nothing worth knowing.
    void checkNoMessage() const {
        for (const std::string& message : window.messages) std::fprintf(stderr, "unexpected message: %s\n", message.c_str());
        if (!window.messages.empty() || state.SpectroTable[0].rate <= 0.0f) std::exit(1);
    }

    QTemporaryDir home;
    SuiteInstance instance;
    ProfileState state;
    fakes::FakeMainView view;
    fakes::FakeAcquisitionView window;
};

void SoftwareTimeOnTheVirtualClock() {
    Bench bench(InstrumentConfig::Clock::Virtual, kVirtualPoints);
    SleepingPacer pacer;  // never sleeps: the virtual clock ends every wait at its first poll
    PointAcquisition acquisition(bench.state, bench.suite(), bench.window, pacer);
    const auto start = std::chrono::steady_clock::now();
    for (int p = 0; p < kVirtualPoints; ++p) acquisition.acquire(bench.inputsOf(p, "10"));
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    bench.checkNoMessage();
    std::printf("acquisition of one point, virtual clock, 5 elements, n = 1, P = 1: %.3f ms (target < 1 ms)\n",
                ms / kVirtualPoints);
}

void ProcessorShareOnTheRealClock() {
    Bench bench(InstrumentConfig::Clock::Real, kRealPoints);
    EventLoopPacer pacer;
    PointAcquisition acquisition(bench.state, bench.suite(), bench.window, pacer);
    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (int p = 0; p < kRealPoints; ++p) acquisition.acquire(bench.inputsOf(p, kRealSeconds));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds() - cpuStart;
    bench.checkNoMessage();
    std::printf("while counting on the real clock: %.2f s of processor in %.2f s, %.2f %% of one core (target < 5 %%)\n",
                cpu, wall, 100.0 * cpu / wall);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SoftwareTimeOnTheVirtualClock();
    ProcessorShareOnTheRealClock();
    return 0;
}
