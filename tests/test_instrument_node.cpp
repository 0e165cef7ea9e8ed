// The simulated microprobe as a SECoP node, and the program driving it as a client: the
// node's answers to raw lines, good and bad; what a watching client sees; a scan through
// the node against the same scan on the built-in simulator; and a node that dies, answers
// garbage or lacks what the program needs.

#include "HeadlessFixture.h"
#include "NodeOnThread.h"
#include "ScanOnSimulator.h"

#include "acquisition/ScanCommands.h"
#include "app/InstrumentChoice.h"
#include "secop/NodeClient.h"
#include "secop/ReadAhead.h"

#include <QProcess>
#include <gmock/gmock.h>
#include <algorithm>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

using namespace kest;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

SuiteConfig QuietNode() { return fakes::QuietStep({{0, 10.0}, {250, 20.0}}); }

// The simulated node's answer to describe, with its time-out set to `timeout` seconds.
std::string CompleteDescribing(double timeout) {
    fakes::NodeOnThread real(QuietNode());
    auto structure = nlohmann::json::parse(fakes::RawConnection(real.address()).ask("describe").substr(13));
    structure["timeout"] = timeout;
    return "describing . " + structure.dump();
}

}  // namespace

TEST(InstrumentNode, AnswersEachRequestAsSecopSays) {
    SuiteConfig config = QuietNode();
    config.instrument.faults.fail(ProbeCall::ReadCounter);
    fakes::NodeOnThread node(config);
    fakes::RawConnection raw(node.address());
    const std::pair<std::string, std::string> cases[] = {  // request, start of the answer
        {"*IDN?", "ISSE&SINE2020,SECoP,V2019-09-16,v1.0"},
        {"ping 42", "pong 42 [null,{\"t\":"},
        {"read stage_x:value", "reply stage_x:value [0,{\"t\":"},
        {"read stage_x:status", "reply stage_x:status [[100,"},
        {"read spectrometer2:_crystal", "reply spectrometer2:_crystal [\"PET\","},
        {"read spectrometer1:_dead_time", "reply spectrometer1:_dead_time [2e-06,"},
        {"read beam:value", "reply beam:value [20.0,"},
        {"read stage_q:value", "error_read stage_q:value [\"NoSuchModule\","},
        {"read stage_x:speed", "error_read stage_x:speed [\"NoSuchParameter\","},
        {"read stage_x:go", "error_read stage_x:go [\"NoSuchParameter\","},
        {"do stage_x:jump", "error_do stage_x:jump [\"NoSuchCommand\","},
        {"do stage_x:target", "error_do stage_x:target [\"NoSuchCommand\","},
        {"change stage_x:value 5", "error_change stage_x:value [\"ReadOnly\","},
        {"change stage_x:target \"far\"", "error_change stage_x:target [\"WrongType\","},
        {"change stage_x:target 5000001", "error_change stage_x:target [\"RangeError\","},
        {"change stage_x:target {", "error_change stage_x:target [\"BadJSON\","},
        {"do stage_x:go 3", "error_do stage_x:go [\"WrongType\","},
        {"read stage_x", "error_read stage_x [\"ProtocolError\","},
        {"fetch stage_x:value", "error_fetch stage_x:value [\"ProtocolError\","},
        {"read spectrometer1:value", "error_read spectrometer1:value [\"HardwareError\","},
        {"change timer:target 2", "changed timer:target [2,"},
        {"do timer:go", "done timer:go [null,"},
        {"do timer:go null", "done timer:go [null,"},
        {"read timer:status", "reply timer:status [[100,"},
        {"read timer:value", "reply timer:value [2.0,"},
    };
    for (const auto& [request, answer] : cases) EXPECT_THAT(raw.ask(request), StartsWith(answer)) << request;

    raw.send(std::string(70000, 'x') + "\n");  // a line beyond the node's limit is cut and refused
    EXPECT_THAT(raw.line(), StartsWith("error_"));
    EXPECT_THAT(raw.ask("read stage_x:value"), StartsWith("reply stage_x:value"));  // and the node reads on
}

TEST(InstrumentNode, DescribesEveryModuleWithItsInterfaceClassAndAccessibles) {
    fakes::NodeOnThread node(QuietNode());
    fakes::RawConnection raw(node.address());
    const std::string line = raw.ask("describe");
    ASSERT_THAT(line, StartsWith("describing . {"));
    const auto structure = nlohmann::json::parse(line.substr(std::string("describing . ").size()));
    EXPECT_EQ(structure["equipment_id"], "kestplus_simulated_microprobe");
    EXPECT_TRUE(structure["description"].is_string());
    const std::pair<const char*, const char*> modules[] = {
        {"stage_x", "Drivable"}, {"stage_z", "Drivable"}, {"timer", "Drivable"}, {"spectrometer5", "Readable"},
        {"beam", "Readable"}, {"faraday", "Writable"}};
    for (const auto& [name, kind] : modules) {
        const auto& module = structure["modules"][name];
        EXPECT_EQ(module["interface_classes"], nlohmann::json::array({kind})) << name;
        EXPECT_TRUE(module["description"].is_string()) << name;
        for (const auto& [accessible, description] : module["accessibles"].items()) {
            EXPECT_TRUE(description["description"].is_string()) << name << ":" << accessible;
            EXPECT_TRUE(description["datainfo"]["type"].is_string()) << name << ":" << accessible;
            EXPECT_TRUE(description["datainfo"]["type"] == "command" || description["readonly"].is_boolean());
        }
        for (const char* required : {"value", "status"}) EXPECT_TRUE(module["accessibles"].contains(required)) << name;
    }
    EXPECT_EQ(structure["modules"]["stage_x"]["accessibles"]["target"]["datainfo"]["max"], 5000000);
    EXPECT_TRUE(structure["modules"]["stage_x"]["accessibles"].contains("stop"));
    EXPECT_FALSE(structure["modules"].contains("spectrometer6"));
}

// The first client to drive holds the node; another can read and watch every update, but
// drives only once the first has gone.
TEST(InstrumentNode, OneClientDrivesAndEveryClientSeesItsUpdates) {
    fakes::NodeOnThread node(QuietNode());
    fakes::RawConnection watcher(node.address());
    auto driver = std::make_unique<fakes::RawConnection>(node.address());
    watcher.send("activate\n");
    std::string line;
    int initial = 0;
    while ((line = watcher.line()).rfind("update ", 0) == 0) ++initial;
    EXPECT_EQ(line, "active");
    EXPECT_GE(initial, 20);

    EXPECT_THAT(driver->ask("change stage_x:target 300"), StartsWith("changed stage_x:target [300"));
    EXPECT_THAT(watcher.line(), StartsWith("update stage_x:target [300,"));
    EXPECT_THAT(driver->ask("do stage_x:go"), StartsWith("done stage_x:go"));
    EXPECT_THAT(watcher.line(), StartsWith("update stage_x:status [[300,"));
    EXPECT_THAT(driver->ask("read stage_x:status"), StartsWith("reply stage_x:status [[100,"));
    EXPECT_THAT(watcher.line(), StartsWith("update stage_x:status [[100,"));
    EXPECT_THAT(driver->ask("read stage_x:value"), StartsWith("reply stage_x:value [300,"));
    EXPECT_THAT(watcher.line(), StartsWith("update stage_x:value [300,"));

    const std::string refused = watcher.ask("change stage_x:target 0");
    EXPECT_THAT(refused, StartsWith("error_change stage_x:target [\"IsBusy\",\"the instrument is driven by the client at 127.0.0.1:"));
    EXPECT_THAT(watcher.ask("do timer:go"), StartsWith("error_do timer:go [\"IsBusy\""));
    EXPECT_THAT(watcher.ask("read stage_x:target"), StartsWith("reply stage_x:target [300,"));

    driver.reset();
    for (int attempt = 0; attempt < 100; ++attempt) {  // the node learns of the close by its event loop
        line = watcher.ask("change stage_x:target 0");
        if (line.find("IsBusy") == std::string::npos) break;
        QThread::msleep(10);
    }
    EXPECT_THAT(line, StartsWith("changed stage_x:target [0,"));
}

// The same suite file and seed give the same document through the node as on the built-in
// simulator, with noise and without.
TEST(InstrumentNode, ScanThroughTheNodeEqualsTheBuiltInScan) {
    for (const bool noise : {false, true}) {
        Headless builtIn, remote;
        const std::string suite = Replaced(kSuiteFile, "\"noise\": false", noise ? "\"noise\": true, \"seed\": 7" : "\"noise\": false");
        builtIn.write("suite.json", suite);
        ASSERT_EQ(builtIn.run(builtIn.scan()), kDone) << builtIn.err.str();

        fakes::NodeOnThread node(ReadSuiteFile(builtIn.file("suite.json")));
        remote.write("suite.json", Replaced(suite, "\"clock\"", "\"node\": \"" + node.address() + "\", \"clock\""));
        ASSERT_EQ(remote.run(remote.scan()), kDone) << remote.err.str();
        const std::string lists = remote.out.str();
        EXPECT_EQ(lists, builtIn.out.str()) << "noise " << noise;
        EXPECT_GT(std::count(lists.begin(), lists.end(), '\n'), 5) << lists;
    }
}

// A node that dies mid-scan stops the scan with one message naming it and the call; every
// point measured stays.
TEST(InstrumentNode, ANodeThatDiesStopsTheScanAndKeepsThePoints) {
    fakes::NodeOnThread node(QuietNode());
    const std::string address = node.address();
    fakes::ScanOnSimulator scan(QuietNode(), [&](const SuiteConfig&) { return std::make_unique<secop::NodeClient>(address); });
    scan.setZones({fakes::FixedZone(1000, 100)});
    scan.beforeAcquisition = [&] {
        if (scan.measured.size() == 6) node.stop();
    };
    ScanNew(scan.state, scan.suite(), scan.view);
    EXPECT_EQ(scan.view.messages, std::vector<std::string>{"Acquire Error ! Point 6 (X 500, Y 0): the instrument at " +
                                                           address + " closed the connection during KestBacklashStage. "
                                                                     "The scan stops here."});
    EXPECT_EQ(scan.coordinates(), (std::vector<int32_t>{0, 100, 200, 300, 400, 500}));
}

// A node whose instrument fails answers with an error: the headless scan stops with the
// node's word, keeps its points and exits 1.
TEST(InstrumentNode, AnErrorFromTheNodeFailsTheHeadlessScan) {
    Headless builtIn, remote;
    builtIn.write("suite.json", Replaced(kSuiteFile, "\"clock\"", R"("faults": {"fail_after": {"KestReadCounter": 3}}, "clock")"));
    EXPECT_EQ(builtIn.run(builtIn.scan()), kFailed);
    const std::string said = builtIn.err.str();
    const std::size_t point = said.find("Acquire Error ! Point ");
    ASSERT_NE(point, std::string::npos) << said;
    const std::string where = said.substr(point, said.find("): ", point) + 3 - point);

    fakes::NodeOnThread node(ReadSuiteFile(builtIn.file("suite.json")));
    remote.write("suite.json", Replaced(kSuiteFile, "\"clock\"", "\"node\": \"" + node.address() + "\", \"clock\""));
    EXPECT_EQ(remote.run(remote.scan()), kFailed);
    EXPECT_THAT(remote.err.str(), HasSubstr(where + "the instrument at " + node.address() +
                                            " answered KestReadCounter with HardwareError: the counter of spectrometer 1 "
                                            "cannot be read. The scan stops here."));
    EXPECT_EQ(remote.out.str(), builtIn.out.str());
}

// What the client refuses: a node that speaks no SECoP, lacks a module or an accessible,
// answers with garbage or does not answer in time.
TEST(InstrumentNode, ClientRefusesANodeOutOfStep) {
    const std::string kDescribing =
        R"(describing . {"timeout": 0.3, "modules": {"stage_x": {"accessibles": {"value": {"datainfo": {"type": "double"}}, "target": {"datainfo": {}}, "status": {"datainfo": {}}, "go": {"datainfo": {}}, "_backlash": {"datainfo": {}}}}}})";
    const std::string complete = CompleteDescribing(0.3);
    struct Case {
        fakes::ScriptedNode::Answer answer;
        std::string fault;  // after "the instrument at ADDRESS "
    };
    const Case cases[] = {
        {[](const std::string&) { return std::string("hello"); }, "is not a SECoP node: it answered *IDN? with \"hello\""},
        {[&](const std::string& line) { return line == "*IDN?" ? std::string(secop::kIdentification) : kDescribing; },
         "lacks what the program needs: module stage_y, module stage_z, module timer, module beam, module spectrometer1"},
        {[&](const std::string& line) {
             if (line == "*IDN?") return std::string(secop::kIdentification);
             return line == "describe" ? complete : std::string("reply beam:value [oops");
         },
         "answered KestReadCurrent with a report that is not a JSON array: \"reply beam:value [oops\"."},
        {[&](const std::string& line) {
             if (line == "*IDN?") return std::string(secop::kIdentification);
             return line == "describe" ? complete : std::string("reply stage_x:value [1,{}]");
         },
         "answered KestReadCurrent with an answer about stage_x:value"},
        {[&](const std::string& line) {
             if (line == "*IDN?") return std::string(secop::kIdentification);
             return line == "describe" ? complete : std::string();
         },
         "did not answer KestReadCurrent within 0.3 s."},
    };
    for (const Case& c : cases) {
        fakes::ScriptedNode node(c.answer);
        secop::NodeClient client(node.address());
        float current = 0.0f;
        EXPECT_EQ(client.KestReadCurrent(current), 0);
        EXPECT_THAT(client.faultText(), StartsWith("the instrument at " + node.address() + " " + c.fault));
    }
}

// Reads sent ahead: what followed a command last time, as long as the reads agree with it.
// Steps: "!command", or "read=expected reads" after it.
TEST(InstrumentNode, ReadsAheadWhatFollowedTheCommandLastTime) {
    struct Case {
        const char* what;
        std::vector<std::string> steps;
    };
    const Case cases[] = {
        {"a run repeated", {"!go", "a=", "b=", "c=", "!go", "a=b c", "b=c", "c=", "!go", "a=b c"}},
        {"a poll is not recorded", {"!go", "a=", "a=", "a=", "b=", "!go", "a=b", "a=", "b="}},
        {"two runs agree up to where they part",
         {"!go", "a=", "b=", "c=", "!go", "a=b c", "b=c", "d=", "!go", "a=b", "b=", "c=", "!go", "a=b", "b=", "d="}},
        {"a run that parts is not followed further", {"!go", "a=", "b=", "c=", "!go", "x=", "b=", "c="}},
        {"each command its own runs", {"!go", "a=", "b=", "!stop", "c=", "d=", "!go", "a=b", "!stop", "c=d"}},
        {"runs forgotten beyond the last four",
         {"!go", "a=", "x=", "!go", "b=", "x=", "!go", "c=", "x=", "!go", "d=", "x=", "!go", "e=", "x=", "!go", "a=", "!go",
          "e=x"}},
        {"a run kept once however often it comes",
         {"!go", "a=", "x=", "!go", "b=", "y=", "!go", "a=x", "x=", "!go", "a=x", "x=", "!go", "a=x", "x=", "!go", "a=x", "x=",
          "!go", "b=y"}},
    };
    for (const Case& c : cases) {
        secop::ReadAhead ahead;
        std::string got, want;
        for (const std::string& step : c.steps) {
            if (step[0] == '!') {
                ahead.commanded(step.substr(1));
                continue;
            }
            const std::size_t equals = step.find('=');
            std::string expected;
            for (const std::string& read : ahead.read(step.substr(0, equals))) expected += (expected.empty() ? "" : " ") + read;
            got += step.substr(0, equals) + "=" + expected + "; ";
            want += step + "; ";
        }
        EXPECT_EQ(got, want) << c.what;
    }
}

// A count read ahead with its status: a status found busy makes the client read the count
// again when it is asked for; answers that come out of order go to their own requests.
TEST(InstrumentNode, ClientTakesReadsAheadOnlyWhenTheyStillHold) {
    struct Case {
        const char* what;
        int busyReads;      // status reads found busy at the start of each count
        bool reversed;      // answers a status read after the read that follows it
        int32_t lastCount;  // the second count, here the status reads so far
        int countReads;
    };
    const Case cases[] = {
        {"busy at first", 1, false, 4, 3},
        {"answered out of order", 0, true, 2, 2},
    };
    const std::string describing = CompleteDescribing(2.0);
    for (const Case& c : cases) {
        struct Seen {
            int statusReads = 0, sinceGo = 0, countReads = 0;
            std::string held;
        };
        auto seen = std::make_shared<Seen>();
        fakes::ScriptedNode node([&, seen](const std::string& line) -> std::string {
            if (line == "*IDN?") return std::string(secop::kIdentification);
            if (line == "describe") return describing;
            if (line == "do timer:go") return seen->sinceGo = 0, "done timer:go [null,{}]";
            if (line == "read spectrometer1:status") {
                ++seen->statusReads;
                const int code = ++seen->sinceGo <= c.busyReads ? 300 : 100;
                const std::string reply = "reply spectrometer1:status [[" + std::to_string(code) + ",\"\"],{}]";
                if (!c.reversed || seen->statusReads == 1) return reply;
                seen->held = reply;
                return "";
            }
            if (line == "read spectrometer1:value") {
                ++seen->countReads;
                const std::string reply = "reply spectrometer1:value [" + std::to_string(seen->statusReads) + ",{}]";
                const std::string held = std::exchange(seen->held, "");
                return held.empty() ? reply : reply + "\n" + held;
            }
            return "";
        });
        secop::NodeClient client(node.address());
        int32_t counts = 0;
        for (int count = 0; count < 2; ++count) {
            ASSERT_EQ(client.KestStartTimer(0), 1) << client.faultText();
            for (int32_t busy = 1; busy != 0;) ASSERT_EQ(client.KestReadSpectroStatus(1, 0, busy), 1) << client.faultText();
            ASSERT_EQ(client.KestReadCounter(1, counts), 1) << client.faultText();
        }
        EXPECT_EQ(counts, c.lastCount) << c.what;
        EXPECT_EQ(seen->countReads, c.countReads) << c.what;
    }
}

// The node's lines however the network cuts them: CR LF or LF, a line in pieces, and a line
// beyond the limit cut once, its rest dropped up to its end.
TEST(InstrumentNode, LineReaderCutsTheStreamIntoLines) {
    struct Case {
        std::vector<std::string> pieces;
        std::vector<std::string> lines;  // "!" before an overlong line's kept part
    };
    const Case cases[] = {
        {{"read a\r\nping\n"}, {"read a", "ping"}},
        {{"rea", "d a:", "b\n", "pi"}, {"read a:b"}},
        {{"12345678\n"}, {"12345678"}},
        {{"123456789\n"}, {"!12345678"}},
        {{"1234", "56789", "abc", "def\nping\n"}, {"!12345678", "ping"}},
        {{"123456789", "0\n", "\n"}, {"!12345678", ""}},
    };
    for (const Case& c : cases) {
        secop::LineReader reader(8);
        std::vector<std::string> lines;
        for (const std::string& piece : c.pieces) {
            for (const auto& line : reader.feed(piece)) lines.push_back((line.overlong ? "!" : "") + line.text);
            EXPECT_LE(reader.pending(), 8u);
        }
        EXPECT_EQ(lines, c.lines) << c.pieces.front();
    }
}

// What a failed call says: nothing more than a status for what the instrument itself
// refuses (a target beyond the travel, a spectrometer it lacks), the node's word otherwise.
TEST(InstrumentNode, ClientSaysWhyACallFailed) {
    SuiteConfig config = QuietNode();
    config.instrument.dead_time_us.fill(3.0);
    config.instrument.faults.fail(ProbeCall::StartTimer);
    fakes::NodeOnThread node(config);
    secop::NodeClient client(node.address());
    int32_t counts = 0;
    float deadTime = 0.0f;
    std::string crystal;
    EXPECT_EQ(client.KestLoadStageAbs(1, 6e6f), 0);
    EXPECT_EQ(client.faultText(), "");
    EXPECT_EQ(client.KestReadCounter(6, counts), 0);
    EXPECT_EQ(client.faultText(), "");
    EXPECT_EQ(client.KestReadXtal(5, crystal), 1);
    EXPECT_EQ(crystal, "LLIF");
    EXPECT_EQ(client.KestReadPha(5, crystal, 0, deadTime), 1);
    EXPECT_EQ(deadTime, 3.0f);
    EXPECT_EQ(client.KestStartTimer(0), 0);
    EXPECT_EQ(client.faultText(), "the instrument at " + node.address() +
                                      " answered KestStartTimer with HardwareError: the counters cannot start.");
}

// The instrument command prints where it listens, a free port when asked for port 0, and
// serves there until it is stopped; an address it cannot use is refused.
TEST(InstrumentNode, InstrumentCommandServesTheSuiteFile) {
    Headless h;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KESTPLUS_HOME", QString::fromStdString(h.folders.data.string()));
    program.setProcessEnvironment(environment);
    const QString suite = QString::fromStdString(h.file("suite.json").string());
    program.start(KESTPLUS_PROGRAM, {"instrument", "--suite", suite, "--listen", "127.0.0.1:0"});
    QByteArray said;
    while (!said.contains('\n') && program.waitForReadyRead(20000)) said += program.readAllStandardOutput();
    const std::string line = said.toStdString();
    const std::string lead = "The simulated instrument of " + h.file("suite.json").string() + " listens on 127.0.0.1:";
    ASSERT_THAT(line, StartsWith(lead));
    const std::string address = "127.0.0.1:" + std::to_string(std::stoi(line.substr(lead.size())));
    EXPECT_THAT(fakes::RawConnection(address).ask("*IDN?"), StartsWith("ISSE&SINE2020,SECoP,"));
    program.terminate();
    EXPECT_TRUE(program.waitForFinished(10000));

    program.start(KESTPLUS_PROGRAM, {"instrument", "--suite", suite, "--listen", "10767"});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), kFailed);
    EXPECT_THAT(program.readAllStandardError().toStdString(), HasSubstr("--listen takes host:port"));
}
