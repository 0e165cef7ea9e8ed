#include "core/SettingsEvents.h"

#include "core/Formats.h"

#include <array>
#include <cstddef>
#include <optional>

namespace kest {
namespace {

constexpr std::array<int16_t, 4> kCountsPerPoint{1, 5, 10, 15};
constexpr std::array<int16_t, 2> kAxes{1, 2};
constexpr std::array<int16_t, 3> kPatternPoints{1, 3, 5};
constexpr std::array<int16_t, 2> kGraphChoices{0, 1};

template <std::size_t N>
void SetFromButton(int16_t& setting, const std::array<int16_t, N>& values, int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < N) setting = values[static_cast<std::size_t>(index)];
}

template <std::size_t N>
int ButtonOf(int16_t setting, const std::array<int16_t, N>& values) {
    for (std::size_t i = 0; i < N; ++i) {
        if (values[i] == setting) return static_cast<int>(i);
    }
    return -1;
}

template <typename T>
void SetIfWhole(T& setting, const std::optional<T>& value) {
    if (value) setting = *value;
}

}  // namespace

void OptNCClicked(ProfileState& state, int index) { SetFromButton(state.Nc, kCountsPerPoint, index); }
void OptXYClicked(ProfileState& state, int index) { SetFromButton(state.Ax, kAxes, index); }
void OMPClicked(ProfileState& state, int index) { SetFromButton(state.Mp, kPatternPoints, index); }
void Option1Clicked(ProfileState& state, int index) { SetFromButton(state.GraphSelectedOnly, kGraphChoices, index); }

int OptNCButtonOf(int16_t nc) { return ButtonOf(nc, kCountsPerPoint); }
int OMPButtonOf(int16_t mp) { return ButtonOf(mp, kPatternPoints); }

void PatternChanged(ProfileState& state, const std::string& text) {
    SetIfWhole(state.Dm, WholeInt16(TextValue(text)));
}

void OffsetChanged(ProfileState& state, const std::string& text) {
    SetIfWhole(state.O, WholeInt32(TextValue(text)));
}

void SelectOptNC(ProfileState& state, MainView& view, int index) {
    view.selectOptNC(index);
    OptNCClicked(state, index);
}

void SelectOptXY(ProfileState& state, MainView& view, int index) {
    view.selectOptXY(index);
    OptXYClicked(state, index);
}

void SelectOMP(ProfileState& state, MainView& view, int index) {
    view.selectOMP(index);
    OMPClicked(state, index);
}

void SelectOption1(ProfileState& state, MainView& view, int index) {
    view.selectOption1(index);
    Option1Clicked(state, index);
}

}  // namespace kest
