#pragma once
// The registry library on an INI file: every value is kept as text under the group
// root/section, and read back as an integer when asked for one.

#include "suite/Registry.h"

#include <filesystem>

namespace kest {

class IniRegistry : public Registry {
public:
    // The program keeps its registry in registry.ini of its configuration folder.
    explicit IniRegistry(std::filesystem::path file);

    const std::filesystem::path& file() const { return file_; }

    // The stored text as a whole decimal number ("25" gives 25, blanks around it allowed);
    // `defaultValue` when the value is absent, not a whole number or outside 32 bits.
    int32_t KestRegisterGetInt(const std::string& section, const std::string& key, int32_t defaultValue,
                               const std::string& root) override;
    // Stores the text and writes the file at once; 0 when the file cannot be written.
    Status KestRegisterSetString(const std::string& section, const std::string& key, const std::string& value,
                                 const std::string& root) override;

private:
    std::filesystem::path file_;
};

}  // namespace kest
