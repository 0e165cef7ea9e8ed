#include "suite/MatrixSetup.h"

#include <stdexcept>

namespace kest {

physics::XRayLine LineOf(const ElementSetup& element, double acceleratingVoltageKV) {
    if (const auto line = physics::lineFromName(element.line)) return *line;
    return physics::defaultLine(element.z, acceleratingVoltageKV).value_or(physics::XRayLine::KAlpha);
}

physics::Composition MassFractions(const std::map<int, double>& percents) {
    physics::Composition composition;
    for (const auto& [z, percent] : percents) composition.push_back({z, percent / 100.0});
    return composition;
}

physics::Composition StandardCompositionOf(const ElementSetup& element) {
    if (element.standard_composition.empty()) return {{element.z, element.standard_percent / 100.0}};
    return MassFractions(element.standard_composition);
}

std::optional<physics::MatrixCorrection> MatrixCorrectionFor(const MatrixConditions& matrix,
                                                             const std::vector<ElementSetup>& elements,
                                                             const std::vector<int>& otherElements, std::string* problem) {
    std::vector<physics::AnalysedElement> analysed;
    for (const ElementSetup& e : elements)
        analysed.push_back({e.z, LineOf(e, matrix.accelerating_voltage_kV), StandardCompositionOf(e)});
    std::vector<physics::UnmeasuredElement> unmeasured;
    for (const UnmeasuredSetup& u : matrix.unmeasured) unmeasured.push_back({u.z, u.by_difference, u.percent / 100.0});
    try {
        return physics::MatrixCorrection({matrix.accelerating_voltage_kV, matrix.take_off_angle_deg, true}, analysed,
                                         unmeasured, otherElements);
    } catch (const std::invalid_argument& e) {
        if (problem) *problem = e.what();
        return std::nullopt;
    }
}

}  // namespace kest
