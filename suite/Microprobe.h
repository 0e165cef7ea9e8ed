#pragma once
// The instrument-control library: stage, counters, timer, beam current, Faraday cup,
// spectrometers and pulse-height analyser. Spectrometers are numbered from 1; axis 1 is X,
// 2 is Y, 3 the third stage axis. Every call returns a status, 0 = failure; "out"
// arguments are written by the library.

#include "suite/SuiteTypes.h"

#include <string>

namespace kest {

class Microprobe {
public:
    virtual ~Microprobe() = default;

    // Beam.
    virtual Status KestReadCurrent(float& current) = 0;                 // nA
    virtual Status KestSetFaraday(int32_t inserted) = 0;                // 0 lets the beam reach the specimen

    // Spectrometers.
    virtual Status KestReadXtal(int32_t spectrometer, std::string& crystal) = 0;  // 5 characters
    // The dead time of the spectrometer's counting chain, microseconds, fractions kept.
    virtual Status KestReadPha(int32_t spectrometer, const std::string& crystal, int32_t mode,
                               float& deadTimeUs) = 0;

    // Counting: one load prepares all counters, one timer start counts on all at once.
    virtual Status KestLoadCounter(int32_t mode, float seconds, int32_t flags) = 0;
    virtual Status KestStartTimer(int32_t mode) = 0;
    virtual Status KestReadSpectroStatus(int32_t spectrometer, int32_t mode, int32_t& busy) = 0;
    virtual Status KestReadTimer(int32_t spectrometer, float& seconds) = 0;
    virtual Status KestReadCounter(int32_t spectrometer, int32_t& counts) = 0;

    // Stage: load targets per axis, then one start moves all loaded axes.
    virtual Status KestReadStagePos(int32_t axis, int32_t& position) = 0;
    virtual Status KestBacklashStage(int32_t axis) = 0;
    virtual Status KestLoadStageAbs(int32_t axis, float target) = 0;
    virtual Status KestStartStage(int32_t mode) = 0;
    virtual Status KestReadStageStatus(int32_t axis, int32_t mode, int32_t& busy) = 0;
};

}  // namespace kest
