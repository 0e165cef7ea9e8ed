// libFuzzer target: the batch file reader on any bytes. A file is either refused with a
// BatchFileError naming its field or gives lines that write a file reading back to the same
// lines; besides crashes, hangs and reads out of bounds (AddressSanitizer), any other
// exception fails.

#include "batch/BatchFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    kest::BatchFile batch;
    try {
        batch = kest::ParseBatchText(text, "/nonexistent", "fuzz.json");
    } catch (const kest::BatchFileError&) {  // refused, naming the field
        return 0;
    }
    const kest::BatchFile again = kest::ParseBatchText(kest::BatchFileText(batch), "/nonexistent", "again.json");
    if (again.lines != batch.lines) __builtin_trap();
    return 0;
}
