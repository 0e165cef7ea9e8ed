// libFuzzer target: the node's message reader on any bytes from two connections. Besides
// crashes and reads out of bounds (AddressSanitizer), it checks that the reader never holds
// more than its limit, that every line the node sends is one line of `action specifier data`
// whose data is JSON, and that the node answers every request line.

#include "secop/MicroprobeNode.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t kLimit = 4096;  // smaller than the node's own, to reach the cut often

// An instrument that does what it is asked, so that the node's every path is open.
class WillingProbe : public kest::Microprobe {
public:
    kest::Status KestReadCurrent(float& current) override { return current = 20.0f, 1; }
    kest::Status KestSetFaraday(int32_t) override { return 1; }
    kest::Status KestReadXtal(int32_t, std::string& crystal) override { return crystal = "LIF", 1; }
    kest::Status KestReadPha(int32_t, const std::string&, int32_t, float& deadTime) override { return deadTime = 2.0f, 1; }
    kest::Status KestLoadCounter(int32_t, float seconds, int32_t) override { return seconds > 0 ? 1 : 0; }
    kest::Status KestStartTimer(int32_t) override { return 1; }
    kest::Status KestReadSpectroStatus(int32_t, int32_t, int32_t& busy) override { return busy = 0, 1; }
    kest::Status KestReadTimer(int32_t, float& seconds) override { return seconds = 1.0f, 1; }
    kest::Status KestReadCounter(int32_t, int32_t& counts) override { return counts = 1000, 1; }
    kest::Status KestReadStagePos(int32_t, int32_t& position) override { return position = 0, 1; }
    kest::Status KestBacklashStage(int32_t) override { return 1; }
    kest::Status KestLoadStageAbs(int32_t, float) override { return 1; }
    kest::Status KestStartStage(int32_t) override { return 1; }
    kest::Status KestReadStageStatus(int32_t, int32_t, int32_t& busy) override { return busy = 0, 1; }
};

void CheckSent(const std::vector<kest::secop::Outgoing>& sent) {
    for (const auto& outgoing : sent) {
        if (outgoing.line.find('\n') != std::string::npos) __builtin_trap();
        const auto message = kest::secop::SplitMessage(outgoing.line);
        if (!message) __builtin_trap();
        if (message->hasData && !kest::secop::ParseJson(message->data)) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // One node for every run (building its structure report costs more than a run): each
    // run is two new connections, so no run inherits the other's hold.
    static WillingProbe probe;
    static kest::secop::MicroprobeNode node(probe, kest::SuiteConfig{}, [] { return 1.8e9; });
    struct Closing {
        ~Closing() {
            node.disconnected(1);
            node.disconnected(2);
        }
    } closing;
    kest::secop::LineReader readers[2]{kest::secop::LineReader(kLimit), kest::secop::LineReader(kLimit)};
    node.connected(1, "127.0.0.1:1");
    node.connected(2, "127.0.0.1:2");

    // A byte 0x01 passes the stream to the other connection.
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    int client = 0;
    while (!bytes.empty()) {
        const std::size_t cut = bytes.find('\x01');
        for (const auto& line : readers[client].feed(bytes.substr(0, cut))) {
            const auto sent = node.receive(client + 1, line);
            CheckSent(sent);
            bool answered = line.text.empty();
            for (const auto& outgoing : sent) answered = answered || outgoing.to == client + 1;
            if (!answered) __builtin_trap();
        }
        if (readers[client].pending() > kLimit) __builtin_trap();
        if (cut == std::string_view::npos) break;
        bytes.remove_prefix(cut + 1);
        client = 1 - client;
    }
    return 0;
}
