#pragma once
// The separate analysis program, started detached from a path given by the suite file.

#include "suite/AnalysisProgram.h"

#include <string>

namespace kest {

class DetachedAnalysisProgram : public AnalysisProgram {
public:
    // `program`: instrument.analysis_program of the suite file; empty when not configured.
    explicit DetachedAnalysisProgram(std::string program);

    const std::string& program() const { return program_; }

    // Starts the program in its own folder without waiting for it; false with a message for
    // the operator when the path is empty or the program cannot be started.
    bool start(std::string& error) override;

private:
    std::string program_;
};

}  // namespace kest
