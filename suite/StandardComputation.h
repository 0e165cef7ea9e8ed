#pragma once
// The computation library: concentrations from the measured count rate against the
// element's standard, as the document's analysis set-up describes it.

#include "suite/Computation.h"

namespace kest {

class SqliteAnalysisDatabase;

// Fields of the result record that KestComputeQti writes, for each element at a point:
//   field 1 (index 0)  mass fraction = standard fraction * k-ratio (may be negative)
//   field 2 (index 1)  k-ratio = net count rate / net count rate of the standard
//   field 3 (index 2)  net count rate, counts per second (measure 1 - background)
//   field 4 (index 3)  background count rate used, counts per second
//   field 5 (index 4)  weight percent (field 1 * 100)
//   field 6 (index 5)  analytical total of the point: sum of the mass fractions of its profile
//                      elements (the others are never measured)
//   fields 7 to 11     zero
class StandardComputation : public Computation {
public:
    explicit StandardComputation(SqliteAnalysisDatabase& database);

    Status KestComputeQti(std::string& key, int32_t point, int32_t mode, int32_t flags) override;

private:
    SqliteAnalysisDatabase& database_;
};

}  // namespace kest
