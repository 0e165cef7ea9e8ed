#pragma once
// The program's shared state on recording fakes of every library and of the main window.

#include "FakeMainView.h"
#include "FakeSuite.h"

#include "core/ProfileState.h"

namespace kest::fakes {

struct ProgramOnFakes {
    FakeSuite fake;
    ProfileState state;
    FakeMainView view;
};

}  // namespace kest::fakes
