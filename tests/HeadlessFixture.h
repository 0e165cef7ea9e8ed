#pragma once
// The headless commands on the simulated instrument, in a folder of their own: a quiet
// one-element suite file, the worked example's zones file and the program's folders.

#include "ScanOnSimulator.h"

#include "app/HeadlessCommands.h"
#include "document/ZonesFile.h"

#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace kest {

inline const char* const kSuiteFile = R"({
  "instrument": { "clock": "virtual", "noise": false },
  "setup": { "elements": [ { "z": 26, "spectrometer": 1, "standard": "Fe" } ] },
  "specimen": { "axis": "x", "elements": { "26": { "shape": "step", "points": [[0, 10.0], [250, 20.0]] } } }
})";

inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

struct Headless {
    Headless() {
        write("suite.json", kSuiteFile);
        writeZone("example.PRF", fakes::VariableZone(1000, 100, 400, 1.0f));
    }
    Path file(const std::string& name) const { return Path(dir.path().toStdString()) / name; }
    void write(const std::string& name, const std::string& text) const { std::ofstream(file(name), std::ios::binary) << text; }
    // A zones file of the one zone, with the settings a new profile has.
    void writeZone(const std::string& name, const ZoneRecord& zone) const {
        ProfileState zones;
        zones.NbZones = 1;
        zones.Zones[0] = zone;
        write(name, ZonesFileText(zones));
    }
    std::string read(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    ScanCommand scan(const std::string& zones = "example.PRF", const std::string& suite = "suite.json") const {
        return {.zones = file(zones), .save = file("doc.ana"), .suiteFile = file(suite), .time = "10", .csv = {}, .chart = {}};
    }
    int run(const ScanCommand& command) { return RunScan(command, folders, out, err); }

    QTemporaryDir dir;
    ProgramFolders folders{file("home"), file("home")};
    std::ostringstream out, err;
};

}  // namespace kest
