#pragma once
// Recording fakes of the suite's libraries. Each fake writes every call it gets, as
// "Name(arg, arg, ...)" with the in-arguments only, to its own `calls` and to the journal
// of the FakeSuite that holds it, so tests can check orders across libraries. Results come
// from public fields; `answers["Name"]` overrides the status of any call (fault injection).

#include "suite/Suite.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kest::fakes {

class Recorder {
public:
    std::vector<std::string> calls;
    std::vector<std::string>* journal = nullptr;
    std::map<std::string, Status> answers;

    int count(const std::string& name) const {
        return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& call) {
            return call.compare(0, name.size() + 1, name + "(") == 0;
        }));
    }

protected:
    template <typename... Args>
    Status record(const std::string& name, Status normal, const Args&... args) {
        std::ostringstream text;
        text << name << '(';
        [[maybe_unused]] const char* separator = "";
        ((text << separator << Shown(args), separator = ", "), ...);
        text << ')';
        calls.push_back(text.str());
        if (journal) journal->push_back(text.str());
        const auto answer = answers.find(name);
        return answer == answers.end() ? normal : answer->second;
    }

    // Fills a library text buffer: resized to its capacity, the text followed by NULs.
    static Status fill(std::string& buffer, int32_t capacity, const std::string& text) {
        buffer.assign(static_cast<std::size_t>(std::max(capacity, 0)), '\0');
        const std::size_t length = std::min(text.size(), buffer.size());
        std::copy_n(text.begin(), length, buffer.begin());
        return static_cast<Status>(length);
    }

private:
    template <typename T>
    static const T& Shown(const T& value) { return value; }
    static std::string Shown(const std::string& text) { return text.substr(0, text.find('\0')); }
};

struct FakeElement {
    int32_t z = 26;
    float conc = 0.0f;
    int32_t profileFlag = 1;
    std::string standard = "Fe";
    int32_t spectrometer = 1;
    std::string crystal = "LIF";
    float beamCurrent = 20.0f;
    float average = 1.0f;
    std::array<int32_t, 6> spectroPositions{};  // peak, bg low, bg high, width low, width high, unused
    float currentFactor = 1.0f;
};

struct FakePoint {
    int32_t x = 0, y = 0, z = 0;
    std::string label;
    std::map<int32_t, std::array<float, 5>> measures;  // by element position
    std::map<int32_t, ComputeResult> results;          // by element position
};

// A path answer of Reset, Open, Save or Save As: the path, and its length unless given.
struct PathAnswer {
    std::string path;
    std::optional<Status> length;
};

class FakeDatabase : public AnalysisDatabase, public Recorder {
public:
    std::string keyAfterCall;  // when set, every call rewrites the key to it
    PathAnswer reset{"/data/profile.ana", std::nullopt}, open{"/data/opened.ana", std::nullopt},
        save{"/data/saved.ana", std::nullopt}, saveAs{"/data/saved-as.ana", std::nullopt};
    std::string title, userName, company, comments, lastModTime;
    std::vector<FakeElement> elements;
    std::vector<FakePoint> points;
    int32_t spectrometers = 5;
    Status beamCurrentReadable = 1, faradayCup = 1;

    Status KestDbObjectNew(std::string& key, int32_t kind, int32_t flags) override { return keyed(key, record("KestDbObjectNew", 1, key, kind, flags)); }
    Status KestDbObjectRead(std::string& key, const std::string& path) override { return keyed(key, record("KestDbObjectRead", 1, key, path)); }
    Status KestDbObjectDelete(std::string& key) override { return keyed(key, record("KestDbObjectDelete", 1, key)); }

    Status KestDbReset(std::string& key, std::string& path, int32_t capacity) override { return answerPath("KestDbReset", reset, key, path, capacity); }
    Status KestDbOpen(std::string& key, std::string& path, int32_t capacity) override { return answerPath("KestDbOpen", open, key, path, capacity); }
    Status KestDbSave(std::string& key, std::string& path, int32_t capacity) override { return answerPath("KestDbSave", save, key, path, capacity); }
    Status KestDbSaveAs(std::string& key, std::string& path, int32_t capacity) override { return answerPath("KestDbSaveAs", saveAs, key, path, capacity); }

    Status KestDbGetTitle(std::string& key, std::string& b, int32_t c) override { return keyed(key, record("KestDbGetTitle", fill(b, c, title), key, c)); }
    Status KestDbGetUserName(std::string& key, std::string& b, int32_t c) override { return keyed(key, record("KestDbGetUserName", fill(b, c, userName), key, c)); }
    Status KestDbGetCompany(std::string& key, std::string& b, int32_t c) override { return keyed(key, record("KestDbGetCompany", fill(b, c, company), key, c)); }
    Status KestDbGetComments(std::string& key, std::string& b, int32_t c) override { return keyed(key, record("KestDbGetComments", fill(b, c, comments), key, c)); }
    Status KestDbLastModTime(std::string& key, std::string& b, int32_t c) override { return keyed(key, record("KestDbLastModTime", fill(b, c, lastModTime), key, c)); }
    Status KestDbSetTitle(std::string& key, const std::string& t) override { title = t; return keyed(key, record("KestDbSetTitle", 1, key, t)); }
    Status KestDbSetUserName(std::string& key, const std::string& t) override { userName = t; return keyed(key, record("KestDbSetUserName", 1, key, t)); }
    Status KestDbSetCompany(std::string& key, const std::string& t) override { company = t; return keyed(key, record("KestDbSetCompany", 1, key, t)); }
    Status KestDbSetComments(std::string& key, const std::string& t) override { comments = t; return keyed(key, record("KestDbSetComments", 1, key, t)); }

    Status KestDbNbElt(std::string& key) override { return keyed(key, record("KestDbNbElt", static_cast<Status>(elements.size()), key)); }
    Status KestDbEltNrAtom(std::string& key, int32_t position) override {
        const FakeElement* e = element(position, kByPosition);
        return keyed(key, record("KestDbEltNrAtom", e ? e->z : 0, key, position));
    }
    Status KestDbEltGetConc(std::string& key, int32_t element_, int32_t selector, float& conc, int32_t& flag) override {
        const FakeElement* e = element(element_, selector);
        if (e) conc = e->conc, flag = e->profileFlag;
        return keyed(key, record("KestDbEltGetConc", e ? 1 : 0, key, element_, selector));
    }
    Status KestDbEltGetStandardName(std::string& key, int32_t element_, int32_t selector, std::string& b, int32_t c) override {
        const FakeElement* e = element(element_, selector);
        return keyed(key, record("KestDbEltGetStandardName", fill(b, c, e ? e->standard : ""), key, element_, selector, c));
    }
    Status KestDbEltGetSpAndXtal(std::string& key, int32_t element_, int32_t selector, int32_t& sp, std::string& crystal, int32_t c) override {
        const FakeElement* e = element(element_, selector);
        if (e) sp = e->spectrometer;
        fill(crystal, c, e ? e->crystal : "");
        return keyed(key, record("KestDbEltGetSpAndXtal", e ? e->spectrometer : 0, key, element_, selector, c));
    }

    Status KestDbGetNbPts(std::string& key) override { return keyed(key, record("KestDbGetNbPts", static_cast<Status>(points.size()), key)); }
    Status KestDbAddPt(std::string& key, int32_t x, int32_t y, int32_t z) override {
        points.push_back({x, y, z, "", {}, {}});
        return keyed(key, record("KestDbAddPt", 1, key, x, y, z));
    }
    Status KestDbSetStagePos(std::string& key, int32_t p, int32_t x, int32_t y, int32_t z) override {
        if (FakePoint* pt = point(p)) pt->x = x, pt->y = y, pt->z = z;
        return keyed(key, record("KestDbSetStagePos", point(p) ? 1 : 0, key, p, x, y, z));
    }
    Status KestDbGetStagePos(std::string& key, int32_t p, int32_t& x, int32_t& y, int32_t& z) override {
        if (const FakePoint* pt = point(p)) x = pt->x, y = pt->y, z = pt->z;
        return keyed(key, record("KestDbGetStagePos", point(p) ? 1 : 0, key, p));
    }
    Status KestDbDeletePt(std::string& key, int32_t p) override {
        const bool found = point(p) != nullptr;
        if (found) points.erase(points.begin() + p);
        return keyed(key, record("KestDbDeletePt", found ? 1 : 0, key, p));
    }
    Status KestDbGetAnaLabel(std::string& key, int32_t p, std::string& b, int32_t c) override {
        return keyed(key, record("KestDbGetAnaLabel", fill(b, c, point(p) ? point(p)->label : ""), key, p, c));
    }
    Status KestDbSetAnaLabel(std::string& key, int32_t p, const std::string& label, int32_t flags) override {
        if (FakePoint* pt = point(p)) pt->label = label.substr(0, label.find('\0'));
        return keyed(key, record("KestDbSetAnaLabel", point(p) ? 1 : 0, key, p, label, flags));
    }

    Status KestDbEltGetMeasures(std::string& key, int32_t el, int32_t sel, int32_t p, float& m1, float& m2, float& m3,
                                float& m4, float& m5) override {
        const std::array<float, 5> m = stored(el, sel, p, &FakePoint::measures);
        m1 = m[0], m2 = m[1], m3 = m[2], m4 = m[3], m5 = m[4];
        return keyed(key, record("KestDbEltGetMeasures", located(el, sel, p), key, el, sel, p));
    }
    Status KestDbEltSetMeasures(std::string& key, int32_t el, int32_t sel, int32_t p, float m1, float m2, float m3,
                                float m4, float m5) override {
        if (located(el, sel, p)) point(p)->measures[position(el, sel)] = {m1, m2, m3, m4, m5};
        return keyed(key, record("KestDbEltSetMeasures", located(el, sel, p), key, el, sel, p, m1, m2, m3, m4, m5));
    }
    Status KestDbEltGetComputeRes(std::string& key, int32_t el, int32_t sel, int32_t p, ComputeResult& result) override {
        result = stored(el, sel, p, &FakePoint::results);
        return keyed(key, record("KestDbEltGetComputeRes", located(el, sel, p), key, el, sel, p));
    }
    Status KestDbEltSetComputeRes(std::string& key, int32_t el, int32_t sel, int32_t p, const ComputeResult& result) override {
        if (located(el, sel, p)) point(p)->results[position(el, sel)] = result;
        return keyed(key, record("KestDbEltSetComputeRes", located(el, sel, p), key, el, sel, p, result.field[0]));
    }
    Status KestDbEltGetBcAv(std::string& key, int32_t el, int32_t sel, float& beamCurrent, float& average) override {
        const FakeElement* e = element(el, sel);
        if (e) beamCurrent = e->beamCurrent, average = e->average;
        return keyed(key, record("KestDbEltGetBcAv", e ? 1 : 0, key, el, sel));
    }
    Status KestDbEltGetSpectroPositions(std::string& key, int32_t el, int32_t sel, int32_t& sp, int32_t& peak, int32_t& bgLow,
                                        float& currentFactor, int32_t& bgHigh, int32_t& widthLow, int32_t& widthHigh) override {
        if (const FakeElement* e = element(el, sel)) {
            sp = e->spectrometer, peak = e->spectroPositions[0], bgLow = e->spectroPositions[1];
            currentFactor = e->currentFactor, bgHigh = e->spectroPositions[2];
            widthLow = e->spectroPositions[3], widthHigh = e->spectroPositions[4];
        }
        return keyed(key, record("KestDbEltGetSpectroPositions", element(el, sel) ? 1 : 0, key, el, sel));
    }

    Status KestGetNbSpectros() override { return record("KestGetNbSpectros", spectrometers); }
    Status KestGetReadBeamCurrentExist() override { return record("KestGetReadBeamCurrentExist", beamCurrentReadable); }
    Status KestGetFaradayCupExist() override { return record("KestGetFaradayCupExist", faradayCup); }

    std::string KestElementSymbolVB(int32_t z) override {
        static const std::array<const char*, 30> symbols{"H",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne",
                                                         "Na", "Mg", "Al", "Si", "P",  "S",  "Cl", "Ar", "K",  "Ca",
                                                         "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu", "Zn"};
        record("KestElementSymbolVB", 0, z);
        return z >= 1 && z <= 30 ? symbols[static_cast<std::size_t>(z - 1)] : "";
    }

    // Element (element, selector) as the database addresses it: by position (-1) or by
    // atomic number (0); -1 when there is no such element.
    int32_t position(int32_t el, int32_t selector) const {
        if (selector == kByPosition) return el >= 0 && el < static_cast<int32_t>(elements.size()) ? el : -1;
        for (std::size_t i = 0; i < elements.size(); ++i)
            if (elements[i].z == el) return static_cast<int32_t>(i);
        return -1;
    }
    const FakeElement* element(int32_t el, int32_t selector) const {
        const int32_t i = position(el, selector);
        return i < 0 ? nullptr : &elements[static_cast<std::size_t>(i)];
    }
    FakePoint* point(int32_t p) { return p >= 0 && p < static_cast<int32_t>(points.size()) ? &points[static_cast<std::size_t>(p)] : nullptr; }

private:
    Status keyed(std::string& key, Status status) const {
        if (!keyAfterCall.empty()) key = keyAfterCall;
        return status;
    }
    Status answerPath(const char* name, const PathAnswer& answer, std::string& key, std::string& path, int32_t capacity) {
        const Status written = fill(path, capacity, answer.path);
        return keyed(key, record(name, answer.length.value_or(written), key, capacity));
    }
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
    int32_t deadTimeUs = 2;
    std::array<int32_t, 5> counts{};        // what each spectrometer counted
    float elapsed = 0.0f;                    // what the timer reads
    std::array<int32_t, 3> stage{};          // where the stage stands, by axis
    int busyPolls = 0;                       // status polls that report busy after each start

    Status KestReadCurrent(float& c) override { c = current; return record("KestReadCurrent", 1); }
    Status KestSetFaraday(int32_t inserted) override { return record("KestSetFaraday", 1, inserted); }
    Status KestReadXtal(int32_t sp, std::string& crystal) override {
        crystal = valid(sp) ? crystals[index(sp)] : "";
        return record("KestReadXtal", valid(sp) ? 1 : 0, sp);
    }
    Status KestReadPha(int32_t sp, const std::string& crystal, int32_t mode, int32_t& deadTime) override {
        deadTime = deadTimeUs;
        return record("KestReadPha", 1, sp, crystal, mode);
    }
    Status KestLoadCounter(int32_t mode, float seconds, int32_t flags) override { return record("KestLoadCounter", 1, mode, seconds, flags); }
    Status KestStartTimer(int32_t mode) override {
        spectroPollsLeft_ = busyPolls;
        return record("KestStartTimer", 1, mode);
    }
    Status KestReadSpectroStatus(int32_t sp, int32_t mode, int32_t& busy) override {
        busy = spectroPollsLeft_ > 0 ? (--spectroPollsLeft_, 1) : 0;
        return record("KestReadSpectroStatus", 1, sp, mode);
    }
    Status KestReadTimer(int32_t sp, float& seconds) override { seconds = elapsed; return record("KestReadTimer", 1, sp); }
    Status KestReadCounter(int32_t sp, int32_t& c) override {
        c = valid(sp) ? counts[index(sp)] : 0;
        return record("KestReadCounter", valid(sp) ? 1 : 0, sp);
    }
    Status KestReadStagePos(int32_t axis, int32_t& position) override {
        position = axis >= 1 && axis <= 3 ? stage[static_cast<std::size_t>(axis - 1)] : 0;
        return record("KestReadStagePos", 1, axis);
    }
    Status KestBacklashStage(int32_t axis) override { return record("KestBacklashStage", 1, axis); }
    Status KestLoadStageAbs(int32_t axis, float target) override {
        if (axis >= 1 && axis <= 3) loaded_[static_cast<std::size_t>(axis - 1)] = target;
        return record("KestLoadStageAbs", 1, axis, target);
    }
    Status KestStartStage(int32_t mode) override {
        for (std::size_t i = 0; i < 3; ++i)
            if (loaded_[i]) stage[i] = static_cast<int32_t>(*loaded_[i]), loaded_[i].reset();
        stagePollsLeft_ = busyPolls;
        return record("KestStartStage", 1, mode);
    }
    Status KestReadStageStatus(int32_t axis, int32_t mode, int32_t& busy) override {
        busy = stagePollsLeft_ > 0 ? (--stagePollsLeft_, 1) : 0;
        return record("KestReadStageStatus", 1, axis, mode);
    }

private:
    static bool valid(int32_t sp) { return sp >= 1 && sp <= 5; }
    static std::size_t index(int32_t sp) { return static_cast<std::size_t>(sp - 1); }
    std::array<std::optional<float>, 3> loaded_{};
    int spectroPollsLeft_ = 0;
    int stagePollsLeft_ = 0;
};

class FakeComputation : public Computation, public Recorder {
public:
    Status KestComputeQti(std::string& key, int32_t point, int32_t mode, int32_t flags) override {
        return record("KestComputeQti", 1, key, point, mode, flags);
    }
};

class FakeLogging : public Logging, public Recorder {
public:
    std::string keySuffix = "-4711-0001";  // the unique key is the prefix followed by this
    Status uniqueAnswer = 0;               // what KestCheckUnique answers
    std::vector<std::string> lines;        // the acquisition log

    Status KestPrintfVB(const std::string& text) override {
        lines.push_back(text);
        return record("KestPrintfVB", 1, text);
    }
    Status KestGetUniqueObjectKey(std::string& buffer, int32_t capacity, const std::string& prefix) override {
        const Status length = fill(buffer, capacity, prefix + keySuffix);
        return record("KestGetUniqueObjectKey", length, capacity, prefix);
    }
    Status KestCheckUnique(int32_t windowHandle, const std::string& title) override {
        return record("KestCheckUnique", uniqueAnswer, windowHandle, title);
    }
};

class FakeRegistry : public Registry, public Recorder {
public:
    std::map<std::string, std::string> values;  // by "root/section/key"

    static std::string path(const std::string& root, const std::string& section, const std::string& key) {
        return root + "/" + section + "/" + key;
    }
    int32_t KestRegisterGetInt(const std::string& section, const std::string& key, int32_t defaultValue,
                               const std::string& root) override {
        int32_t value = defaultValue;
        if (const auto found = values.find(path(root, section, key)); found != values.end()) {
            std::istringstream text(found->second);
            if (int32_t stored = 0; text >> stored) value = stored;
        }
        return record("KestRegisterGetInt", value, section, key, defaultValue, root);
    }
    Status KestRegisterSetString(const std::string& section, const std::string& key, const std::string& value,
                                 const std::string& root) override {
        values[path(root, section, key)] = value;
        return record("KestRegisterSetString", 1, section, key, value, root);
    }
};

class FakeAnalysisProgram : public AnalysisProgram, public Recorder {
public:
    bool startable = true;
    std::string failure = "The analysis program cannot be started.";

    bool start(std::string& error) override {
        record("start", 0);
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
