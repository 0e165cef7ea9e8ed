#include "core/ObjectKeys.h"

namespace kest {

std::string NewObjectKey(Logging& log, const std::string& prefix) {
    constexpr int32_t kCapacity = 256;
    std::string buffer(kCapacity, '\0');
    log.KestGetUniqueObjectKey(buffer, kCapacity, prefix);
    return buffer.substr(0, buffer.find('\0'));
}

}  // namespace kest
