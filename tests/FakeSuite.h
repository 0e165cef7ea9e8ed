#pragma once
// Recording fakes of the suite's libraries. Each fake writes every call it gets, as
// "Name(arg, arg, ...)" with the in-arguments only, to its own `calls` and to the journal
// of the FakeSuite that holds it, so tests can check orders across libraries. Results come
// from public fields; `answers["Name"]` overrides the status of any call (fault injection).

#include "suite/ElementSymbols.h"
#include "suite/Suite.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kest::fakes {

class Recorder {
public:
    using S = std::string;
    std::vector<std::string> calls;
    std::vector<std::string>* journal = nullptr;
    std::map<std::string, Status> answers;

    // The calls of `name`, in their order.
    std::vector<std::string> named(const std::string& name) const {
        std::vector<std::string> found;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(found), [&](const std::string& c) { return c.rfind(name + "(", 0) == 0; });
        return found;
    }
    int count(const std::string& name) const { return static_cast<int>(named(name).size()); }

protected:
    // Callers pass __func__ as the name. Texts are shown up to their first NUL.
    template <typename... Args>
    Status record(const std::string& name, Status normal, const Args&... args) {
        std::ostringstream text;
        [[maybe_unused]] const char* separator = "";
        text << name << '(';
        ((text << std::exchange(separator, ", ") << shown(args)), ...);
        calls.push_back(text.str() + ')');
        if (journal) journal->push_back(calls.back());
        const auto answer = answers.find(name);
        return answer == answers.end() ? normal : answer->second;
    }

    // Fills a library text buffer: resized to its capacity, the text followed by NULs.
    static Status fill(std::string& buffer, int32_t capacity, const std::string& text) {
        buffer.assign(static_cast<std::size_t>(std::max(capacity, 0)), '\0');
        return static_cast<Status>(text.copy(buffer.data(), buffer.size()));
    }

private:
    template <typename T> static const T& shown(const T& value) { return value; }
    static std::string shown(const std::string& text) { return text.substr(0, text.find('\0')); }
};

struct FakeElement {
    int32_t z = 26, profileFlag = 1, spectrometer = 1;
    float conc = 0.0f, beamCurrent = 20.0f, average = 1.0f, currentFactor = 1.0f;
    std::string standard = "Fe", crystal = "LIF";
    std::array<int32_t, 6> spectroPositions{};  // peak, bg low, bg high, width low, width high, unused
};

struct FakePoint {
    int32_t x = 0, y = 0, z = 0;
    std::string label;
    std::map<int32_t, std::array<float, 5>> measures;  // by element position
    std::map<int32_t, ComputeResult> results;          // by element position
    PointStatus status = PointStatus::None;
};

// A path answer of Reset, Open, Save or Save As: the path, and its length unless given.
struct PathAnswer {
    std::string path;
    std::optional<Status> length{};
};

class FakeDatabase : public AnalysisDatabase, public Recorder {
public:
    std::string keyAfterCall;  // when set, every call rewrites the key to it
    PathAnswer reset{"/data/profile.ana"}, open{"/data/opened.ana"}, save{"/data/saved.ana"}, saveAs{"/data/saved-as.ana"};
    std::string title, userName, company, comments, lastModTime;
    std::vector<FakeElement> elements;
    std::vector<FakePoint> points;
    int32_t spectrometers = 5;
    Status beamCurrentReadable = 1, faradayCup = 1;

    Status KestDbObjectNew(S& key, int32_t kind, int32_t flags) override { return keyed(__func__, key, 1, kind, flags); }
    Status KestDbObjectRead(S& key, const S& path) override { return keyed(__func__, key, 1, path); }
    Status KestDbObjectDelete(S& key) override { return keyed(__func__, key, 1); }

    Status KestDbReset(S& key, S& path, int32_t c) override { return keyedPath(__func__, reset, key, path, c); }
    Status KestDbOpen(S& key, S& path, int32_t c) override { return keyedPath(__func__, open, key, path, c); }
    Status KestDbSave(S& key, S& path, int32_t c) override { return keyedPath(__func__, save, key, path, c); }
    Status KestDbSaveAs(S& key, S& path, int32_t c) override { return keyedPath(__func__, saveAs, key, path, c); }

    Status KestDbGetTitle(S& key, S& b, int32_t c) override { return keyed(__func__, key, fill(b, c, title), c); }
    Status KestDbGetUserName(S& key, S& b, int32_t c) override { return keyed(__func__, key, fill(b, c, userName), c); }
    Status KestDbGetCompany(S& key, S& b, int32_t c) override { return keyed(__func__, key, fill(b, c, company), c); }
    Status KestDbGetComments(S& key, S& b, int32_t c) override { return keyed(__func__, key, fill(b, c, comments), c); }
    Status KestDbLastModTime(S& key, S& b, int32_t c) override { return keyed(__func__, key, fill(b, c, lastModTime), c); }
    Status KestDbSetTitle(S& key, const S& t) override { title = t; return keyed(__func__, key, 1, t); }
    Status KestDbSetUserName(S& key, const S& t) override { userName = t; return keyed(__func__, key, 1, t); }
    Status KestDbSetCompany(S& key, const S& t) override { company = t; return keyed(__func__, key, 1, t); }
    Status KestDbSetComments(S& key, const S& t) override { comments = t; return keyed(__func__, key, 1, t); }

    Status KestDbNbElt(S& key) override { return keyed(__func__, key, static_cast<Status>(elements.size())); }
    Status KestDbEltNrAtom(S& key, int32_t p) override { return keyed(__func__, key, has(p, kByPosition) ? element(p, kByPosition)->z : 0, p); }
    Status KestDbEltGetConc(S& key, int32_t el, int32_t sel, float& conc, int32_t& flag) override {
        if (const FakeElement* e = element(el, sel)) conc = e->conc, flag = e->profileFlag;
        return keyed(__func__, key, has(el, sel), el, sel);
    }
    Status KestDbEltGetStandardName(S& key, int32_t el, int32_t sel, S& b, int32_t c) override {
        return keyed(__func__, key, fill(b, c, has(el, sel) ? element(el, sel)->standard : ""), el, sel, c);
    }
    Status KestDbEltGetSpAndXtal(S& key, int32_t el, int32_t sel, int32_t& sp, S& crystal, int32_t c) override {
        const FakeElement* e = element(el, sel);
        if (e) sp = e->spectrometer;
        fill(crystal, c, e ? e->crystal : "");
        return keyed(__func__, key, e ? e->spectrometer : 0, el, sel, c);
    }

    Status KestDbGetNbPts(S& key) override { return keyed(__func__, key, static_cast<Status>(points.size())); }
    Status KestDbAddPt(S& key, int32_t x, int32_t y, int32_t z) override {
        points.push_back({x, y, z, "", {}, {}});
        return keyed(__func__, key, 1, x, y, z);
    }
    Status KestDbSetStagePos(S& key, int32_t p, int32_t x, int32_t y, int32_t z) override {
        if (FakePoint* pt = point(p)) pt->x = x, pt->y = y, pt->z = z;
        return keyed(__func__, key, point(p) ? 1 : 0, p, x, y, z);
    }
    Status KestDbGetStagePos(S& key, int32_t p, int32_t& x, int32_t& y, int32_t& z) override {
        if (const FakePoint* pt = point(p)) x = pt->x, y = pt->y, z = pt->z;
        return keyed(__func__, key, point(p) ? 1 : 0, p);
    }
    Status KestDbDeletePt(S& key, int32_t p) override {
        const Status found = point(p) ? 1 : 0;
        if (found) points.erase(points.begin() + p);
        return keyed(__func__, key, found, p);
    }
    Status KestDbMovePt(S& key, int32_t from, int32_t to) override {
        const Status found = point(from) && point(to) ? 1 : 0;
        const auto at = [&](int32_t p) { return points.begin() + p; };
        if (found && from > to) std::rotate(at(to), at(from), at(from + 1));
        if (found && from < to) std::rotate(at(from), at(from + 1), at(to + 1));
        return keyed(__func__, key, found, from, to);
    }
    Status KestDbGetAnaLabel(S& key, int32_t p, S& b, int32_t c) override {
        return keyed(__func__, key, fill(b, c, point(p) ? point(p)->label : ""), p, c);
    }
    Status KestDbSetAnaLabel(S& key, int32_t p, const S& label, int32_t flags) override {
        if (FakePoint* pt = point(p)) pt->label = label.substr(0, label.find('\0'));
        return keyed(__func__, key, point(p) ? 1 : 0, p, label, flags);
    }

    Status KestDbEltGetMeasures(S& key, int32_t el, int32_t sel, int32_t p, float& m1, float& m2, float& m3, float& m4,
                                float& m5) override {
        const std::array<float, 5> m = stored(el, sel, p, &FakePoint::measures);
        m1 = m[0], m2 = m[1], m3 = m[2], m4 = m[3], m5 = m[4];
        return keyed(__func__, key, located(el, sel, p), el, sel, p);
    }
    Status KestDbEltSetMeasures(S& key, int32_t el, int32_t sel, int32_t p, float m1, float m2, float m3, float m4,
                                float m5) override {
        if (located(el, sel, p)) point(p)->measures[position(el, sel)] = {m1, m2, m3, m4, m5};
        return keyed(__func__, key, located(el, sel, p), el, sel, p, m1, m2, m3, m4, m5);
    }
    Status KestDbEltGetComputeRes(S& key, int32_t el, int32_t sel, int32_t p, ComputeResult& result) override {
        result = stored(el, sel, p, &FakePoint::results);
        return keyed(__func__, key, located(el, sel, p), el, sel, p);
    }
    Status KestDbEltSetComputeRes(S& key, int32_t el, int32_t sel, int32_t p, const ComputeResult& result) override {
        if (located(el, sel, p)) point(p)->results[position(el, sel)] = result;
        return keyed(__func__, key, located(el, sel, p), el, sel, p, result.field[0]);
    }
    Status KestDbGetPointStatus(S& key, int32_t p, PointStatus& status) override {
        if (const FakePoint* pt = point(p)) status = pt->status;
        return keyed(__func__, key, point(p) ? 1 : 0, p);
    }
    Status KestDbSetPointStatus(S& key, int32_t p, PointStatus status) override {
        if (FakePoint* pt = point(p)) pt->status = status;
        return keyed(__func__, key, point(p) ? 1 : 0, p, static_cast<int>(status));
    }
    Status KestDbEltGetBcAv(S& key, int32_t el, int32_t sel, float& beamCurrent, float& average) override {
        if (const FakeElement* e = element(el, sel)) beamCurrent = e->beamCurrent, average = e->average;
        return keyed(__func__, key, has(el, sel), el, sel);
    }
    Status KestDbEltGetSpectroPositions(S& key, int32_t el, int32_t sel, int32_t& sp, int32_t& peak, int32_t& bgLow,
                                        float& currentFactor, int32_t& bgHigh, int32_t& widthLow, int32_t& widthHigh) override {
        if (const FakeElement* e = element(el, sel)) {
            const auto& at = e->spectroPositions;
            sp = e->spectrometer, currentFactor = e->currentFactor;
            peak = at[0], bgLow = at[1], bgHigh = at[2], widthLow = at[3], widthHigh = at[4];
        }
        return keyed(__func__, key, has(el, sel), el, sel);
    }

    Status KestGetNbSpectros() override { return record(__func__, spectrometers); }
    Status KestGetReadBeamCurrentExist() override { return record(__func__, beamCurrentReadable); }
    Status KestGetFaradayCupExist() override { return record(__func__, faradayCup); }
    std::string KestElementSymbolVB(int32_t z) override { record(__func__, 0, z); return ElementSymbol(z); }

    // Element (element, selector) as the database addresses it: by position (-1) or by
    // atomic number (0); -1 when there is no such element.
    int32_t position(int32_t el, int32_t selector) const {
        if (selector == kByPosition) return el >= 0 && el < static_cast<int32_t>(elements.size()) ? el : -1;
        const auto found = std::find_if(elements.begin(), elements.end(), [el](const FakeElement& e) { return e.z == el; });
        return found == elements.end() ? -1 : static_cast<int32_t>(found - elements.begin());
    }
    const FakeElement* element(int32_t el, int32_t selector) const {
        const int32_t i = position(el, selector);
        return i < 0 ? nullptr : &elements[static_cast<std::size_t>(i)];
    }
    FakePoint* point(int32_t p) { return p >= 0 && p < static_cast<int32_t>(points.size()) ? &points[std::size_t(p)] : nullptr; }

private:
    // Records the call with its key first, then hands back keyAfterCall as the library's key.
    template <typename... Args>
    Status keyed(const char* name, S& key, Status normal, const Args&... args) {
        const Status status = record(name, normal, key, args...);
        if (!keyAfterCall.empty()) key = keyAfterCall;
        return status;
    }
    Status keyedPath(const char* name, const PathAnswer& answer, S& key, S& path, int32_t capacity) {
        const Status written = fill(path, capacity, answer.path);
        return keyed(name, key, answer.length.value_or(written), capacity);
    }
    Status has(int32_t el, int32_t sel) const { return element(el, sel) ? 1 : 0; }
    Status located(int32_t el, int32_t sel, int32_t p) { return position(el, sel) >= 0 && point(p) ? 1 : 0; }
    template <typename T>
    T stored(int32_t el, int32_t sel, int32_t p, std::map<int32_t, T> FakePoint::*table) {
        if (!located(el, sel, p)) return T{};
        const auto& values = point(p)->*table;
        const auto found = values.find(position(el, sel));
        return found == values.end() ? T{} : found->second;
    }
};

class FakeMicroprobe : public Microprobe, public Recorder {
public:
    float current = 20.0f;
    std::array<std::string, 5> crystals{"LIF", "PET", "TAP", "LPET", "LLIF"};
    float deadTimeUs = 2.0f;
    std::map<int32_t, float> deadTimesUs;  // by spectrometer, where it has its own
    std::array<int32_t, 5> counts{};  // what each spectrometer counted
    float elapsed = 0.0f;             // what the timer reads
    std::array<int32_t, 3> stage{};   // where the stage stands, by axis
    int counterBusyPolls = 0;         // status polls that report busy after each timer start
    int stageBusyPolls = 0;           // and after each stage start
    std::deque<float> currents;       // when not empty, each current read takes the next
    // When set, the count of each read of a spectrometer by its number of reads so far;
    // it may set answers to make this very read fail.
    std::function<int32_t(int32_t sp, int read)> countAt;

    Status KestReadCurrent(float& c) override {
        c = currents.empty() ? current : currents.front();
        if (!currents.empty()) currents.pop_front();
        return record(__func__, 1);
    }
    Status KestSetFaraday(int32_t inserted) override { return record(__func__, 1, inserted); }
    Status KestReadXtal(int32_t sp, S& xtal) override { xtal = valid(sp) ? crystals[index(sp)] : ""; return record(__func__, valid(sp), sp); }
    Status KestReadPha(int32_t sp, const S& crystal, int32_t mode, float& deadTime) override {
        deadTime = deadTimesUs.contains(sp) ? deadTimesUs.at(sp) : deadTimeUs;
        return record(__func__, 1, sp, crystal, mode);
    }
    Status KestLoadCounter(int32_t mode, float seconds, int32_t flags) override { return record(__func__, 1, mode, seconds, flags); }
    Status KestStartTimer(int32_t mode) override { spectroLeft_ = counterBusyPolls; return record(__func__, 1, mode); }
    Status KestReadSpectroStatus(int32_t sp, int32_t mode, int32_t& b) override { b = polled(spectroLeft_); return record(__func__, 1, sp, mode); }
    Status KestReadTimer(int32_t sp, float& seconds) override { seconds = elapsed; return record(__func__, 1, sp); }
    Status KestReadCounter(int32_t sp, int32_t& c) override {
        c = !valid(sp) ? 0 : countAt ? countAt(sp, reads_[index(sp)]++) : counts[index(sp)];
        return record(__func__, valid(sp), sp);
    }
    Status KestReadStagePos(int32_t axis, int32_t& at) override { at = onStage(axis) ? stage[index(axis)] : 0; return record(__func__, 1, axis); }
    Status KestBacklashStage(int32_t axis) override { return record(__func__, 1, axis); }
    Status KestLoadStageAbs(int32_t axis, float target) override {
        if (onStage(axis)) loaded_[index(axis)] = target;
        return record(__func__, 1, axis, target);
    }
    Status KestStartStage(int32_t mode) override {
        for (std::size_t i = 0; i < 3; ++i)
            if (loaded_[i]) stage[i] = static_cast<int32_t>(*loaded_[i]), loaded_[i].reset();
        stageLeft_ = stageBusyPolls;
        return record(__func__, 1, mode);
    }
    Status KestReadStageStatus(int32_t axis, int32_t mode, int32_t& b) override { b = polled(stageLeft_); return record(__func__, 1, axis, mode); }

private:
    static Status valid(int32_t sp) { return sp >= 1 && sp <= 5 ? 1 : 0; }
    static std::size_t index(int32_t number) { return static_cast<std::size_t>(number - 1); }
    static bool onStage(int32_t axis) { return axis >= 1 && axis <= 3; }
    static int32_t polled(int& busyLeft) { return busyLeft > 0 ? (--busyLeft, 1) : 0; }
    std::array<std::optional<float>, 3> loaded_{};
    int spectroLeft_ = 0, stageLeft_ = 0;  // busy polls left
    std::array<int, 5> reads_{};           // counter reads by spectrometer
};

class FakeComputation : public Computation, public Recorder {
public:
    Status KestComputeQti(S& key, int32_t p, int32_t mode, int32_t flags) override { return record(__func__, 1, key, p, mode, flags); }
};

class FakeLogging : public Logging, public Recorder {
public:
    std::string keySuffix = "-4711-0001";  // the unique key is the prefix followed by this
    Status uniqueAnswer = 0;               // what KestCheckUnique answers
    std::vector<std::string> lines;        // the acquisition log

    Status KestPrintfVB(const S& text) override { lines.push_back(text); return record(__func__, 1, text); }
    Status KestGetUniqueObjectKey(S& buffer, int32_t capacity, const S& prefix) override {
        return record(__func__, fill(buffer, capacity, prefix + keySuffix), capacity, prefix);
    }
    Status KestCheckUnique(int32_t window, const S& title) override { return record(__func__, uniqueAnswer, window, title); }
};

class FakeRegistry : public Registry, public Recorder {
public:
    std::map<std::string, std::string> values;  // by "root/section/key"

    static S path(const S& root, const S& section, const S& key) { return root + "/" + section + "/" + key; }
    int32_t KestRegisterGetInt(const S& section, const S& key, int32_t defaultValue, const S& root) override {
        int32_t value = defaultValue;
        if (const auto found = values.find(path(root, section, key)); found != values.end())
            if (int32_t stored = 0; std::istringstream(found->second) >> stored) value = stored;
        return record(__func__, value, section, key, defaultValue, root);
    }
    Status KestRegisterSetString(const S& section, const S& key, const S& value, const S& root) override {
        values[path(root, section, key)] = value;
        return record(__func__, 1, section, key, value, root);
    }
};

class FakeAnalysisProgram : public AnalysisProgram, public Recorder {
public:
    bool startable = true;
    std::string failure = "The analysis program cannot be started.";

    bool start(std::string& error) override {
        record(__func__, 0);
        if (!startable) error = failure;
        return startable;
    }
};

// Every fake, journalled together, and the kest::Suite made of them.
struct FakeSuite {
    std::vector<std::string> journal;
    FakeDatabase db;
    FakeMicroprobe probe;
    FakeComputation comp;
    FakeLogging log;
    FakeRegistry reg;
    FakeAnalysisProgram ana;
    Suite suite{db, probe, comp, log, reg, ana};

    FakeSuite() {
        for (Recorder* fake : std::initializer_list<Recorder*>{&db, &probe, &comp, &log, &reg, &ana}) fake->journal = &journal;
    }
    FakeSuite(const FakeSuite&) = delete;
    FakeSuite& operator=(const FakeSuite&) = delete;
};

}  // namespace kest::fakes
