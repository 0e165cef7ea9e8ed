// The analysis-database library: documents survive Save and Open bit for bit, bad files are
// refused without harm, every change reaches the working file at once, and the calls
// address elements and points as the program expects.

#include "suite/DocumentFile.h"
#include "suite/ElementSymbols.h"
#include "suite/SqliteAnalysisDatabase.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using namespace kest;

namespace {

ElementSetup Element(int z, int spectrometer, const std::string& standard, bool profile, double percent,
                     double standardCps, double background) {
    ElementSetup e;
    e.z = z;
    e.spectrometer = spectrometer;
    e.standard = standard;
    e.profile = profile;
    e.standard_percent = percent;
    e.standard_cps = standardCps;
    e.background_cps = background;
    return e;
}

// Answers a query against a document file through a connection of its own.
std::string Query(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string answer = "<no row>";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            answer = std::string("<error: ") + sqlite3_errmsg(db) + ">";
        else if (sqlite3_step(stmt) == SQLITE_ROW)
            answer = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return answer;
}

void Execute(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

void ExpectSameDocument(const AnalysisDocument& a, const AnalysisDocument& b) {
    EXPECT_EQ(a.fields.title, b.fields.title);
    EXPECT_EQ(a.fields.userName, b.fields.userName);
    EXPECT_EQ(a.fields.company, b.fields.company);
    EXPECT_EQ(a.fields.comments, b.fields.comments);
    ASSERT_EQ(a.elements.size(), b.elements.size());
    for (std::size_t e = 0; e < a.elements.size(); ++e) {
        const ElementSetup& x = a.elements[e].setup;
        const ElementSetup& y = b.elements[e].setup;
        EXPECT_EQ(x.z, y.z);
        EXPECT_EQ(x.spectrometer, y.spectrometer);
        EXPECT_EQ(x.standard, y.standard);
        EXPECT_EQ(x.profile, y.profile);
        EXPECT_EQ(x.standard_percent, y.standard_percent);
        EXPECT_EQ(x.standard_cps, y.standard_cps);
        EXPECT_EQ(x.background_cps, y.background_cps);
        EXPECT_EQ(a.elements[e].crystal, b.elements[e].crystal);
    }
    ASSERT_EQ(a.points.size(), b.points.size());
    for (std::size_t p = 0; p < a.points.size(); ++p) {
        const DocumentPoint& x = a.points[p];
        const DocumentPoint& y = b.points[p];
        EXPECT_EQ(std::tie(x.x, x.y, x.z, x.label), std::tie(y.x, y.y, y.z, y.label)) << "point " << p;
        ASSERT_EQ(x.values.size(), y.values.size());
        for (std::size_t e = 0; e < x.values.size(); ++e)
            EXPECT_EQ(std::memcmp(&x.values[e], &y.values[e], sizeof(ElementValues)), 0)
                << "measures or results differ at point " << p << ", element " << e;
    }
}

float Bits(uint32_t bits) { return std::bit_cast<float>(bits); }

class DocumentDatabase : public ::testing::Test {
protected:
    DocumentDatabase() : db(MakeConfig(), root() / "work", root() / "documents") {
        db.setMessageSink([this](const std::string& m) { messages.push_back(m); });
        db.setPathChooser([this](PathRequest request, const std::string&) {
            requests.push_back(request);
            return chosen;
        });
        EXPECT_NE(db.KestDbObjectNew(key, 1, 0), 0);
        EXPECT_GT(db.KestDbReset(key, path, 80), 0);
    }

    static SuiteConfig MakeConfig() {
        SuiteConfig config;
        config.setup.elements = {Element(26, 1, "Fe", true, 100.0, 5000.0, 20.0),
                                 Element(6, 3, "std/C-ref.ana", false, 12.5, 800.0, 5.0),
                                 Element(28, 2, "Ni", true, 99.5, 4000.0, 15.0)};
        config.instrument.beam_current_nA = 15.0;
        config.instrument.spectrometers = 4;
        config.instrument.beam_current_readable = false;
        return config;
    }
    fs::path root() const { return fs::path(folder.path().toStdString()); }
    std::string docPath() const { return db.documentPath(key); }
    const AnalysisDocument& doc() const { return *db.document(key); }

    // A document that uses every kind of field, with values that are easy to get wrong.
    void FillEveryField() {
        db.KestDbSetTitle(key, "Profil \xE9tal\xE9 \xA9 2026");
        db.KestDbSetUserName(key, "Fran\xE7oise M\xFCller");
        db.KestDbSetCompany(key, std::string("Lab\x01\xFF", 5));
        db.KestDbSetComments(key, "line 1\r\nline 2\t\xB5m");
        const std::vector<float> awkward{Bits(0x7FC00123),  // NaN with a payload
                                         -0.0f, std::numeric_limits<float>::denorm_min(),
                                         std::numeric_limits<float>::max(), -std::numeric_limits<float>::infinity(),
                                         0.1f, -1234.5678f, 1e-30f, 16777217.0f, 3.0f, Bits(0xFF800001)};
        const std::vector<std::array<int32_t, 3>> positions{{-5000000, 5000000, -1}, {0, 0, 0}, {123, -456, 789}};
        for (std::size_t p = 0; p < positions.size(); ++p) {
            db.KestDbAddPt(key, positions[p][0], positions[p][1], positions[p][2]);
            const auto point = static_cast<int32_t>(p);
            db.KestDbSetAnaLabel(key, point, std::string(80, static_cast<char>('A' + p)) , 0);
            for (int32_t e = 0; e < 3; ++e) {
                const auto at = [&](std::size_t i) { return awkward[(i + p * 3 + static_cast<std::size_t>(e)) % awkward.size()]; };
                db.KestDbEltSetMeasures(key, e, kByPosition, point, at(0), at(1), at(2), at(3), at(4));
                ComputeResult r;
                for (std::size_t i = 0; i < r.field.size(); ++i) r.field[i] = at(i + 5);
                db.KestDbEltSetComputeRes(key, e, kByPosition, point, r);
            }
        }
        db.KestDbSetAnaLabel(key, 1, "Z\xE9" "01 \xFF", 0);
    }

    QTemporaryDir folder;
    SqliteAnalysisDatabase db;
    std::string key = "DbScan01";
    std::string path;
    std::optional<std::string> chosen;
    std::vector<std::string> messages;
    std::vector<PathRequest> requests;
};

TEST_F(DocumentDatabase, SaveThenOpenGivesBackEveryFieldBitForBit) {
    FillEveryField();
    ASSERT_EQ(db.KestDbSave(key, path, 80), static_cast<int32_t>(docPath().size())) << db.lastError();
    const AnalysisDocument saved = doc();

    std::string other = "DbScan02";
    ASSERT_NE(db.KestDbObjectNew(other, 1, 0), 0);
    chosen = docPath();
    std::string openedPath;
    ASSERT_GT(db.KestDbOpen(other, openedPath, 80), 0) << db.lastError();
    ExpectSameDocument(*db.document(other), saved);
    EXPECT_EQ(openedPath.substr(0, chosen->size()), *chosen);

    std::string time;
    EXPECT_EQ(db.KestDbLastModTime(other, time, 512), 19);
    EXPECT_TRUE(std::regex_match(time.substr(0, 19), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << time;
    EXPECT_TRUE(messages.empty());
}

TEST_F(DocumentDatabase, SavedFileIsReadableWithPlainSql) {
    FillEveryField();
    ASSERT_GT(db.KestDbSave(key, path, 80), 0);
    EXPECT_EQ(Query(docPath(), "PRAGMA journal_mode"), "delete");
    EXPECT_EQ(Query(docPath(), "SELECT count(*) FROM profile"), "9");
    EXPECT_EQ(Query(docPath(), "SELECT symbol || ' ' || x || ' ' || y FROM profile WHERE point = 0 AND element = 2"),
              "Ni -5000000 5000000");
    EXPECT_EQ(Query(docPath(), "SELECT standard FROM elements WHERE atomic_number = 6"), "std/C-ref.ana");
}

struct BadFile {
    const char* name;
    std::function<void(const fs::path& file, const fs::path& goodDocument)> make;
    const char* reason;  // words the operator's message must contain
};

TEST_F(DocumentDatabase, OpenRefusesBadFilesAndKeepsTheWorkingDocument) {
    // A good document of several pages, to damage in different ways.
    for (int p = 0; p < 300; ++p) db.KestDbAddPt(key, p, -p, 0);
    ASSERT_GT(db.KestDbSave(key, path, 80), 0);
    const fs::path good = docPath();
    const auto copyGood = [&](const fs::path& file) { fs::copy_file(good, file); };
    const std::vector<BadFile> cases{
        {"missing", [](const fs::path&, const fs::path&) {}, "does not exist"},
        {"text", [](const fs::path& f, const fs::path&) { std::ofstream(f) << "Elt Fe 26\nPoint 1 2 3\n"; },
         "not an SQLite"},
        {"other application",
         [](const fs::path& f, const fs::path&) { Execute(f, "CREATE TABLE points (a, b); INSERT INTO points VALUES (1, 2)"); },
         "another application"},
        {"same id, no tables",
         [](const fs::path& f, const fs::path&) {
             Execute(f, "PRAGMA application_id = " + std::to_string(kDocumentApplicationId) +
                            "; PRAGMA user_version = 1; CREATE TABLE document (id)");
         },
         "damaged"},
        {"newer format",
         [&](const fs::path& f, const fs::path&) { copyGood(f); Execute(f, "PRAGMA user_version = 2"); },
         "newer version"},
        {"bytes overwritten",
         [&](const fs::path& f, const fs::path&) {
             copyGood(f);
             std::fstream out(f, std::ios::in | std::ios::out | std::ios::binary);
             out.seekp(2 * 4096);
             const std::string garbage(4096, '\xA5');
             out.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
         },
         "damaged"},
        {"header overwritten",
         [&](const fs::path& f, const fs::path&) {
             copyGood(f);
             std::fstream out(f, std::ios::in | std::ios::out | std::ios::binary);
             out.write("\0\0\0\0\0\0\0\0", 8);
         },
         "not an SQLite"},
        {"truncated",
         [&](const fs::path& f, const fs::path&) { copyGood(f); fs::resize_file(f, fs::file_size(f) / 2); },
         "damaged"},
    };

    db.KestDbSetTitle(key, "working");
    const std::string pathBefore = docPath();
    const AnalysisDocument before = doc();
    for (const BadFile& bad : cases) {
        SCOPED_TRACE(bad.name);
        const fs::path file = root() / (std::string(bad.name) + ".ana");
        bad.make(file, good);
        messages.clear();
        chosen = file.string();
        std::string buffer;
        EXPECT_EQ(db.KestDbOpen(key, buffer, 80), 0);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(file.string()), std::string::npos) << messages[0];
        EXPECT_NE(messages[0].find(bad.reason), std::string::npos) << messages[0];
        ExpectSameDocument(doc(), before);
        EXPECT_EQ(docPath(), pathBefore);
        EXPECT_EQ(Query(db.workingFile(key), "SELECT title FROM document"), "working");

        std::string reference = "RL000001";
        ASSERT_NE(db.KestDbObjectNew(reference, 1, 0), 0);
        EXPECT_EQ(db.KestDbObjectRead(reference, file.string()), 0);
        EXPECT_FALSE(db.lastError().empty());
        EXPECT_EQ(messages.size(), 1u) << "reading a reference document reports through lastError only";
        db.KestDbObjectDelete(reference);
    }
}

TEST_F(DocumentDatabase, FailedSaveLeavesTheEarlierFileIntact) {
    db.KestDbSetTitle(key, "first");
    ASSERT_GT(db.KestDbSave(key, path, 80), 0);
    std::string firstTime;
    db.KestDbLastModTime(key, firstTime, 512);

    db.KestDbSetTitle(key, "second");
    db.KestDbAddPt(key, 1, 2, 3);
    bool sawCompleteFile = false;
    db.setBeforeReplaceHook([&](const fs::path& temporary) {
        sawCompleteFile = Query(temporary, "SELECT title FROM document") == "second";
        return false;
    });
    EXPECT_EQ(db.KestDbSave(key, path, 80), 0);
    EXPECT_TRUE(sawCompleteFile);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(docPath()), std::string::npos);

    EXPECT_EQ(Query(docPath(), "SELECT title FROM document"), "first");
    EXPECT_EQ(Query(docPath(), "SELECT count(*) FROM points"), "0");
    EXPECT_EQ(std::distance(fs::directory_iterator(docPath().substr(0, docPath().rfind('/'))), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
    std::string time;
    db.KestDbLastModTime(key, time, 512);
    EXPECT_EQ(time, firstTime) << "the last-save time is that of the last successful save";

    db.setBeforeReplaceHook({});
    chosen = (root() / "no-such-folder" / "x.ana").string();
    EXPECT_EQ(db.KestDbSaveAs(key, path, 80), 0);
    EXPECT_EQ(messages.size(), 2u);
    chosen.reset();
    EXPECT_EQ(db.KestDbSaveAs(key, path, 80), 0);
    EXPECT_EQ(messages.size(), 2u) << "a cancelled Save As is silent";
    EXPECT_EQ(requests, (std::vector<PathRequest>{PathRequest::SaveAs, PathRequest::SaveAs}));
}

struct WrittenChange {
    const char* name;
    std::function<void(SqliteAnalysisDatabase&, std::string& key)> change;
    const char* query;
    const char* expected;
};

TEST_F(DocumentDatabase, EveryChangeReachesTheWorkingFileAtOnce) {
    db.KestDbAddPt(key, 10, 20, 30);
    db.KestDbAddPt(key, 11, 21, 31);
    const std::vector<WrittenChange> changes{
        {"title", [](auto& d, auto& k) { d.KestDbSetTitle(k, "T1"); }, "SELECT title FROM document", "T1"},
        {"comments", [](auto& d, auto& k) { d.KestDbSetComments(k, "C1"); }, "SELECT comments FROM document", "C1"},
        {"point", [](auto& d, auto& k) { d.KestDbAddPt(k, -7, 8, 9); },
         "SELECT x || ',' || y || ',' || z FROM points WHERE point = 2", "-7,8,9"},
        {"position", [](auto& d, auto& k) { d.KestDbSetStagePos(k, 0, 1, 2, 3); },
         "SELECT x || ',' || y || ',' || z FROM points WHERE point = 0", "1,2,3"},
        {"label", [](auto& d, auto& k) { d.KestDbSetAnaLabel(k, 1, "Z02", 0); },
         "SELECT label FROM points WHERE point = 1", "Z02"},
        {"measures", [](auto& d, auto& k) { d.KestDbEltSetMeasures(k, 6, kByAtomicNumber, 1, 1.5f, 2, 3, 4, 5); },
         "SELECT m1 || ',' || m5 FROM measures WHERE point = 1 AND element = 1", "1.5,5.0"},
        {"result", [](auto& d, auto& k) { ComputeResult r; r.field[0] = 0.25f; r.field[10] = 7; d.KestDbEltSetComputeRes(k, 2, kByPosition, 0, r); },
         "SELECT f1 || ',' || f11 FROM results WHERE point = 0 AND element = 2", "0.25,7.0"},
        {"delete", [](auto& d, auto& k) { d.KestDbDeletePt(k, 0); },
         "SELECT count(*) || ',' || max(point) || ',' || (SELECT label FROM points WHERE point = 0) FROM points",
         "2,1,Z02"},
    };
    for (const WrittenChange& c : changes) {
        SCOPED_TRACE(c.name);
        c.change(db, key);
        EXPECT_EQ(Query(db.workingFile(key), c.query), c.expected);
    }

    const fs::path working = db.workingFile(key);
    EXPECT_NE(db.KestDbObjectDelete(key), 0);
    EXPECT_FALSE(fs::exists(working));
    EXPECT_FALSE(fs::exists(working.string() + "-wal"));
    EXPECT_FALSE(fs::exists(working.string() + "-shm"));
}

TEST_F(DocumentDatabase, KeyInUseIsReplacedByAFreeKeyOfTheSameLength) {
    const std::vector<std::string> wanted{"DbScan01", "DbScan01", "DbScan  ", "DbScan  ", ""};
    std::vector<std::string> keys{key};
    for (std::string k : wanted) {
        ASSERT_NE(db.KestDbObjectNew(k, 1, 0), 0);
        SCOPED_TRACE(k);
        EXPECT_EQ(k.size(), wanted.front().size());
        EXPECT_EQ(std::count(keys.begin(), keys.end(), k), 0) << "keys are never shared";
        keys.push_back(k);
    }
    EXPECT_EQ(keys[3], "DbScan  ") << "a free key is kept as passed, trailing blanks included";
    db.KestDbAddPt(keys[1], 1, 1, 1);
    EXPECT_EQ(db.KestDbGetNbPts(keys[1]), 1);
    EXPECT_EQ(db.KestDbGetNbPts(keys[2]), 0);
    EXPECT_EQ(db.KestDbObjectNew(keys[2], 2, 0), 0) << "only analysis documents are kept";
}

struct Addressing {
    int32_t element;
    int32_t selector;
    int32_t z;  // 0: no such element
};

TEST_F(DocumentDatabase, ElementsAreAddressedByPositionOrAtomicNumber) {
    db.KestDbAddPt(key, 0, 0, 0);
    const std::vector<Addressing> cases{{0, kByPosition, 26}, {1, kByPosition, 6},   {2, kByPosition, 28},
                                        {3, kByPosition, 0},  {-1, kByPosition, 0}, {6, kByAtomicNumber, 6},
                                        {28, kByAtomicNumber, 28}, {27, kByAtomicNumber, 0}, {0, kByAtomicNumber, 0},
                                        {1, 5, 0}};
    for (const Addressing& c : cases) {
        SCOPED_TRACE(::testing::Message() << "element " << c.element << ", selector " << c.selector);
        const bool exists = c.z != 0;
        float conc = -1;
        int32_t flag = -1, sp = 0;
        std::string name, crystal;
        EXPECT_EQ(db.KestDbEltGetConc(key, c.element, c.selector, conc, flag) != 0, exists);
        EXPECT_EQ(db.KestDbEltGetSpAndXtal(key, c.element, c.selector, sp, crystal, 6) != 0, exists);
        ComputeResult r;
        EXPECT_EQ(db.KestDbEltGetComputeRes(key, c.element, c.selector, 0, r) != 0, exists);
        EXPECT_EQ(db.KestDbEltSetMeasures(key, c.element, c.selector, 0, 1, 2, 3, 4, 5) != 0, exists);
        if (!exists) continue;
        EXPECT_EQ(db.KestDbEltGetStandardName(key, c.element, c.selector, name, 80),
                  c.z == 6 ? 13 : 2);
        EXPECT_EQ(conc, c.z == 6 ? 0.125f : c.z == 28 ? 0.995f : 1.0f);
        EXPECT_EQ(flag, c.z == 6 ? 0 : 1);
        EXPECT_EQ(crystal, c.z == 6 ? std::string("TAP\0\0\0", 6) : c.z == 28 ? std::string("PET\0\0\0", 6)
                                                                              : std::string("LIF\0\0\0", 6));
    }
    EXPECT_EQ(db.KestDbNbElt(key), 3);
    EXPECT_EQ(db.KestDbEltNrAtom(key, 1), 6);
    float current = 0, average = 0;
    EXPECT_NE(db.KestDbEltGetBcAv(key, 26, kByAtomicNumber, current, average), 0);
    EXPECT_EQ(std::make_pair(current, average), std::make_pair(15.0f, 1.0f));
    EXPECT_EQ(std::make_tuple(db.KestGetNbSpectros(), db.KestGetReadBeamCurrentExist(), db.KestGetFaradayCupExist()),
              std::make_tuple(4, 0, 1));
}

TEST_F(DocumentDatabase, CallsOnMissingPointsOrObjectsFailWithoutHarm) {
    db.KestDbAddPt(key, 5, 6, 7);
    std::string unknown = "NoSuchKy";
    for (int32_t point : {-1, 1, 1000, std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(point);
        int32_t x = 0, y = 0, z = 0;
        float m = 0;
        ComputeResult r;
        std::string label;
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

TEST_F(DocumentDatabase, DeletingAPointMovesTheLaterOnesDown) {
    for (int p = 0; p < 4; ++p) {
        db.KestDbAddPt(key, p * 100, 0, 0);
        db.KestDbSetAnaLabel(key, p, "P" + std::to_string(p), 0);
        db.KestDbEltSetMeasures(key, 28, kByAtomicNumber, p, static_cast<float>(p), 0, 0, 0, 0);
    }
    ASSERT_NE(db.KestDbDeletePt(key, 1), 0);
    ASSERT_NE(db.KestDbDeletePt(key, 2), 0);  // the former point 3
    ASSERT_GT(db.KestDbSave(key, path, 80), 0);
    chosen = docPath();
    ASSERT_GT(db.KestDbOpen(key, path, 80), 0);

    ASSERT_EQ(db.KestDbGetNbPts(key), 2);
    const std::vector<std::pair<std::string, float>> expected{{"P0", 0.0f}, {"P2", 2.0f}};
    for (int32_t p = 0; p < 2; ++p) {
        std::string label;
        float m1 = -1, unused = 0;
        int32_t x = 0, y = 0, z = 0;
        db.KestDbGetAnaLabel(key, p, label, 80);
        db.KestDbEltGetMeasures(key, 2, kByPosition, p, m1, unused, unused, unused, unused);
        db.KestDbGetStagePos(key, p, x, y, z);
        EXPECT_EQ(label.c_str(), expected[p].first);
        EXPECT_EQ(m1, expected[p].second);
        EXPECT_EQ(x, p * 200);
    }
}

TEST(ElementSymbols, CoverHydrogenToLawrencium) {
    const std::vector<std::pair<int, std::string>> cases{{1, "H"},   {6, "C"},  {26, "Fe"}, {92, "U"},
                                                         {103, "Lr"}, {0, ""},  {104, ""},  {-26, ""}};
    for (const auto& [z, symbol] : cases) EXPECT_EQ(ElementSymbol(z), symbol) << z;
    for (int z = 1; z <= kLastElement; ++z) EXPECT_FALSE(ElementSymbol(z).empty()) << z;
}

TEST_F(DocumentDatabase, TextsFillTheCallersBufferAndPathsMustFit) {
    EXPECT_EQ(path.size(), 80u);
    const std::string expected = (root() / "documents" / "profile-001.ana").string();
    EXPECT_EQ(path.substr(0, expected.size()), expected);
    EXPECT_EQ(path.find_first_not_of('\0', expected.size()), std::string::npos);

    db.KestDbSave(key, path, 80);
    EXPECT_EQ(db.KestDbReset(key, path, 80), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(path.substr(0, expected.size() - 7), expected.substr(0, expected.size() - 7));
    EXPECT_EQ(path.substr(expected.size() - 7, 7), "002.ana") << "New never names an existing file";
    std::string time = "x";
    EXPECT_EQ(db.KestDbLastModTime(key, time, 512), 0);

    messages.clear();
    std::string shortBuffer;
    EXPECT_EQ(db.KestDbReset(key, shortBuffer, 10), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("profile-002.ana"), std::string::npos);

    db.KestDbAddPt(key, 0, 0, 0);
    std::string label;
    const std::vector<std::pair<std::string, std::string>> labels{
        {"Z01", "Z01"}, {std::string("Z01\0junk", 8), "Z01"}, {std::string(100, 'L'), std::string(80, 'L')}, {"", ""}};
    for (const auto& [given, kept] : labels) {
        db.KestDbSetAnaLabel(key, 0, given, 0);
        EXPECT_EQ(db.KestDbGetAnaLabel(key, 0, label, 80), static_cast<int32_t>(kept.size()));
        EXPECT_EQ(label, kept + std::string(80 - kept.size(), '\0'));
    }
    db.KestDbSetTitle(key, "A title longer than fifty characters, cut by the graph's buffer");
    EXPECT_EQ(db.KestDbGetTitle(key, label, 50), 50);
    EXPECT_EQ(label.size(), 50u);
}

}  // namespace
