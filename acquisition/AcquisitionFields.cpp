#include "acquisition/AcquisitionFields.h"

#include "core/Formats.h"

#include <cmath>
#include <cstddef>

namespace kest {

namespace {

// The gauge nears 100 as the scan goes on: 0 at the first point, 75 at the fourth.
int ProgressAt(int16_t point) {
    if (point < 0) return 0;
    return static_cast<int>(std::nearbyint(100.0 - 100.0 / (point + 1)));
}

}  // namespace

AcquisitionFields LoadAcquisitionFields(const ProfileState& state, const MainView& main) {
    AcquisitionFields fields;
    fields.point = state.CurPnt;
    fields.pointNumber = FmtIndex4(static_cast<int16_t>(state.CurPnt + 1));
    fields.progress = ProgressAt(state.CurPnt);
    if (state.CurPnt >= 0 && static_cast<std::size_t>(state.CurPnt) < state.PointTable.size()) {
        const PointRecord& record = state.PointTable[static_cast<std::size_t>(state.CurPnt)];
        fields.x = NumberText(record.x);
        fields.y = NumberText(record.y);
        fields.label = FmtPointLabel8(record.label.str());
    }
    if (state.CurElt >= 0 && state.CurElt < kElementSlots)
        fields.spectrometer = FmtDigit1(state.ElementTable[static_cast<std::size_t>(state.CurElt)].spectrometer);
    fields.time = main.defTimeText();
    fields.countOption = main.selectedOptNC();
    return fields;
}

PointInputs AutomaticInputs(const ProfileState& state, const MainView& main) {
    const AcquisitionFields fields = LoadAcquisitionFields(state, main);
    return {.point = fields.point, .x = fields.x, .y = fields.y, .time = fields.time,
            .countOption = fields.countOption, .pattern = main.patternText(), .label = fields.label};
}

}  // namespace kest
