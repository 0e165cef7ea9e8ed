#include "secop/NodeClient.h"

#include <QTcpSocket>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kest::secop {

namespace {

constexpr auto kRetryAfter = std::chrono::seconds(5);
constexpr double kFirstTimeoutSeconds = 10.0;  // until the node has said its own

const char* const kAxisModules[] = {"stage_x", "stage_y", "stage_z"};

bool ValidAxis(int32_t axis) { return axis >= 1 && axis <= 3; }

std::string Quoted(const std::string& line) {
    std::string shown = line.substr(0, 80);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e) c = '?';
    return "\"" + shown + (line.size() > 80 ? "...\"" : "\"");
}

std::string Seconds(double seconds) {
    std::string text = std::to_string(seconds);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
}

std::string Spectrometer(int32_t s) { return "spectrometer" + std::to_string(s); }

int BusyOf(const Json& status) { return status.is_array() && !status.empty() && status[0].is_number_integer() && status[0].get<int64_t>() / 100 == 3 ? 1 : 0; }

bool IsStatus(const Json& status) { return status.is_array() && !status.empty() && status[0].is_number_integer(); }

}  // namespace

// A first attempt that fails is tried again by the first call, so that its message names it.
NodeClient::NodeClient(std::string address) : address_(std::move(address)) {
    if (!connect("the first call")) failedAttempt_.reset();
}

NodeClient::~NodeClient() = default;

NodeClient::Clock::duration NodeClient::timeout() const {
    const double seconds = layout_ ? layout_->timeoutSeconds : kFirstTimeoutSeconds;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

void NodeClient::drop(const std::string& why) {
    fault_ = why;
    connectFault_ = why;
    failedAttempt_ = Clock::now();
    layout_.reset();
    if (socket_) socket_->abort();
    socket_.reset();
    lines_.clear();
    sent_.clear();
}

bool NodeClient::connect(const std::string& call) {
    if (layout_) return true;
    if (failedAttempt_ && Clock::now() - *failedAttempt_ < kRetryAfter) {
        fault_ = connectFault_;
        return false;
    }
    std::string host;
    uint16_t port = 0;
    if (!ParseHostPort(address_, host, port)) {
        drop(nodeText() + " is not an address of the form host:port (" + call + " was not sent).");
        return false;
    }
    socket_ = std::make_unique<QTcpSocket>();
    reader_ = std::make_unique<LineReader>(kReplyLimit);
    lines_.clear();
    const Clock::time_point deadline = Clock::now() + timeout();
    socket_->connectToHost(QString::fromStdString(host), port);
    if (!socket_->waitForConnected(static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(timeout()).count()))) {
        drop(nodeText() + " cannot be reached (" + socket_->errorString().toStdString() + "); " + call + " was not sent.");
        return false;
    }
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const auto identification = exchange(call, "*IDN?", deadline);
    if (!identification) return false;
    const std::size_t comma = identification->find(',');
    if (comma == std::string::npos || identification->compare(comma, 7, ",SECoP,") != 0) {
        drop(nodeText() + " is not a SECoP node: it answered *IDN? with " + Quoted(*identification) + "; " + call +
             " was not sent.");
        return false;
    }
    const auto describing = exchange(call, "describe", deadline);
    if (!describing) return false;
    const auto structure = ReadDescribing(*describing);
    std::string missing = "a structure report";
    const auto layout = structure ? ReadLayout(*structure, missing) : std::nullopt;
    if (!layout) {
        drop(nodeText() + " lacks what the program needs: " + missing + "; " + call + " was not sent.");
        return false;
    }
    layout_ = layout;
    failedAttempt_.reset();
    return true;
}

std::optional<std::string> NodeClient::exchange(const std::string& call, const std::string& line, Clock::time_point deadline) {
    const std::string sent = line + "\n";
    socket_->write(sent.data(), static_cast<qint64>(sent.size()));
    socket_->flush();
    for (;;) {
        auto next = nextLine(call, deadline);
        if (!next || (next->rfind("update ", 0) != 0 && next->rfind("error_update ", 0) != 0)) return next;
    }
}

std::optional<std::string> NodeClient::nextLine(const std::string& call, Clock::time_point deadline) {
    while (lines_.empty()) {
        if (socket_->bytesAvailable() == 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            const bool arrived = left > 0 && socket_->waitForReadyRead(static_cast<int>(left));
            if (!arrived) {
                const bool closed = socket_->state() != QAbstractSocket::ConnectedState ||
                                    socket_->error() == QAbstractSocket::RemoteHostClosedError;
                if (closed) drop(nodeText() + " closed the connection during " + call + ".");
                else drop(nodeText() + " did not answer " + call + " within " + Seconds(std::chrono::duration<double>(timeout()).count()) + " s.");
                return std::nullopt;
            }
        }
        const QByteArray bytes = socket_->readAll();
        for (auto& line : reader_->feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) {
            if (line.overlong) {
                drop(nodeText() + " answered " + call + " with a line longer than the client reads.");
                return std::nullopt;
            }
            lines_.push_back(std::move(line.text));
        }
    }
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    return line;
}

// The request and the reads ahead of it go out in one write.
uint64_t NodeClient::send(const std::string& action, const std::string& specifier, const std::optional<Json>& data,
                          const std::vector<std::string>& readsAhead) {
    std::string bytes = (data ? MessageLine(action, specifier, *data) : MessageLine(action, specifier)) + "\n";
    const uint64_t id = nextId_++;
    sent_.push_back({id, action, specifier, std::nullopt, false, false});
    for (const std::string& next : readsAhead) {
        bytes += MessageLine("read", next) + "\n";
        sent_.push_back({nextId_++, "read", next, std::nullopt, true, false});
    }
    socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket_->flush();
    return id;
}

uint64_t NodeClient::sendRead(const std::string& specifier) {
    const auto ahead = std::find_if(sent_.begin(), sent_.end(), [](const Sent& s) { return s.ahead && !s.unused; });
    const std::vector<std::string> expected = readAhead_.read(specifier);
    if (ahead != sent_.end() && ahead->specifier == specifier) {
        ahead->ahead = false;
        return ahead->id;
    }
    forgetReadsAhead();
    return send("read", specifier, std::nullopt, expected);
}

void NodeClient::forgetReadsAhead() {
    for (Sent& s : sent_) s.unused = s.unused || s.ahead;
    std::erase_if(sent_, [](const Sent& s) { return s.unused && s.reply; });
}

// Files a line from the node with the request it answers: the first one sent with its
// action and specifier that is still unanswered. False when the line answers nothing.
bool NodeClient::file(const std::string& call, const std::string& line) {
    Reply reply = ReadReply(line);
    if (reply.kind == Reply::Kind::Passed) return true;
    if (reply.kind == Reply::Kind::Malformed) {
        drop(nodeText() + " answered " + call + " with " + reply.text + ": " + Quoted(line) + ".");
        return false;
    }
    const auto asked = std::find_if(sent_.begin(), sent_.end(), [&reply](const Sent& s) {
        return !s.reply && s.action == reply.request && s.specifier == reply.specifier;
    });
    if (asked == sent_.end()) {
        drop(nodeText() + " answered " + call + " with an answer about " + reply.specifier.substr(0, 63) + ": " + Quoted(line) + ".");
        return false;
    }
    if (asked->unused) sent_.erase(asked);
    else asked->reply = std::move(reply);
    return true;
}

std::optional<Reply> NodeClient::answer(const std::string& call, uint64_t id) {
    const Clock::time_point deadline = Clock::now() + timeout();
    for (;;) {
        const auto waiting = std::find_if(sent_.begin(), sent_.end(), [id](const Sent& s) { return s.id == id; });
        if (waiting == sent_.end()) return std::nullopt;
        if (waiting->reply) {
            std::optional<Reply> reply = std::move(waiting->reply);
            sent_.erase(waiting);
            return reply;
        }
        const auto text = nextLine(call, deadline);
        if (!text || !file(call, *text)) return std::nullopt;
    }
}

std::optional<Json> NodeClient::request(const std::string& call, const std::string& action, const std::string& specifier,
                                        const std::optional<Json>& data) {
    if (!connect(call)) return std::nullopt;
    uint64_t id = 0;
    if (action == "read") {
        id = sendRead(specifier);
    } else {
        forgetReadsAhead();
        readAhead_.commanded(action + " " + specifier);
        id = send(action, specifier, data, {});
    }
    const std::optional<Reply> reply = answer(call, id);
    if (!reply) return std::nullopt;
    if (reply->kind == Reply::Kind::Error) {
        // A value out of range is the instrument refusing it, as a status of 0 says.
        fault_ = reply->errorClass == "RangeError"
                     ? std::string()
                     : nodeText() + " answered " + call + " with " + reply->errorClass + ": " + reply->text + ".";
        return std::nullopt;
    }
    fault_.clear();
    return reply->value;
}

// A spectrometer the node lacks is refused without a fault, as the library refuses it; a
// node that cannot be reached fails the call with its fault.
bool NodeClient::onSpectrometer(const std::string& call, int32_t spectrometer) {
    if (!connect(call)) return false;
    fault_.clear();
    return spectrometer >= 1 && spectrometer <= layout_->spectrometers;
}

// A value of the wrong kind is a node out of step with the program: the call fails.
#define KEST_EXPECT(condition, call)                                                                  \
    if (!(condition)) {                                                                               \
        drop(nodeText() + " answered " + (call) + " with a value of the wrong kind.");                \
        return 0;                                                                                     \
    }

Status NodeClient::KestReadCurrent(float& current) {
    const auto value = request("KestReadCurrent", "read", "beam:value");
    if (!value) return 0;
    KEST_EXPECT(value->is_number(), "KestReadCurrent");
    current = value->get<float>();
    return 1;
}

Status NodeClient::KestSetFaraday(int32_t inserted) {
    if (!connect("KestSetFaraday")) return 0;
    fault_.clear();
    if (!layout_->faraday) return 0;
    return request("KestSetFaraday", "change", "faraday:target", Json(inserted != 0)) ? 1 : 0;
}

Status NodeClient::KestReadXtal(int32_t spectrometer, std::string& crystal) {
    if (!onSpectrometer("KestReadXtal", spectrometer)) return 0;
    const auto value = request("KestReadXtal", "read", Spectrometer(spectrometer) + ":_crystal");
    if (!value) return 0;
    KEST_EXPECT(value->is_string(), "KestReadXtal");
    crystal = value->get<std::string>();
    return 1;
}

Status NodeClient::KestReadPha(int32_t spectrometer, const std::string& /*crystal*/, int32_t /*mode*/, float& deadTimeUs) {
    if (!onSpectrometer("KestReadPha", spectrometer)) return 0;
    const auto value = request("KestReadPha", "read", Spectrometer(spectrometer) + ":_dead_time");
    if (!value) return 0;
    KEST_EXPECT(value->is_number() && value->get<double>() >= 0 && value->get<double>() < 1.0, "KestReadPha");
    deadTimeUs = static_cast<float>(value->get<double>() * 1e6);
    return 1;
}

Status NodeClient::KestLoadCounter(int32_t /*mode*/, float seconds, int32_t /*flags*/) {
    // JSON has no word for a time that is not a number; the counters would refuse it.
    if (!std::isfinite(seconds)) return fault_.clear(), 0;
    return request("KestLoadCounter", "change", "timer:target", Json(static_cast<double>(seconds))) ? 1 : 0;
}

Status NodeClient::KestStartTimer(int32_t /*mode*/) { return request("KestStartTimer", "do", "timer:go") ? 1 : 0; }

Status NodeClient::KestReadSpectroStatus(int32_t spectrometer, int32_t /*mode*/, int32_t& busy) {
    if (!onSpectrometer("KestReadSpectroStatus", spectrometer)) return 0;
    const auto value = request("KestReadSpectroStatus", "read", Spectrometer(spectrometer) + ":status");
    if (!value) return 0;
    KEST_EXPECT(IsStatus(*value), "KestReadSpectroStatus");
    busy = BusyOf(*value);
    return 1;
}

Status NodeClient::KestReadTimer(int32_t spectrometer, float& seconds) {
    if (!onSpectrometer("KestReadTimer", spectrometer)) return 0;
    const auto value = request("KestReadTimer", "read", "timer:value");
    if (!value) return 0;
    KEST_EXPECT(value->is_number(), "KestReadTimer");
    seconds = value->get<float>();
    return 1;
}

Status NodeClient::KestReadCounter(int32_t spectrometer, int32_t& counts) {
    if (!onSpectrometer("KestReadCounter", spectrometer)) return 0;
    const auto value = request("KestReadCounter", "read", Spectrometer(spectrometer) + ":value");
    if (!value) return 0;
    KEST_EXPECT(value->is_number_integer() && value->get<int64_t>() >= 0 &&
                    value->get<int64_t>() <= std::numeric_limits<int32_t>::max(),
                "KestReadCounter");
    counts = static_cast<int32_t>(value->get<int64_t>());
    return 1;
}

Status NodeClient::KestReadStagePos(int32_t axis, int32_t& position) {
    if (!ValidAxis(axis)) return fault_.clear(), 0;
    const auto value = request("KestReadStagePos", "read", std::string(kAxisModules[axis - 1]) + ":value");
    if (!value) return 0;
    KEST_EXPECT(value->is_number() && std::abs(value->get<double>()) < 2147483647.0, "KestReadStagePos");
    position = static_cast<int32_t>(std::lround(value->get<double>()));
    return 1;
}

Status NodeClient::KestBacklashStage(int32_t axis) {
    if (!ValidAxis(axis)) return fault_.clear(), 0;
    return request("KestBacklashStage", "do", std::string(kAxisModules[axis - 1]) + ":_backlash") ? 1 : 0;
}

Status NodeClient::KestLoadStageAbs(int32_t axis, float target) {
    if (!ValidAxis(axis) || !std::isfinite(target)) return fault_.clear(), 0;
    if (!request("KestLoadStageAbs", "change", std::string(kAxisModules[axis - 1]) + ":target", Json(static_cast<double>(target))))
        return 0;
    startAxis_ = axis;
    return 1;
}

// One go starts every loaded axis of the node's stage, as one start of the library does.
Status NodeClient::KestStartStage(int32_t /*mode*/) {
    return request("KestStartStage", "do", std::string(kAxisModules[startAxis_ - 1]) + ":go") ? 1 : 0;
}

Status NodeClient::KestReadStageStatus(int32_t axis, int32_t /*mode*/, int32_t& busy) {
    if (!ValidAxis(axis)) return fault_.clear(), 0;
    const auto value = request("KestReadStageStatus", "read", std::string(kAxisModules[axis - 1]) + ":status");
    if (!value) return 0;
    KEST_EXPECT(IsStatus(*value), "KestReadStageStatus");
    busy = BusyOf(*value);
    return 1;
}

#undef KEST_EXPECT

}  // namespace kest::secop
