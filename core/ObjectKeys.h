#pragma once
// Unique keys for the analysis-database objects.

#include "suite/Logging.h"

#include <string>

namespace kest {

// The logging library's unique key for `prefix`, up to (not including) its first NUL.
std::string NewObjectKey(Logging& log, const std::string& prefix);

}  // namespace kest
