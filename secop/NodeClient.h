#pragma once
// The microprobe on the network: every call of the instrument library is a SECoP request
// to a node, answered before the call returns. At construction the client connects, checks
// that the node speaks SECoP and that its structure report has every module and accessible
// the calls need. Every request waits at most the node's time-out (its `timeout` property,
// else 10 s).
//
// A node that closes the connection, does not answer in time, answers with an error or with
// a line that is not SECoP fails the call, and faultText() names the node and the call. The
// connection is then dropped; the next call connects again, but not within 5 s of a failed
// attempt, so that a scan stopping on a dead node is not held up by it.
//
// Reads are sent ahead (see ReadAhead): a read that the program makes after a command as it
// did the last time goes out with the reads that followed it then, and their answers wait
// for the calls that ask for them. Any other call lets them go unused: a status found busy
// is read again, a call never expected, so that no answer read ahead outlives a wait.
// The node sees the program's calls in the program's order.

#include "secop/NodeReplies.h"
#include "secop/ReadAhead.h"
#include "suite/Microprobe.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

class QTcpSocket;

namespace kest::secop {

// The longest line the client reads from a node (a structure report is one line).
inline constexpr std::size_t kReplyLimit = 4 * 1024 * 1024;

class NodeClient : public Microprobe {
public:
    // `address` is "host:port".
    explicit NodeClient(std::string address);
    ~NodeClient() override;
    NodeClient(const NodeClient&) = delete;
    NodeClient& operator=(const NodeClient&) = delete;

    Status KestReadCurrent(float& current) override;
    Status KestSetFaraday(int32_t inserted) override;
    Status KestReadXtal(int32_t spectrometer, std::string& crystal) override;
    Status KestReadPha(int32_t spectrometer, const std::string& crystal, int32_t mode, float& deadTimeUs) override;
    Status KestLoadCounter(int32_t mode, float seconds, int32_t flags) override;
    Status KestStartTimer(int32_t mode) override;
    Status KestReadSpectroStatus(int32_t spectrometer, int32_t mode, int32_t& busy) override;
    Status KestReadTimer(int32_t spectrometer, float& seconds) override;
    Status KestReadCounter(int32_t spectrometer, int32_t& counts) override;
    Status KestReadStagePos(int32_t axis, int32_t& position) override;
    Status KestBacklashStage(int32_t axis) override;
    Status KestLoadStageAbs(int32_t axis, float target) override;
    Status KestStartStage(int32_t mode) override;
    Status KestReadStageStatus(int32_t axis, int32_t mode, int32_t& busy) override;
    std::string faultText() const override { return fault_; }

private:
    using Clock = std::chrono::steady_clock;

    // A request sent and not yet answered, or answered and not yet taken by its call.
    struct Sent {
        uint64_t id = 0;
        std::string action, specifier;
        std::optional<Reply> reply;
        bool ahead = false;   // a read sent before the program asked for it
        bool unused = false;  // its answer goes to no call
    };

    bool connect(const std::string& call);
    void drop(const std::string& why);
    std::optional<std::string> exchange(const std::string& call, const std::string& line, Clock::time_point deadline);
    std::optional<std::string> nextLine(const std::string& call, Clock::time_point deadline);
    // The answer's value to `action module:accessible [data]`; nothing when the call fails.
    std::optional<Json> request(const std::string& call, const std::string& action, const std::string& specifier,
                                const std::optional<Json>& data = std::nullopt);
    // The request that answers this read: one sent ahead for it, or this read sent now with
    // the reads expected after it.
    uint64_t sendRead(const std::string& specifier);
    uint64_t send(const std::string& action, const std::string& specifier, const std::optional<Json>& data,
                  const std::vector<std::string>& readsAhead);
    void forgetReadsAhead();
    // Reads the node's lines until the request `id` is answered; its answer, taken.
    std::optional<Reply> answer(const std::string& call, uint64_t id);
    bool file(const std::string& call, const std::string& line);
    bool onSpectrometer(const std::string& call, int32_t spectrometer);
    std::string nodeText() const { return "the instrument at " + address_; }
    Clock::duration timeout() const;

    std::string address_;
    std::unique_ptr<QTcpSocket> socket_;
    std::unique_ptr<LineReader> reader_;
    std::deque<std::string> lines_;
    std::deque<Sent> sent_;
    uint64_t nextId_ = 1;
    ReadAhead readAhead_;
    std::optional<NodeLayout> layout_;
    std::optional<Clock::time_point> failedAttempt_;
    std::string connectFault_;
    std::string fault_;
    int startAxis_ = 1;  // the axis whose go starts the next move
};

}  // namespace kest::secop
