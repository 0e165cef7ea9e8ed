#pragma once
// The computation library: concentrations from the measured count rates against each
// element's standard, through the matrix correction of the document's analysis set-up.

#include "physics/MatrixCorrection.h"
#include "suite/Computation.h"
#include "suite/SuiteFile.h"

#include <optional>
#include <vector>

namespace kest {

class SqliteAnalysisDatabase;

// Fields of the result record that KestComputeQti writes, for each element at a point:
//   field 1 (index 0)  mass fraction, from the matrix correction of the point's whole
//                      composition (may be negative)
//   field 2 (index 1)  k-ratio = net count rate / net count rate of the standard
//   field 3 (index 2)  net count rate, counts per second (measure 1 - background)
//   field 4 (index 3)  background count rate used: the standard's, scaled by the point's mean
//                      atomic number over the standard's
//   field 5 (index 4)  weight percent (field 1 * 100)
//   field 6 (index 5)  analytical total of the point: sum of the mass fractions of its profile
//                      elements
//   fields 7, 8, 9     the atomic number, absorption and fluorescence factors Z, A, F
//                      (mass fraction = k-ratio * standard fraction * Z * A * F)
//   field 10           iterations of the composition
//   field 11           1 when the composition did not converge (the point's flag `matrix`), or
//                      when the set-up cannot be corrected and the proportion was used
class StandardComputation : public Computation {
public:
    explicit StandardComputation(SqliteAnalysisDatabase& database);

    Status KestComputeQti(std::string& key, int32_t point, int32_t mode, int32_t flags) override;

private:
    // The correction of the set-up computed last: a scan computes point after point of one set-up.
    const std::optional<physics::MatrixCorrection>& correctionFor(const MatrixConditions& matrix,
                                                                  const std::vector<ElementSetup>& elements);

    SqliteAnalysisDatabase& database_;
    MatrixConditions correctedMatrix_;
    std::vector<ElementSetup> correctedElements_;
    std::optional<physics::MatrixCorrection> correction_;
    bool corrected_ = false;
};

}  // namespace kest
