#pragma once
// The registry library: integer and text values under a root and a section.

#include "suite/SuiteTypes.h"

#include <string>

namespace kest {

class Registry {
public:
    virtual ~Registry() = default;

    // The stored value read as an integer, or `defaultValue` when absent or not a number.
    virtual int32_t KestRegisterGetInt(const std::string& section, const std::string& key,
                                       int32_t defaultValue, const std::string& root) = 0;
    virtual Status KestRegisterSetString(const std::string& section, const std::string& key,
                                         const std::string& value, const std::string& root) = 0;
};

}  // namespace kest
