#pragma once
// The suite's separate analysis program, started without waiting for it.

#include <string>

namespace kest {

class AnalysisProgram {
public:
    virtual ~AnalysisProgram() = default;
    // Starts the program detached; false with `error` set when it cannot be started.
    virtual bool start(std::string& error) = 0;
};

}  // namespace kest
