// libFuzzer target: the client's reader of a node's lines on any bytes: the answer to a
// read, a change or a do, and a structure report with the layout the program reads from
// it. Besides crashes and reads out of bounds (AddressSanitizer), it checks that the reader
// never holds more than its limit and that a layout it accepts is one the client can use.

#include "secop/NodeReplies.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t kLimit = 16 * 1024;  // smaller than the client's own, to reach the cut often

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kest::secop::LineReader reader(kLimit);
    const auto lines = reader.feed(std::string_view(reinterpret_cast<const char*>(data), size));
    if (reader.pending() > kLimit) __builtin_trap();
    for (const auto& line : lines) {
        if (line.text.size() > kLimit) __builtin_trap();
        using Kind = kest::secop::Reply::Kind;
        const auto reply = kest::secop::ReadReply(line.text);
        if (reply.kind == Kind::Malformed && reply.text.empty()) __builtin_trap();
        const bool answers = reply.kind == Kind::Answer || reply.kind == Kind::Error;
        if (answers && reply.request != "read" && reply.request != "change" && reply.request != "do") __builtin_trap();
        if (const auto structure = kest::secop::ReadDescribing(line.text)) {
            std::string missing;
            const auto layout = kest::secop::ReadLayout(*structure, missing);
            if (layout.has_value() == !missing.empty()) __builtin_trap();
            if (layout && (layout->spectrometers < 1 || layout->spectrometers > 5 || !(layout->timeoutSeconds > 0) ||
                           !std::isfinite(layout->timeoutSeconds)))
                __builtin_trap();
        }
    }
    return 0;
}
