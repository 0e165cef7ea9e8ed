#pragma once
// What the zone editor shows of a zone and how it writes the operator's texts back.

#include "core/ProfileState.h"

#include <string>

namespace kest {

struct ZoneEditorFields {
    bool fixedStep = false;     // "Fix" selected; any type but "F" opens as "Var"
    std::string length;
    std::string stepMin;
    std::string stepMax;
    std::string dConc;
    bool adaptive = false;      // "Adaptive" selected (with "Fix" not)
};

// The zone's numbers in the general number form (" 500", "-10", " 2.5").
ZoneEditorFields ZoneEditorFieldsOf(const ZoneRecord& zone);

// Type from the buttons ("F", "A" or "V"), then each number from its own text: a text that is not one number
// fitting its field leaves that field as it was. Hidden fields are written like the others.
void ApplyZoneEditorFields(ZoneRecord& zone, const ZoneEditorFields& fields);

}  // namespace kest
