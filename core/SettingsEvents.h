#pragma once
// The acquisition and display settings of the main window, as its buttons and text boxes
// set them. A button index outside its group, or a text whose whole value does not fit the
// setting, leaves the setting as it was.

#include "core/MainView.h"
#include "core/ProfileState.h"

#include <string>

namespace kest {

// Button index -> setting value.
void OptNCClicked(ProfileState& state, int index);    // Nc: 1, 5, 10, 15
void OptXYClicked(ProfileState& state, int index);    // Ax: 1 (X), 2 (Y)
void OMPClicked(ProfileState& state, int index);      // Mp: 1, 3, 5
void Option1Clicked(ProfileState& state, int index);  // GraphSelectedOnly: 0 (All), 1 (Sel)

// Text -> setting: the whole value of the text (its leading number, halves to even).
void PatternChanged(ProfileState& state, const std::string& text);  // Dm, 16-bit
void OffsetChanged(ProfileState& state, const std::string& text);   // O, 32-bit

// Setting value -> button index; -1 when no button of the group has that value.
int OptNCButtonOf(int16_t nc);
int OMPButtonOf(int16_t mp);

// Selecting a button from the program runs its click handler, as a click does.
void SelectOptNC(ProfileState& state, MainView& view, int index);
void SelectOptXY(ProfileState& state, MainView& view, int index);
void SelectOMP(ProfileState& state, MainView& view, int index);
void SelectOption1(ProfileState& state, MainView& view, int index);

}  // namespace kest
