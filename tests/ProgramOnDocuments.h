#pragma once
// The program's logic on real documents: the SQLite database library in a temporary folder,
// recording fakes for the other libraries and for the window. Reference documents for the
// calibration are written by the same library.

#include "FakeMainView.h"
#include "FakeSuite.h"

#include "core/ProfileState.h"
#include "suite/SqliteAnalysisDatabase.h"

#include <QTemporaryDir>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kest::fakes {

inline std::filesystem::path TemporaryFolder(const QTemporaryDir& dir) { return dir.path().toStdString(); }

inline SuiteConfig ConfigOf(std::vector<ElementSetup> elements) {
    SuiteConfig config;
    config.setup.elements = std::move(elements);
    return config;
}

// A reference document of element z: one point per (count rate, weight percent) pair.
inline void WriteReferenceDocument(const std::filesystem::path& file, int z,
                                   const std::vector<std::pair<float, float>>& points) {
    const QTemporaryDir work;
    SqliteAnalysisDatabase db(ConfigOf({ElementSetup{z, 1, "Std", true}}), TemporaryFolder(work), TemporaryFolder(work));
    db.setPathChooser([&](PathRequest, const std::string&) { return std::optional(file.string()); });
    std::string key = "RefDoc", path;
    db.KestDbObjectNew(key, 1, 0);
    db.KestDbReset(key, path, 200);
    for (int32_t p = 0; p < static_cast<int32_t>(points.size()); ++p) {
        db.KestDbAddPt(key, 100 * p, 0, 0);
        db.KestDbEltSetMeasures(key, z, kByAtomicNumber, p, points[std::size_t(p)].first, 0, 0, 0, 0);
        ComputeResult result;
        result.field[0] = points[std::size_t(p)].second / 100.0f;
        db.KestDbEltSetComputeRes(key, z, kByAtomicNumber, p, result);
    }
    db.KestDbSaveAs(key, path, 200);
}

struct ProgramOnDocuments {
    explicit ProgramOnDocuments(std::vector<ElementSetup> elements = {ElementSetup{}})
        : db(ConfigOf(std::move(elements)), folder() / "work", folder() / "documents") {
        db.setMessageSink([this](const std::string& text) { view.messages.push_back("library: " + text); });
        db.setPathChooser([this](PathRequest, const std::string&) { return chosen; });
        state.AppLabel = "KestPlus";
        std::string key = "DbScan01";  // the document key has 8 characters
        db.KestDbObjectNew(key, 1, 0);
        state.DocKey = key;
    }
    std::filesystem::path folder() const { return TemporaryFolder(dir); }

    QTemporaryDir dir;
    SqliteAnalysisDatabase db;
    FakeSuite fake;
    Suite suite{db, fake.probe, fake.comp, fake.log, fake.reg, fake.ana};
    ProfileState state;
    FakeMainView view;
    std::optional<std::string> chosen;  // what Open and Save As choose
};

}  // namespace kest::fakes
