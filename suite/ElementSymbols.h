#pragma once
// Chemical symbols of the elements the instrument can analyse.

#include <string>

namespace kest {

inline constexpr int kLastElement = 103;  // Lr

// The symbol of the element with atomic number `z` ("Fe" for 26); empty outside 1..103.
std::string ElementSymbol(int z);

}  // namespace kest
