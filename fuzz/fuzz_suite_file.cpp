// libFuzzer target: the suite file reader on any bytes. A file is either refused with a
// SuiteFileError naming its field or gives a set-up the program can run on: besides crashes,
// hangs and reads out of bounds (AddressSanitizer), any other exception fails, and so does an
// accepted file whose stage travel or spectrometers lie outside what the reader promises.

#include "suite/SuiteFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const kest::SuiteConfig config = kest::ParseSuiteText(text, "/nonexistent", "fuzz.json");
        const auto& instrument = config.instrument;
        if (instrument.stage_limits[0] >= instrument.stage_limits[1]) __builtin_trap();
        for (const auto& element : config.setup.elements)
            if (element.spectrometer < 1 || element.spectrometer > instrument.spectrometers) __builtin_trap();
    } catch (const kest::SuiteFileError&) {  // refused, naming the field
    }
    return 0;
}
