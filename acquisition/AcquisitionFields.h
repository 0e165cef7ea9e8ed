#pragma once
// What the acquisition window shows when it loads: the point's number and position, the
// spectrometer of the selected element, the label, the counting time and the count option
// of the main window, and the scan's progress.

#include "acquisition/PointAcquisition.h"
#include "core/MainView.h"
#include "core/ProfileState.h"

#include <cstdint>
#include <string>

namespace kest {

struct AcquisitionFields {
    int16_t point = 0;           // the copy of CurPnt
    std::string pointNumber;     // Label1: point + 1, right in 4
    int progress = 0;            // Gauge1, 0..100
    std::string x, y;            // LabelX, LabelY
    std::string spectrometer;    // Spectro
    std::string label;           // Text2: the first 8 characters, blank-filled
    std::string time;            // Text4
    int countOption = -1;        // Option2: the main window's OptNC button
};

AcquisitionFields LoadAcquisitionFields(const ProfileState& state, const MainView& main);

// What Acquire takes from the fields as loaded, untouched by an operator: the automatic mode.
PointInputs AutomaticInputs(const ProfileState& state, const MainView& main);

}  // namespace kest
