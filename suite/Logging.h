#pragma once
// The logging library: the acquisition log, unique object keys and the single-instance check.

#include "suite/SuiteTypes.h"

#include <string>

namespace kest {

class Logging {
public:
    virtual ~Logging() = default;

    // Appends `text` to the acquisition log as it stands (the caller ends its lines).
    virtual Status KestPrintfVB(const std::string& text) = 0;

    // Writes into `buffer` (resized to `capacity`) a NUL-terminated key that starts with
    // `prefix` and is unique across processes; returns its length.
    virtual Status KestGetUniqueObjectKey(std::string& buffer, int32_t capacity, const std::string& prefix) = 0;

    // Called when an earlier instance runs: brings it to the front; non-zero tells the
    // caller to end at once.
    virtual Status KestCheckUnique(int32_t windowHandle, const std::string& title) = 0;
};

}  // namespace kest
