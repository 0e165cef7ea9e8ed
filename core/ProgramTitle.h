#pragma once
// The program's name, as its windows and message boxes are captioned.

namespace kest {

inline constexpr const char* kProgramTitle = "KestPlus - Profile";

}  // namespace kest
