// The analysis-database library: documents survive Save and Open bit for bit, bad files are
// refused without harm, every change reaches the working file at once, and the calls
// address elements and points as the program expects.

#include "FileSizeLimit.h"

#include "suite/DocumentFile.h"
#include "suite/ElementSymbols.h"
#include "suite/SqliteAnalysisDatabase.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <fstream>
#include <limits>
#include <regex>
#include <tuple>

namespace fs = std::filesystem;
using namespace kest;

namespace {

// Runs SQL on a file through a connection of its own; answers the first value of the first row.
std::string Sql(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string answer = "<no row>";
    char* error = nullptr;
    const auto first = [](void* out, int, char** values, char**) {
        if (auto& a = *static_cast<std::string*>(out); a == "<no row>") a = values[0] ? values[0] : "NULL";
        return 0;
    };
    sqlite3_open(file.c_str(), &db);
    if (sqlite3_exec(db, sql.c_str(), first, &answer, &error) != SQLITE_OK)
        answer = std::string("<error: ") + (error ? error : "?") + ">";
    sqlite3_free(error);
    sqlite3_close(db);
    return answer;
}

// What a crash at this moment would leave of the working file: a copy of it and its log, as
// the program holds the file itself for as long as it runs.
fs::path AsAfterACrash(const fs::path& working) {
    const fs::path copy = fs::temp_directory_path() / ("kestplus-crash-" + std::to_string(::getpid()) + ".ana");
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(copy.string() + suffix);
    fs::copy_file(working, copy);
    if (fs::exists(working.string() + "-wal")) fs::copy_file(working.string() + "-wal", copy.string() + "-wal");
    return copy;
}

void ExpectSameDocument(const AnalysisDocument& a, const AnalysisDocument& b) {
    const auto fields = [](const DocumentFields& f) { return std::tie(f.title, f.userName, f.company, f.comments); };
    const auto element = [](const DocumentElement& e) {
        const ElementSetup& s = e.setup;
        return std::tie(s.z, s.spectrometer, s.standard, s.profile, s.standard_percent, s.standard_cps,
                        s.background_cps, s.standard_current_nA, e.crystal, s.line, s.standard_composition);
    };
    EXPECT_EQ(fields(a.fields), fields(b.fields));
    EXPECT_EQ(a.matrix, b.matrix);
    ASSERT_EQ(a.elements.size(), b.elements.size());
    for (std::size_t e = 0; e < a.elements.size(); ++e) EXPECT_EQ(element(a.elements[e]), element(b.elements[e]));
    ASSERT_EQ(a.points.size(), b.points.size());
    for (std::size_t p = 0; p < a.points.size(); ++p) {
        const DocumentPoint &x = a.points[p], &y = b.points[p];
        EXPECT_EQ(std::tie(x.x, x.y, x.z, x.label, x.status), std::tie(y.x, y.y, y.z, y.label, y.status)) << "point " << p;
        ASSERT_EQ(x.values.size(), y.values.size());
        EXPECT_EQ(std::memcmp(x.values.data(), y.values.data(), x.values.size() * sizeof(ElementValues)), 0)
            << "measures, results or statistics differ at point " << p;
    }
}

class DocumentDatabase : public ::testing::Test {
protected:
    DocumentDatabase() : db(MakeConfig(), root() / "work", root() / "documents") {
        db.setMessageSink([this](const std::string& m) { messages.push_back(m); });
        db.setPathChooser([this](PathRequest r, const std::string&) { requests.push_back(r); return chosen; });
        EXPECT_NE(db.KestDbObjectNew(key, 1, 0), 0);
        EXPECT_GT(db.KestDbReset(key, path, 80), 0);
    }

    static SuiteConfig MakeConfig() {
        SuiteConfig config;
        config.setup.elements = {{26, 1, "Fe", true, 100.0, 5000.0, 20.0, 0.0, "Ka"},
                                 {6, 3, "std/C-ref.ana", false, 12.5, 800.0, 5.0},
                                 {28, 2, "Ni", true, 99.5, 4000.0, 15.0, 25.0, "La", {{28, 99.5}, {6, 0.5}}}};
        config.setup.matrix = {15.0, 52.5, {{14, false, 0.25}, {24, true, 0.0}}};
        config.instrument.beam_current_nA = 15.0;
        return config;
    }
    fs::path root() const { return fs::path(folder.path().toStdString()); }
    std::string docPath() const { return db.documentPath(key); }
    const AnalysisDocument& doc() const { return *db.document(key); }

    QTemporaryDir folder;
    SqliteAnalysisDatabase db;
    std::string key = "DbScan01", path;
    std::optional<std::string> chosen;
    std::vector<std::string> messages;
    std::vector<PathRequest> requests;
};

TEST_F(DocumentDatabase, SaveThenOpenGivesBackEveryFieldBitForBit) {
    // A document that uses every kind of field, with values that are easy to get wrong.
    const std::array<std::string, 4> texts{"Profil \xE9tal\xE9 \xA9 2026", "Fran\xE7oise M\xFCller",
                                           std::string("Lab\x01\xFF", 5), "line 1\r\nline 2\t\xB5m"};
    db.KestDbSetTitle(key, texts[0]);
    db.KestDbSetUserName(key, texts[1]);
    db.KestDbSetCompany(key, texts[2]);
    db.KestDbSetComments(key, texts[3]);
    using L = std::numeric_limits<float>;
    const std::vector<float> awkward{std::bit_cast<float>(0x7FC00123u),  // NaN with a payload
                                     -0.0f, L::denorm_min(), L::max(), -L::infinity(), 0.1f, -1234.5678f,
                                     1e-30f, 16777217.0f, 3.0f, std::bit_cast<float>(0xFF800001u)};
    const int32_t positions[3][3]{{-5000000, 5000000, -1}, {0, 0, 0}, {123, -456, 789}};
    for (int32_t p = 0; p < 3; ++p) {
        db.KestDbAddPt(key, positions[p][0], positions[p][1], positions[p][2]);
        db.KestDbSetAnaLabel(key, p, std::string(80, static_cast<char>('A' + p)), 0);
        for (int32_t e = 0; e < 3; ++e) {
            const auto at = [&](std::size_t i) { return awkward[(i + static_cast<std::size_t>(p * 3 + e)) % awkward.size()]; };
            db.KestDbEltSetMeasures(key, e, kByPosition, p, at(0), at(1), at(2), at(3), at(4));
            ComputeResult r;
            for (std::size_t i = 0; i < r.field.size(); ++i) r.field[i] = at(i + 5);
            db.KestDbEltSetComputeRes(key, e, kByPosition, p, r);
            db.KestDbEltSetStatistics(key, e, kByPosition, p,
                                      {at(6), at(7), at(8), at(9), p * 3 + e, e % 2, at(10), at(0), (p * 3 + e) % 8});
        }
        db.KestDbSetPointStatus(key, p, static_cast<PointStatus>(p + 1));
    }
    db.KestDbSetAnaLabel(key, 1, "Z\xE9" "01 \xFF", 0);

    ASSERT_EQ(db.KestDbSave(key, path, 80), static_cast<int32_t>(docPath().size())) << db.lastError();
    const AnalysisDocument saved = doc();
    // The saved file is a plain single-file database that other tools can read.
    EXPECT_EQ(Sql(docPath(), "PRAGMA journal_mode"), "delete");
    EXPECT_EQ(Sql(docPath(), "SELECT symbol || ' ' || x || ' ' || y || ' ' || (SELECT count(*) FROM profile) "
                             "FROM profile WHERE point = 0 AND element = 2"),
              "Ni -5000000 5000000 9");

    std::string other = "DbScan02", openedPath, time;
    ASSERT_NE(db.KestDbObjectNew(other, 1, 0), 0);
    chosen = docPath();
    ASSERT_GT(db.KestDbOpen(other, openedPath, 80), 0) << db.lastError();
    ExpectSameDocument(*db.document(other), saved);
    const DocumentFields& f = db.document(other)->fields;
    EXPECT_EQ((std::array{f.title, f.userName, f.company, f.comments}), texts);
    EXPECT_EQ(db.KestDbLastModTime(other, time, 512), 19);
    EXPECT_TRUE(std::regex_match(time.substr(0, 19), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << time;
    EXPECT_TRUE(messages.empty());

    EXPECT_EQ(Sql(docPath(), "SELECT group_concat(symbol || z_factor, ' ') FROM matrix_factors WHERE point = 2"),
              Sql(docPath(), "SELECT group_concat(symbol || f7, ' ') FROM profile WHERE point = 2"));

    // A document written before statistics had deviations and flags opens with none; before
    // elements had their standard's current, with the instrument's nominal one.
    Sql(docPath(), "ALTER TABLE statistics DROP COLUMN flags; ALTER TABLE statistics DROP COLUMN rate_sigma_cps;"
                   "ALTER TABLE elements DROP COLUMN standard_current_nA");
    ASSERT_GT(db.KestDbOpen(other, openedPath, 80), 0) << db.lastError();
    const CountStatistics kept = db.document(other)->points[2].values[1].statistics;
    EXPECT_EQ(std::tie(kept.repeats, kept.rateSigma, kept.flags), std::make_tuple(7, 0.0f, 0));
    float current = 0, average = 0;
    ASSERT_EQ(db.KestDbEltGetBcAv(other, 2, kByPosition, current, average), 1);
    EXPECT_EQ(current, 15.0f);
    // A document written before points had statistics and a status, and before the matrix
    // correction's set-up, opens without them: the defaults of a new set-up.
    Sql(docPath(), "DROP TABLE statistics; DROP TABLE point_status; DROP VIEW matrix_factors; DROP TABLE analysis_conditions;"
                   " DROP TABLE element_lines; DROP TABLE standard_compositions; DROP TABLE unmeasured_elements");
    ASSERT_GT(db.KestDbOpen(other, openedPath, 80), 0) << db.lastError();
    EXPECT_EQ(db.document(other)->points[2].status, PointStatus::None);
    EXPECT_EQ(db.document(other)->points[2].values[1].statistics, CountStatistics{});
    EXPECT_EQ(db.document(other)->matrix, MatrixConditions{});
    EXPECT_TRUE(db.document(other)->elements[2].setup.line.empty() &&
                db.document(other)->elements[2].setup.standard_composition.empty());
}

TEST_F(DocumentDatabase, OpenRefusesBadFilesAndKeepsTheWorkingDocument) {
    for (int p = 0; p < 300; ++p) db.KestDbAddPt(key, p, -p, 0);  // several pages, to damage
    ASSERT_GT(db.KestDbSave(key, path, 80), 0);
    const fs::path good = docPath();
    const std::string ourEmptyFile = "PRAGMA application_id = " + std::to_string(kDocumentApplicationId) +
                                     "; PRAGMA user_version = 1; CREATE TABLE document (id)";
    const auto edited = [&good](const std::string& sql) {  // the good document with SQL run on it
        return [&good, sql](const fs::path& f) { fs::copy_file(good, f), Sql(f, sql); };
    };
    const std::vector<std::tuple<const char*, std::function<void(const fs::path&)>, const char*>> cases{
        // name, how the file is made, words the operator's message must contain
        {"missing", [](const fs::path&) {}, "does not exist"},
        {"text", [](const fs::path& f) { std::ofstream(f) << "Elt Fe 26\nPoint 1 2 3\n"; }, "not an SQLite"},
        {"other application", [](const fs::path& f) { Sql(f, "CREATE TABLE points (a, b)"); }, "another application"},
        {"same id, no tables", [&](const fs::path& f) { Sql(f, ourEmptyFile); }, "damaged"},
        {"newer format", edited("PRAGMA user_version = 2"), "newer version"},
        {"bytes overwritten",
         [&](const fs::path& f) {
             fs::copy_file(good, f);
             std::fstream(f, std::ios::in | std::ios::out | std::ios::binary).seekp(2 * 4096) << std::string(4096, '\xA5');
         },
         "damaged"},
        {"truncated", [&](const fs::path& f) { fs::copy_file(good, f); fs::resize_file(f, fs::file_size(f) / 2); }, "damaged"},
        {"folder", [](const fs::path& f) { fs::create_directory(f); }, "it is a folder"},
        {"fifo", [](const fs::path& f) { mkfifo(f.c_str(), 0600); }, "it is a named pipe (FIFO)"},
        {"coordinate", edited("UPDATE points SET x = 1.5e300 WHERE point = 3"),
         "points.x of point 3 is 1.5e+300, not a whole number from -2147483648 to 2147483647"},
        {"atomic number", edited("UPDATE elements SET atomic_number = 999"),
         "elements.atomic_number of element 0 is 999, not a whole number from 1 to 103"},
        {"spectrometer", edited("UPDATE elements SET spectrometer = -1"), "elements.spectrometer of element 0 is -1, not a whole number from 1 to 5"},
        {"label", edited("UPDATE points SET label = zeroblob(5000000)"), "points.label of point 0 has 5000000 characters; the program keeps at most 80"},
        {"title", edited("UPDATE document SET title = zeroblob(513)"), "document.title has 513 characters; the program keeps at most 512"},
        {"rate", edited("UPDATE measures SET m1 = -1e300 WHERE point = 7"), "measures.m1 of point 7 is -1.0e+300, beyond the range of the program's numbers"},
    };

    db.KestDbSetTitle(key, "working");
    const std::string pathBefore = docPath();
    const AnalysisDocument before = doc();
    for (const auto& [name, make, reason] : cases) {
        SCOPED_TRACE(name);
        const fs::path file = root() / (std::string(name) + ".ana");
        make(file);
        messages.clear();
        chosen = file.string();
        EXPECT_EQ(db.KestDbOpen(key, path, 80), 0);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(file.string()), std::string::npos) << messages[0];
        EXPECT_NE(messages[0].find(reason), std::string::npos) << messages[0];
        ExpectSameDocument(doc(), before);
        EXPECT_EQ(db.KestDbIsModified(key), 1) << "the working document keeps its unsaved work";
        EXPECT_EQ(docPath(), pathBefore);
        EXPECT_EQ(Sql(AsAfterACrash(db.workingFile(key)), "SELECT title FROM document"), "working");

        std::string reference = "RL000001";
        ASSERT_NE(db.KestDbObjectNew(reference, 1, 0), 0);
        EXPECT_EQ(db.KestDbObjectRead(reference, file.string()), 0);
        EXPECT_TRUE(messages.size() == 1 && !db.lastError().empty()) << "a reference document reports through lastError only";
        db.KestDbObjectDelete(reference);
    }
}

TEST_F(DocumentDatabase, FailedSaveLeavesTheEarlierFileIntact) {
    db.KestDbSetTitle(key, "first");
    ASSERT_GT(db.KestDbSave(key, path, 80), 0);
    std::string firstTime, time;
    db.KestDbLastModTime(key, firstTime, 512);

    db.KestDbSetTitle(key, "second");
    db.KestDbAddPt(key, 1, 2, 3);
    bool sawCompleteFile = false;
    db.setBeforeReplaceHook([&](const fs::path& temporary) {
        sawCompleteFile = Sql(temporary, "SELECT title FROM document") == "second";
        return false;
    });
    EXPECT_EQ(db.KestDbSave(key, path, 80), 0);
    EXPECT_TRUE(sawCompleteFile);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(docPath()), std::string::npos);
    EXPECT_EQ(Sql(docPath(), "SELECT title || (SELECT count(*) FROM points) FROM document"), "first0");
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(docPath()).parent_path()), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
    db.KestDbLastModTime(key, time, 512);
    EXPECT_EQ(time, firstTime) << "the last-save time is that of the last successful save";

    chosen.reset();
    EXPECT_EQ(db.KestDbSaveAs(key, path, 80), 0);
    EXPECT_EQ(messages.size(), 1u) << "a cancelled Save As is silent";
    EXPECT_EQ(requests, std::vector<PathRequest>{PathRequest::SaveAs});
}

TEST_F(DocumentDatabase, EveryChangeReachesTheWorkingFileAtOnce) {
    db.KestDbAddPt(key, 10, 20, 30);
    db.KestDbAddPt(key, 11, 21, 31);
    using D = SqliteAnalysisDatabase;
    const std::vector<std::tuple<std::function<void(D&, std::string&)>, const char*, const char*>> changes{
        {[](D& d, auto& k) { d.KestDbSetTitle(k, "T1"); }, "SELECT title FROM document", "T1"},
        {[](D& d, auto& k) { d.KestDbAddPt(k, -7, 8, 9); }, "SELECT x || ',' || y || ',' || z FROM points WHERE point = 2",
         "-7,8,9"},
        {[](D& d, auto& k) { d.KestDbSetStagePos(k, 0, 1, 2, 3); },
         "SELECT x || ',' || y || ',' || z FROM points WHERE point = 0", "1,2,3"},
        {[](D& d, auto& k) { d.KestDbSetAnaLabel(k, 1, "Z02", 0); }, "SELECT label FROM points WHERE point = 1", "Z02"},
        {[](D& d, auto& k) { d.KestDbEltSetMeasures(k, 6, kByAtomicNumber, 1, 1.5f, 2, 3, 4, 5); },
         "SELECT m1 || ',' || m5 FROM measures WHERE point = 1 AND element = 1", "1.5,5.0"},
        {[](D& d, auto& k) { ComputeResult r; r.field[0] = 0.25f; r.field[10] = 7; d.KestDbEltSetComputeRes(k, 2, kByPosition, 0, r); },
         "SELECT f1 || ',' || f11 FROM results WHERE point = 0 AND element = 2", "0.25,7.0"},
        {[](D& d, auto& k) { d.KestDbEltSetStatistics(k, 28, kByAtomicNumber, 1, {10, 520, 0.25f, 0.5f, 3, 1}); },
         "SELECT counting_time || ',' || sigma_percent || ',' || repeats FROM statistics WHERE point = 1 AND element = 2",
         "10.0,0.25,3"},
        {[](D& d, auto& k) { d.KestDbSetPointStatus(k, 1, PointStatus::Stopped); }, "SELECT status FROM point_status", "stopped"},
        // Deleting a point moves the later ones down, in every table.
        {[](D& d, auto& k) { d.KestDbDeletePt(k, 0); },
         "SELECT count(*) || ',' || max(point) || ',' || (SELECT label FROM points WHERE point = 0) || ',' || "
         "(SELECT m1 FROM measures WHERE point = 0 AND element = 1) || ',' || "
         "(SELECT count(*) FROM results WHERE point = 2) || ',' || (SELECT repeats FROM statistics WHERE point = 0) || ',' || "
         "(SELECT status FROM point_status WHERE point = 0) FROM points",
         "2,1,Z02,1.5,0,3,stopped"},
    };
    for (const auto& [change, query, expected] : changes) {
        SCOPED_TRACE(query);
        change(db, key);
        EXPECT_EQ(Sql(AsAfterACrash(db.workingFile(key)), query), expected);
    }
}

// A point moved to another place takes everything kept of it along, in the document and in
// the working file alike, whichever way it moves.
TEST_F(DocumentDatabase, AMovedPointTakesItsMeasuresResultsStatisticsAndStatusAlong) {
    for (int p = 0; p < 4; ++p) {
        db.KestDbAddPt(key, 100 * p, 0, 0);
        db.KestDbSetAnaLabel(key, p, std::string(1, char('A' + p)), 0);
        db.KestDbEltSetMeasures(key, 6, kByAtomicNumber, p, float(p + 1), 0, 0, 0, 0);
        ComputeResult r;
        r.field[0] = float(p + 1) / 10;
        db.KestDbEltSetComputeRes(key, 28, kByAtomicNumber, p, r);
        db.KestDbEltSetStatistics(key, 26, kByAtomicNumber, p, {1, 1, 0.5f, 0.5f, p + 1, 1});
    }
    db.KestDbSetPointStatus(key, 2, PointStatus::Stopped);
    // The labels in order; each point's measure (s: stopped), result and statistics, in point order.
    const struct { int32_t from, to; const char* order, *rows; } moves[] = {{3, 1, "ADBC", "1,1,1;4,4,4;2,2,2;3s,3,3"},
        {0, 3, "DBCA", "4,4,4;2,2,2;3s,3,3;1,1,1"}, {2, 2, "DBCA", "4,4,4;2,2,2;3s,3,3;1,1,1"}, {1, 2, "DCBA", "4,4,4;3s,3,3;2,2,2;1,1,1"}};
    for (const auto& m : moves) {
        SCOPED_TRACE(testing::Message() << m.from << " to " << m.to);
        EXPECT_EQ(db.KestDbMovePt(key, m.from, m.to), 1);
        std::string labels;
        for (const DocumentPoint& point : doc().points) labels += point.label;
        EXPECT_EQ(labels, m.order);
        EXPECT_EQ(Sql(AsAfterACrash(db.workingFile(key)),
                      "SELECT group_concat(row, ';') FROM (SELECT CAST(m.m1 AS INT) || coalesce((SELECT 's' FROM "
                      "point_status s WHERE s.point = p.point AND s.status = 'stopped'), '') || ',' || "
                      "CAST(round(r.f1 * 10) AS INT) || ',' || t.repeats AS row FROM points p "
                      "JOIN measures m ON m.point = p.point AND m.element = 1 JOIN results r ON r.point = p.point AND r.element = 2 "
                      "JOIN statistics t ON t.point = p.point AND t.element = 0 ORDER BY p.point)"),
                  m.rows);
        EXPECT_EQ(Sql(AsAfterACrash(db.workingFile(key)), "SELECT count(*) FROM points WHERE point < 0 OR point > 3"), "0");
    }
    EXPECT_EQ(db.KestDbMovePt(key, 4, 0), 0);  // no such point: nothing moves
    EXPECT_EQ(db.KestDbMovePt(key, 0, -1), 0);
}

TEST_F(DocumentDatabase, KeyInUseIsReplacedByAFreeKeyOfTheSameLength) {
    std::vector<std::string> keys{key};
    for (std::string k : {"DbScan01", "DbScan01", "DbScan  ", "DbScan  ", ""}) {
        ASSERT_NE(db.KestDbObjectNew(k, 1, 0), 0);
        EXPECT_EQ(k.size(), 8u) << k;
        EXPECT_EQ(std::count(keys.begin(), keys.end(), k), 0) << k << ": keys are never shared";
        keys.push_back(k);
    }
    EXPECT_EQ(keys[3], "DbScan  ") << "a free key is kept as passed, trailing blanks included";
    db.KestDbAddPt(keys[1], 1, 1, 1);
    EXPECT_EQ(std::make_pair(db.KestDbGetNbPts(keys[1]), db.KestDbGetNbPts(keys[2])), std::make_pair(1, 0));
    EXPECT_EQ(db.KestDbObjectNew(keys[2], 2, 0), 0) << "only analysis documents are kept";
}

TEST_F(DocumentDatabase, ElementsAreAddressedByPositionOrAtomicNumber) {
    db.KestDbAddPt(key, 0, 0, 0);
    // element, selector, atomic number of the element addressed (0: none)
    const std::vector<std::array<int32_t, 3>> cases{{0, kByPosition, 26}, {1, kByPosition, 6}, {2, kByPosition, 28},
                                                    {3, kByPosition, 0}, {-1, kByPosition, 0}, {6, kByAtomicNumber, 6},
                                                    {28, kByAtomicNumber, 28}, {27, kByAtomicNumber, 0},
                                                    {0, kByAtomicNumber, 0}, {1, 5, 0}};
    for (const auto& [element, selector, z] : cases) {
        SCOPED_TRACE(::testing::Message() << "element " << element << ", selector " << selector);
        float conc = -1;
        int32_t flag = -1, sp = 0;
        std::string crystal;
        ComputeResult r;
        EXPECT_EQ(db.KestDbEltGetConc(key, element, selector, conc, flag) != 0, z != 0);
        EXPECT_EQ(db.KestDbEltGetSpAndXtal(key, element, selector, sp, crystal, 6) != 0, z != 0);
        EXPECT_EQ(db.KestDbEltGetComputeRes(key, element, selector, 0, r) != 0, z != 0);
        EXPECT_EQ(db.KestDbEltSetMeasures(key, element, selector, 0, 1, 2, 3, 4, 5) != 0, z != 0);
        if (z == 0) continue;
        EXPECT_EQ(std::make_pair(conc, flag), z == 6 ? std::make_pair(0.125f, 0) : std::make_pair(z == 28 ? 0.995f : 1.0f, 1));
        EXPECT_EQ(crystal, std::string(z == 6 ? "TAP" : z == 28 ? "PET" : "LIF") + std::string(3, '\0'));
    }
    float current = 0, average = 0;
    EXPECT_NE(db.KestDbEltGetBcAv(key, 26, kByAtomicNumber, current, average), 0);
    EXPECT_EQ(std::make_pair(current, average), std::make_pair(15.0f, 1.0f));
}

TEST_F(DocumentDatabase, CallsOnMissingPointsOrObjectsFailWithoutHarm) {
    db.KestDbAddPt(key, 5, 6, 7);
    std::string unknown = "NoSuchKy", label;
    int32_t x = 0, y = 0, z = 0;
    float m = 0;
    ComputeResult r;
    for (int32_t point : {-1, 1, 1000, std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(point);
        EXPECT_EQ(db.KestDbGetStagePos(key, point, x, y, z), 0);
        EXPECT_EQ(db.KestDbSetStagePos(key, point, 1, 1, 1), 0);
        EXPECT_EQ(db.KestDbGetAnaLabel(key, point, label, 80), 0);
        EXPECT_EQ(db.KestDbSetAnaLabel(key, point, "x", 0), 0);
        EXPECT_EQ(db.KestDbEltGetMeasures(key, 0, kByPosition, point, m, m, m, m, m), 0);
        EXPECT_EQ(db.KestDbEltSetComputeRes(key, 0, kByPosition, point, r), 0);
        EXPECT_EQ(db.KestDbDeletePt(key, point), 0);
        EXPECT_EQ(db.KestDbGetStagePos(unknown, 0, x, y, z), 0);
    }
    EXPECT_EQ(db.KestDbGetNbPts(key), 1);
    EXPECT_EQ(db.KestDbNbElt(unknown), 0);
    EXPECT_EQ(db.KestDbReset(unknown, path, 80), 0);
    EXPECT_EQ(db.KestDbObjectDelete(unknown), 0);
}
// A full disk under the working file, whatever room it leaves: a write that fails rolls its
// transaction back (a point's changes are one), the operator is told once, memory keeps every
// change and the next save writes them all, bringing the working file up to date.
TEST_F(DocumentDatabase, ChangesTheWorkingFileCannotTakeAreKeptAndSaved) {
    for (const std::uintmax_t room : {0, 4096, 16384, 65536, 262144}) {
        SCOPED_TRACE(room);
        std::string full = "DbFull0" + std::to_string(room % 7);
        ASSERT_NE(db.KestDbObjectNew(full, 1, 0), 0);
        ASSERT_GT(db.KestDbReset(full, path, 80), 0);
        const fs::path working = db.workingFile(full);
        messages.clear();
        {
            const fakes::FileSizeLimit limit(std::max(fs::file_size(working), fs::file_size(working.string() + "-wal")) + room);
            for (int p = 0; p < 200; ++p) {
                EXPECT_NE(db.KestDbBeginChanges(full), 0);
                EXPECT_NE(db.KestDbAddPt(full, p, 0, 0), 0);
                EXPECT_NE(db.KestDbEltSetMeasures(full, 0, kByPosition, p, 1.0f * p, 2, 3, 4, 5), 0);
                EXPECT_NE(db.KestDbEndChanges(full), 0);
            }
            db.KestDbSetTitle(full, "kept");
        }
        ASSERT_LE(messages.size(), 1u);
        for (const std::string& told : messages) EXPECT_NE(told.find("The working file " + working.string() + " cannot be written"), std::string::npos);
        chosen = (root() / ("full-" + std::to_string(room) + ".ana")).string();
        ASSERT_GT(db.KestDbSaveAs(full, path, 80), 0) << db.lastError();
        EXPECT_EQ(Sql(*chosen, "SELECT title || (SELECT count(*) FROM points) || (SELECT sum(m1) FROM measures) FROM document"),
                  "kept20019900.0");
        EXPECT_EQ(Sql(AsAfterACrash(working), "SELECT count(*) FROM points"), "200") << "brought up to date by the save";
        db.KestDbObjectDelete(full);
    }
}

// Points a variable zone holds back wait in the working file apart from the profile: a crash
// loses none of them, and a recovery puts them back behind the last point, the nearest first,
// with every value they were measured with.
TEST_F(DocumentDatabase, TrialPointsSurviveACrashAndComeBackInPlace) {
    for (int p = 0; p < 5; ++p) {
        db.KestDbAddPt(key, 100 * p, 0, 0);
        db.KestDbEltSetMeasures(key, 0, kByPosition, p, 10.0f + p, 0, 0, 0, 0);
        db.KestDbEltSetStatistics(key, 0, kByPosition, p, CountStatistics{10, 10.0f + p, 0.1f, 0.01f, 1, 1});
        db.KestDbSetPointStatus(key, p, PointStatus::Measured);
    }
    const AnalysisDocument measured = doc();
    ASSERT_EQ(db.KestDbParkPt(key, 4), 1);  // 400 waits
    ASSERT_GT(db.KestDbSave(key, path, 80), 0);
    EXPECT_EQ(Sql(docPath(), "SELECT count(*) || (SELECT count(*) FROM trials) FROM points"), "40")
        << "a saved document holds the profile alone";
    ASSERT_EQ(db.KestDbParkPt(key, 3), 1);  // then 300 above it
    ASSERT_EQ(db.KestDbUnparkPt(key), 1);   // 300 comes back, and leaves again
    ASSERT_EQ(db.KestDbParkPt(key, 3), 1);
    EXPECT_EQ(doc().points.size(), 3u);
    EXPECT_EQ(Sql(AsAfterACrash(db.workingFile(key)), "SELECT count(*) || ' ' || group_concat(x) FROM trials"), "2 400,300");
    db.KestDbObjectAbandon(key);  // the trials are work not saved: a crash

    SqliteAnalysisDatabase next(MakeConfig(), root() / "work", root() / "documents");
    std::string nextKey = "DbScan02", nextPath;
    next.KestDbObjectNew(nextKey, 1, 0);
    const auto leftovers = next.KestDbLeftovers();
    ASSERT_EQ(leftovers.size(), 1u);
    EXPECT_EQ(leftovers[0].points, 5);
    ASSERT_GT(next.KestDbRecover(nextKey, leftovers[0].workingFile, nextPath, 80), 0);
    ExpectSameDocument(*next.document(nextKey), measured);
    EXPECT_TRUE(next.document(nextKey)->trials.empty());
}

// A program that stopped in the middle of writing a document left its rollback journal
// beside it: Open rolls the unfinished change back and says so.
TEST_F(DocumentDatabase, AnUnfinishedChangeIsRolledBackOnOpen) {
    for (int p = 0; p < 300; ++p) db.KestDbAddPt(key, p, 0, 0);
    ASSERT_GT(db.KestDbSave(key, path, 80), 0);
    const fs::path stopped = root() / "stopped.ana";
    sqlite3* writer = nullptr;
    sqlite3_open(docPath().c_str(), &writer);
    // A change larger than a small cache goes into the file before it is committed.
    sqlite3_exec(writer, "PRAGMA cache_size = 1; BEGIN; UPDATE points SET x = x + 7; UPDATE measures SET m1 = 7",
                 nullptr, nullptr, nullptr);
    fs::copy_file(docPath(), stopped);
    fs::copy_file(docPath() + "-journal", stopped.string() + "-journal");
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);

    std::string other = "DbScan02";
    db.KestDbObjectNew(other, 1, 0);
    chosen = stopped.string();
    ASSERT_GT(db.KestDbOpen(other, path, 80), 0) << db.lastError();
    EXPECT_EQ(db.document(other)->points[299].x, 299);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("The change was rolled back"), std::string::npos) << messages[0];
}

// A document whose program ended without releasing it waits in its working file: the next
// program lists it (never while its own program runs), recovers it unsaved under its name
// with its zones, or deletes it.
TEST_F(DocumentDatabase, AWorkingFileLeftBehindIsListedRecoveredOrDeleted) {
    db.KestDbAddPt(key, 1, 2, 3);
    EXPECT_EQ(db.KestDbIsModified(key), 1);
    ASSERT_GT(db.KestDbSave(key, path, 80), 0);
    EXPECT_EQ(db.KestDbIsModified(key), 0);
    db.KestDbAddPt(key, 4, 5, 6);
    db.KestDbKeepZones(key, "the zones");
    const std::string file = db.workingFile(key).string(), saved = docPath();

    SqliteAnalysisDatabase next(MakeConfig(), root() / "work", root() / "documents");
    std::string nextKey = "DbScan02", nextPath;
    next.KestDbObjectNew(nextKey, 1, 0);
    EXPECT_TRUE(next.KestDbLeftovers().empty());
    EXPECT_EQ(next.KestDbRecover(nextKey, file, nextPath, 80), 0);
    db.KestDbObjectAbandon(key);
    const auto leftovers = next.KestDbLeftovers();
    ASSERT_EQ(leftovers.size(), 1u);
    const LeftoverDocument& left = leftovers[0];
    EXPECT_EQ(std::tuple(left.workingFile, left.documentPath, left.points, left.zonesText),
              std::tuple(file, saved, 2, "the zones"));
    EXPECT_EQ(next.KestDbRecover(nextKey, saved, nextPath, 80), 0) << "only working files are recovered";
    ASSERT_EQ(next.KestDbRecover(nextKey, file, nextPath, 80), static_cast<Status>(saved.size()));
    EXPECT_EQ(next.document(nextKey)->points.size(), 2u);
    EXPECT_EQ(next.KestDbIsModified(nextKey), 1);
    EXPECT_EQ(next.KestDbDeleteLeftover(file), 1);
    EXPECT_FALSE(fs::exists(file) || fs::exists(file + "-wal") || fs::exists(file + "-zones"));

    ASSERT_GT(next.KestDbSave(nextKey, nextPath, 80), 0);
    next.KestDbObjectAbandon(nextKey);  // nothing unsaved: nothing left behind
    // A program killed before its working file held anything, or one whose working file held
    // nothing to recover (a list, an export): what they left goes without a word.
    std::ofstream(root() / "work" / "99999-1.ana");
    std::ofstream(root() / "work" / "99999-1.ana-journal") << "half a change";
    std::string reader = "DbRead01";
    next.KestDbObjectNew(reader, 1, 0);
    next.markDisposable(reader);
    next.KestDbAddPt(reader, 1, 1, 1);
    const fs::path disposable = next.workingFile(reader);
    next.KestDbObjectAbandon(reader);
    EXPECT_TRUE(fs::exists(disposable));
    EXPECT_TRUE(FindLeftovers(root() / "work", {}).empty());
    EXPECT_TRUE(fs::is_empty(root() / "work"));
}

TEST(ElementSymbols, CoverHydrogenToLawrencium) {
    for (const auto& [z, symbol] : {std::pair{1, "H"}, {6, "C"}, {26, "Fe"}, {92, "U"}, {103, "Lr"}, {0, ""}, {104, ""}, {-26, ""}})
        EXPECT_EQ(ElementSymbol(z), symbol) << z;
    for (int z = 1; z <= kLastElement; ++z) EXPECT_FALSE(ElementSymbol(z).empty()) << z;
}

TEST_F(DocumentDatabase, TextsFillTheCallersBufferAndPathsMustFit) {
    const std::string expected = (root() / "documents" / "profile-001.ana").string();
    EXPECT_EQ(path, expected + std::string(80 - expected.size(), '\0'));
    db.KestDbSave(key, path, 80);
    EXPECT_EQ(db.KestDbReset(key, path, 80), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(path.substr(0, expected.size()), expected.substr(0, expected.size() - 7) + "002.ana")
        << "New never names an existing file";
    std::string time = "x", label;
    EXPECT_EQ(db.KestDbLastModTime(key, time, 512), 0);

    messages.clear();
    EXPECT_EQ(db.KestDbReset(key, label, 10), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("profile-002.ana"), std::string::npos);

    db.KestDbAddPt(key, 0, 0, 0);
    const std::vector<std::pair<std::string, std::string>> labels{
        {"Z01", "Z01"}, {std::string("Z01\0junk", 8), "Z01"}, {std::string(100, 'L'), std::string(80, 'L')}, {"", ""}};
    for (const auto& [given, kept] : labels) {
        db.KestDbSetAnaLabel(key, 0, given, 0);
        EXPECT_EQ(db.KestDbGetAnaLabel(key, 0, label, 80), static_cast<int32_t>(kept.size()));
        EXPECT_EQ(label, kept + std::string(80 - kept.size(), '\0'));
    }
    db.KestDbSetTitle(key, "A title longer than fifty characters, cut by the graph's buffer");
    EXPECT_EQ(db.KestDbGetTitle(key, label, 50), 50);
    EXPECT_EQ(label, "A title longer than fifty characters, cut by the g");
}

}  // namespace
