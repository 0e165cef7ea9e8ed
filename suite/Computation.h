#pragma once
// The computation library: quantification of the points of a document.

#include "suite/SuiteTypes.h"

#include <string>

namespace kest {

class Computation {
public:
    virtual ~Computation() = default;

    // Computes the concentrations of `point` (-1: every point) of the document `key` from
    // its measures and its analysis set-up, and stores them as field 1 of each element's
    // ComputeResult. `mode` and `flags` are always -1 and 0 in this program.
    virtual Status KestComputeQti(std::string& key, int32_t point, int32_t mode, int32_t flags) = 0;
};

}  // namespace kest
