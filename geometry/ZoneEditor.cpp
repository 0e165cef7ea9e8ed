#include "geometry/ZoneEditor.h"

#include "core/Formats.h"

#include <optional>

namespace kest {
namespace {

void SetWhole(int32_t& field, const std::string& text) {
    if (const auto whole = WholeInt32Value(text)) field = *whole;
}

void SetSingle(float& field, const std::string& text) {
    if (const auto single = SingleValue(text)) field = *single;
}

}  // namespace

ZoneEditorFields ZoneEditorFieldsOf(const ZoneRecord& zone) {
    return {zone.type == 'F', NumberText(zone.length), NumberText(zone.stepMin), NumberText(zone.stepMax),
            NumberText(zone.dConc), zone.type == kAdaptiveZone};
}

void ApplyZoneEditorFields(ZoneRecord& zone, const ZoneEditorFields& fields) {
    zone.type = fields.fixedStep ? 'F' : fields.adaptive ? kAdaptiveZone : 'V';
    SetWhole(zone.length, fields.length);
    SetWhole(zone.stepMin, fields.stepMin);
    SetWhole(zone.stepMax, fields.stepMax);
    SetSingle(zone.dConc, fields.dConc);
}

}  // namespace kest
