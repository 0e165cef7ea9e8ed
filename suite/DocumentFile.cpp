#include "suite/DocumentFile.h"

#include "suite/ElementSymbols.h"

#include <sqlite3.h>

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <utility>

namespace fs = std::filesystem;

namespace kest {

namespace {

// The document tables. Texts are the program's Latin-1 bytes, kept as BLOBs so that they
// come back byte for byte; measures and results are 4-byte floats kept as REAL, except the
// two values a REAL cannot hold exactly (NaN and negative zero), kept as their 4 bytes.
constexpr const char* kSchema = R"sql(
CREATE TABLE document (
    id INTEGER PRIMARY KEY CHECK (id = 1),
    title BLOB NOT NULL,
    user_name BLOB NOT NULL,
    company BLOB NOT NULL,
    comments BLOB NOT NULL,
    last_save TEXT NOT NULL
);
CREATE TABLE elements (
    position INTEGER PRIMARY KEY,
    atomic_number INTEGER NOT NULL,
    symbol TEXT NOT NULL,
    spectrometer INTEGER NOT NULL,
    crystal BLOB NOT NULL,
    standard BLOB NOT NULL,
    profile INTEGER NOT NULL,
    standard_percent REAL NOT NULL,
    standard_cps REAL NOT NULL,
    background_cps REAL NOT NULL,
    standard_current_nA REAL NOT NULL
);
CREATE TABLE points (
    point INTEGER PRIMARY KEY,
    x INTEGER NOT NULL,
    y INTEGER NOT NULL,
    z INTEGER NOT NULL,
    label BLOB NOT NULL
);
CREATE TABLE measures (
    point INTEGER NOT NULL,
    element INTEGER NOT NULL,
    m1 REAL, m2 REAL, m3 REAL, m4 REAL, m5 REAL,
    PRIMARY KEY (point, element)
) WITHOUT ROWID;
CREATE TABLE results (
    point INTEGER NOT NULL,
    element INTEGER NOT NULL,
    f1 REAL, f2 REAL, f3 REAL, f4 REAL, f5 REAL, f6 REAL,
    f7 REAL, f8 REAL, f9 REAL, f10 REAL, f11 REAL,
    PRIMARY KEY (point, element)
) WITHOUT ROWID;
CREATE VIEW profile AS
SELECT p.point, p.x, p.y, p.z, p.label,
       e.position AS element, e.atomic_number, e.symbol, e.standard,
       m.m1 AS count_rate, r.f1 * 100 AS weight_percent,
       m.m1, m.m2, m.m3, m.m4, m.m5,
       r.f1, r.f2, r.f3, r.f4, r.f5, r.f6, r.f7, r.f8, r.f9, r.f10, r.f11
FROM points AS p
CROSS JOIN elements AS e
LEFT JOIN measures AS m ON m.point = p.point AND m.element = e.position
LEFT JOIN results AS r ON r.point = p.point AND r.element = e.position
ORDER BY p.point, e.position;
INSERT INTO document VALUES (1, x'', x'', x'', x'', '');
)sql";

// The counting statistics and the point statuses, in tables of their own: a document
// written before them lacks them and reads as points without statistics or status. A point
// that was never acquired has no row.
constexpr const char* kStatisticsSchema = R"sql(
CREATE TABLE statistics (
    point INTEGER NOT NULL,
    element INTEGER NOT NULL,
    counting_time REAL, count_rate REAL, sigma_percent REAL, lod_percent REAL,
    repeats INTEGER NOT NULL,
    passed INTEGER NOT NULL,
    rate_sigma_cps REAL, background_sigma_cps REAL,
    flags TEXT NOT NULL,
    PRIMARY KEY (point, element)
) WITHOUT ROWID;
CREATE TABLE point_status (
    point INTEGER PRIMARY KEY,
    status TEXT NOT NULL CHECK (status IN ('measured', 'stopped', 'failed'))
);
)sql";

// What the matrix correction reads beyond the elements table: the voltage and take-off angle,
// each element's line and its standard's composition, the elements not measured. A document
// written before them lacks them and reads with the defaults (20 kV, 40 degrees, the line the
// voltage suits, the element alone at standard_percent in its standard, nothing unmeasured).
constexpr const char* kMatrixSchema = R"sql(
CREATE TABLE analysis_conditions (
    id INTEGER PRIMARY KEY CHECK (id = 1),
    accelerating_voltage_kv REAL NOT NULL,
    take_off_angle_deg REAL NOT NULL
);
CREATE TABLE element_lines (
    position INTEGER PRIMARY KEY,
    line TEXT NOT NULL CHECK (line IN ('', 'Ka', 'La', 'Ma'))
);
CREATE TABLE standard_compositions (
    position INTEGER NOT NULL,
    atomic_number INTEGER NOT NULL,
    percent REAL NOT NULL,
    PRIMARY KEY (position, atomic_number)
) WITHOUT ROWID;
CREATE TABLE unmeasured_elements (
    atomic_number INTEGER PRIMARY KEY,
    by_difference INTEGER NOT NULL,
    percent REAL NOT NULL
);
CREATE VIEW matrix_factors AS
SELECT r.point, r.element, e.symbol, r.f2 AS k_ratio, r.f7 AS z_factor, r.f8 AS a_factor, r.f9 AS f_factor,
       r.f10 AS iterations, r.f11 AS matrix_flag
FROM results AS r JOIN elements AS e ON e.position = r.element
ORDER BY r.point, r.element;
)sql";

// A variable zone's trial stack, in a working file only (a saved document's are empty): each
// entry a point, and per element its measures, results and statistics (NULL repeats: none).
constexpr const char* kTrialSchema = R"sql(
CREATE TABLE trials (
    depth INTEGER PRIMARY KEY,
    x INTEGER NOT NULL, y INTEGER NOT NULL, z INTEGER NOT NULL,
    label BLOB NOT NULL,
    status TEXT
);
CREATE TABLE trial_values (
    depth INTEGER NOT NULL,
    element INTEGER NOT NULL,
    m1 REAL, m2 REAL, m3 REAL, m4 REAL, m5 REAL,
    f1 REAL, f2 REAL, f3 REAL, f4 REAL, f5 REAL, f6 REAL, f7 REAL, f8 REAL, f9 REAL, f10 REAL, f11 REAL,
    counting_time REAL, count_rate REAL, sigma_percent REAL, lod_percent REAL, repeats INTEGER, passed INTEGER,
    rate_sigma_cps REAL, background_sigma_cps REAL, flags TEXT,
    PRIMARY KEY (depth, element)
) WITHOUT ROWID;
)sql";

constexpr std::array<const char*, 4> kStatusNames{"", "measured", "stopped", "failed"};

std::string ErrorOf(sqlite3* db) { return db ? sqlite3_errmsg(db) : "out of memory"; }

// One prepared statement; every use binds, steps and resets it.
class Statement {
public:
    Statement(sqlite3* db, const char* sql, bool persistent = false) {
        const unsigned flags = persistent ? SQLITE_PREPARE_PERSISTENT : 0;
        if (sqlite3_prepare_v3(db, sql, -1, flags, &stmt_, nullptr) != SQLITE_OK)
            throw DocumentFileError(ErrorOf(db));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& integer(int index, int64_t value) {
        sqlite3_bind_int64(stmt_, index, value);
        return *this;
    }
    Statement& real(int index, double value) {
        sqlite3_bind_double(stmt_, index, value);
        return *this;
    }
    Statement& bytes(int index, const std::string& value) {
        // data() is never null, so an empty text stays an empty BLOB rather than NULL.
        sqlite3_bind_blob(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& text(int index, const std::string& value) {
        sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& number(int index, float value) {
        if (std::isnan(value) || (value == 0.0f && std::signbit(value))) {
            const auto bits = std::bit_cast<uint32_t>(value);
            const std::array<unsigned char, 4> le{static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                                  static_cast<unsigned char>(bits >> 16),
                                                  static_cast<unsigned char>(bits >> 24)};
            sqlite3_bind_blob(stmt_, index, le.data(), 4, SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_double(stmt_, index, value);
        }
        return *this;
    }

    // Runs a statement that returns no rows.
    void run() {
        const int rc = sqlite3_step(stmt_);
        finish(rc == SQLITE_DONE || rc == SQLITE_ROW);
    }
    // Steps a query: true while there is a row; resets the statement at the end.
    bool next() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        finish(rc == SQLITE_DONE);
        return false;
    }

    int64_t columnInteger(int column) const {
        requireNumber(column);
        return sqlite3_column_int64(stmt_, column);
    }
    double columnReal(int column) const {
        requireNumber(column);
        return sqlite3_column_double(stmt_, column);
    }
    std::string columnBytes(int column) const {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
        const int size = sqlite3_column_bytes(stmt_, column);
        return data ? std::string(data, static_cast<std::size_t>(size)) : std::string();
    }
    // The checked values of a document: each names its table, column and row when refused.
    int64_t columnWhole(int column, int64_t low, int64_t high, const std::string& where) const {
        const int64_t value = sqlite3_column_int64(stmt_, column);
        if (sqlite3_column_type(stmt_, column) == SQLITE_INTEGER && value >= low && value <= high) return value;
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        throw DocumentValueError(named(column, where) + " is " + (text ? text : "NULL") + ", not a whole number from " +
                                 std::to_string(low) + " to " + std::to_string(high));
    }
    std::string columnText(int column, std::size_t capacity, const std::string& where) const {
        std::string text = columnBytes(column);
        if (text.size() > capacity)
            throw DocumentValueError(named(column, where) + " has " + std::to_string(text.size()) +
                                     " characters; the program keeps at most " + std::to_string(capacity));
        return text;
    }
    // A 4-byte number; one beyond its range (a damaged or hand-made document) is refused with
    // the table, column and row, rather than read as infinity.
    float columnNumber(int column, const std::string& where = "value") const {
        const int type = sqlite3_column_type(stmt_, column);
        if (type == SQLITE_BLOB && sqlite3_column_bytes(stmt_, column) == 4) {
            const auto* b = static_cast<const unsigned char*>(sqlite3_column_blob(stmt_, column));
            const uint32_t bits = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
            return std::bit_cast<float>(bits);
        }
        requireNumber(column);
        const double value = sqlite3_column_double(stmt_, column);
        if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
            throw DocumentValueError(named(column, where) + " is " + (text ? text : "?") +
                                     ", beyond the range of the program's numbers (at most 3.4e+38)");
        }
        return static_cast<float>(value);
    }

    sqlite3_stmt* handle() const { return stmt_; }

private:
    std::string named(int column, const std::string& where) const {
        return where.substr(0, where.find(' ')) + "." + sqlite3_column_name(stmt_, column) +
               where.substr(std::min(where.find(' '), where.size()));
    }
    void requireNumber(int column) const {
        const int type = sqlite3_column_type(stmt_, column);
        if (type != SQLITE_INTEGER && type != SQLITE_FLOAT)
            throw DocumentFileError(std::string("column ") + sqlite3_column_name(stmt_, column) + " holds no number");
    }
    void finish(bool ok) {
        sqlite3* db = sqlite3_db_handle(stmt_);
        const std::string error = ok ? std::string() : ErrorOf(db);
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        if (!ok) throw DocumentFileError(error);
    }

    sqlite3_stmt* stmt_ = nullptr;
};

void Execute(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string error = message ? message : ErrorOf(db);
        sqlite3_free(message);
        throw DocumentFileError(error);
    }
}

int64_t PragmaValue(sqlite3* db, const char* sql) {
    Statement pragma(db, sql);
    if (!pragma.next()) throw DocumentFileError(std::string("no answer to ") + sql);
    const int64_t value = pragma.columnInteger(0);
    while (pragma.next()) {
    }
    return value;
}

class Connection {
public:
    Connection(const fs::path& path, int flags) {
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            std::string error = ErrorOf(db_);
            sqlite3_close(db_);
            throw DocumentFileError(error);
        }
        sqlite3_extended_result_codes(db_, 1);
    }
    ~Connection() { sqlite3_close(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    sqlite3* get() const { return db_; }
    sqlite3* release() { return std::exchange(db_, nullptr); }

private:
    sqlite3* db_ = nullptr;
};

bool HasSqliteHeader(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<char, 16> magic{};
    in.read(magic.data(), magic.size());
    return in.gcount() == 16 && std::memcmp(magic.data(), "SQLite format 3", 16) == 0;
}

// Checks that the file is a document of a format this version reads.
void CheckIdentity(sqlite3* db) {
    if (PragmaValue(db, "PRAGMA application_id") != kDocumentApplicationId)
        throw DocumentFileError("it is an SQLite database of another application, not an analysis document");
    const int64_t version = PragmaValue(db, "PRAGMA user_version");
    if (version > kDocumentFormatVersion)
        throw DocumentFileError("it was written by a newer version of the program (document format " +
                                std::to_string(version) + "; this version reads format " +
                                std::to_string(kDocumentFormatVersion) + ")");
    if (version < 1) throw DocumentFileError("its document format version " + std::to_string(version) + " is unknown");
    Statement check(db, "PRAGMA quick_check(1)");
    std::string verdict = check.next() ? check.columnBytes(0) : std::string("no answer");
    while (check.next()) {
    }
    if (verdict != "ok") {
        // SQLite's report starts with a line that names the schema; the operator needs the rest.
        const std::string banner = "*** in database main ***\n";
        if (verdict.starts_with(banner)) verdict.erase(0, banner.size());
        std::replace(verdict.begin(), verdict.end(), '\n', ' ');
        throw DocumentFileError("the file is damaged (" + verdict + ")");
    }
}

// The index a table row names, which must lie in 0..count-1.
std::size_t CheckedIndex(int64_t value, std::size_t count, const char* what) {
    if (value < 0 || static_cast<uint64_t>(value) >= count)
        throw DocumentFileError(std::string("a row names ") + what + " " + std::to_string(value) + ", which does not exist");
    return static_cast<std::size_t>(value);
}

constexpr int64_t kInt32Low = INT32_MIN, kInt32High = INT32_MAX;

std::string Row(const char* table, std::size_t index) {
    return std::string(table) + " of " + (table[0] == 'p' ? "point " : "element ") + std::to_string(index);
}

bool HasTable(sqlite3* db, const char* name) {
    Statement q(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?1");
    q.text(1, name);
    const bool found = q.next() && q.columnInteger(0) > 0;
    while (q.next()) {
    }
    return found;
}

// A column that documents written before it lack: they read as its default.
std::string ColumnOrDefault(sqlite3* db, const char* table, const char* column, const char* byDefault) {
    Statement q(db, "SELECT count(*) FROM pragma_table_info(?1) WHERE name = ?2");
    q.text(1, table).text(2, column);
    const bool found = q.next() && q.columnInteger(0) > 0;
    while (q.next()) {
    }
    return found ? column : byDefault;
}

int32_t FlagsNamed(const std::string& text) {
    int32_t flags = 0;
    for (const auto& [flag, name] : kQualityFlagNames)
        if ((" " + text + " ").find(std::string(" ") + name + " ") != std::string::npos) flags |= flag;
    return flags;
}

PointStatus StatusNamed(const std::string& name) {
    for (std::size_t i = 1; i < kStatusNames.size(); ++i)
        if (name == kStatusNames[i]) return static_cast<PointStatus>(i);
    throw DocumentFileError("a point has the status \"" + name + "\", which is not known");
}

void ReadStatisticsTables(sqlite3* db, AnalysisDocument& document) {
    const std::size_t nPoints = document.points.size();
    const std::size_t nElements = document.elements.size();
    if (HasTable(db, "statistics")) {
        const std::string sql = "SELECT point, element, counting_time, count_rate, sigma_percent, lod_percent, repeats, passed, " +
                                ColumnOrDefault(db, "statistics", "rate_sigma_cps", "0") + ", " +
                                ColumnOrDefault(db, "statistics", "background_sigma_cps", "0") + ", " +
                                ColumnOrDefault(db, "statistics", "flags", "''") + " FROM statistics";
        Statement q(db, sql.c_str());
        while (q.next()) {
            const std::size_t p = CheckedIndex(q.columnInteger(0), nPoints, "point");
            const std::size_t e = CheckedIndex(q.columnInteger(1), nElements, "element");
            const std::string row = "statistics of point " + std::to_string(p);
            document.points[p].values[e].statistics = {q.columnNumber(2, row), q.columnNumber(3, row), q.columnNumber(4, row),
                                                       q.columnNumber(5, row), static_cast<int32_t>(q.columnInteger(6)),
                                                       q.columnInteger(7) != 0 ? 1 : 0, q.columnNumber(8, row),
                                                       q.columnNumber(9, row), FlagsNamed(q.columnBytes(10))};
        }
    }
    if (HasTable(db, "point_status")) {
        Statement q(db, "SELECT point, status FROM point_status");
        while (q.next())
            document.points[CheckedIndex(q.columnInteger(0), nPoints, "point")].status = StatusNamed(q.columnBytes(1));
    }
}

void ReadMatrixTables(sqlite3* db, AnalysisDocument& document) {
    const std::size_t nElements = document.elements.size();
    if (HasTable(db, "analysis_conditions")) {
        Statement q(db, "SELECT accelerating_voltage_kv, take_off_angle_deg FROM analysis_conditions WHERE id = 1");
        if (q.next()) {
            document.matrix.accelerating_voltage_kV = q.columnReal(0);
            document.matrix.take_off_angle_deg = q.columnReal(1);
        }
        while (q.next()) {
        }
    }
    if (HasTable(db, "element_lines")) {
        Statement q(db, "SELECT position, line FROM element_lines");
        while (q.next())
            document.elements[CheckedIndex(q.columnInteger(0), nElements, "element")].setup.line = q.columnBytes(1);
    }
    if (HasTable(db, "standard_compositions")) {
        Statement q(db, "SELECT position, atomic_number, percent FROM standard_compositions");
        while (q.next()) {
            ElementSetup& setup = document.elements[CheckedIndex(q.columnInteger(0), nElements, "element")].setup;
            setup.standard_composition[static_cast<int>(q.columnWhole(1, 1, kLastElement, "standard_compositions"))] =
                q.columnReal(2);
        }
    }
    if (HasTable(db, "unmeasured_elements")) {
        Statement q(db, "SELECT atomic_number, by_difference, percent FROM unmeasured_elements ORDER BY atomic_number");
        while (q.next())
            document.matrix.unmeasured.push_back({static_cast<int>(q.columnWhole(0, 1, kLastElement, "unmeasured_elements")),
                                                  q.columnInteger(1) != 0, q.columnReal(2)});
    }
}

void ReadTrials(sqlite3* db, AnalysisDocument& document) {
    if (!HasTable(db, "trials")) return;
    Statement q(db, "SELECT depth, x, y, z, label, status FROM trials ORDER BY depth");
    while (q.next()) {
        if (q.columnInteger(0) != static_cast<int64_t>(document.trials.size()))
            throw DocumentFileError("the trial points are not numbered 0, 1, 2...");
        const std::string row = "trials of point " + std::to_string(document.trials.size());
        DocumentPoint p = document.newPoint(static_cast<int32_t>(q.columnWhole(1, kInt32Low, kInt32High, row)),
                                            static_cast<int32_t>(q.columnWhole(2, kInt32Low, kInt32High, row)),
                                            static_cast<int32_t>(q.columnWhole(3, kInt32Low, kInt32High, row)));
        p.label = q.columnText(4, kLabelCapacity, row);
        if (const std::string status = q.columnBytes(5); !status.empty()) p.status = StatusNamed(status);
        document.trials.push_back(std::move(p));
    }
    Statement v(db, "SELECT depth, element, m1, m2, m3, m4, m5, f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11,"
                    " counting_time, count_rate, sigma_percent, lod_percent, repeats, passed, rate_sigma_cps,"
                    " background_sigma_cps, flags FROM trial_values");
    while (v.next()) {
        const std::size_t t = CheckedIndex(v.columnInteger(0), document.trials.size(), "trial point");
        const std::size_t e = CheckedIndex(v.columnInteger(1), document.elements.size(), "element");
        ElementValues& values = document.trials[t].values[e];
        for (std::size_t i = 0; i < kMeasureCount; ++i) values.measures[i] = v.columnNumber(static_cast<int>(2 + i));
        for (std::size_t i = 0; i < values.result.field.size(); ++i)
            values.result.field[i] = v.columnNumber(static_cast<int>(7 + i));
        if (sqlite3_column_type(v.handle(), 22) != SQLITE_NULL)
            values.statistics = {v.columnNumber(18), v.columnNumber(19), v.columnNumber(20), v.columnNumber(21),
                                 static_cast<int32_t>(v.columnInteger(22)), v.columnInteger(23) != 0 ? 1 : 0,
                                 v.columnNumber(24), v.columnNumber(25), FlagsNamed(v.columnBytes(26))};
    }
}

AnalysisDocument ReadTables(sqlite3* db) {
    AnalysisDocument document;
    {
        Statement q(db, "SELECT title, user_name, company, comments, last_save FROM document WHERE id = 1");
        if (!q.next()) throw DocumentFileError("the descriptive fields are missing");
        DocumentFields& f = document.fields;
        for (auto [column, field] : {std::pair{0, &f.title}, {1, &f.userName}, {2, &f.company}, {3, &f.comments},
                                     {4, &f.lastSave}})
            *field = q.columnText(column, kFieldCapacity, "document");
        while (q.next()) {
        }
    }
    {
        const std::string sql =
            "SELECT position, atomic_number, spectrometer, crystal, standard, profile, standard_percent,"
            " standard_cps, background_cps, " + ColumnOrDefault(db, "elements", "standard_current_nA", "0") +
            " FROM elements ORDER BY position";
        Statement q(db, sql.c_str());
        while (q.next()) {
            if (q.columnInteger(0) != static_cast<int64_t>(document.elements.size()))
                throw DocumentFileError("the elements are not numbered 0, 1, 2...");
            const std::string row = Row("elements", document.elements.size());
            DocumentElement e;
            e.setup.z = static_cast<int>(q.columnWhole(1, 1, kLastElement, row));
            e.setup.spectrometer = static_cast<int>(q.columnWhole(2, 1, kMostSpectrometers, row));
            e.crystal = q.columnText(3, kCrystalCapacity, row);
            e.setup.standard = q.columnText(4, kPathCapacity, row);
            e.setup.profile = q.columnInteger(5) != 0;
            e.setup.standard_percent = q.columnReal(6);
            e.setup.standard_cps = q.columnReal(7);
            e.setup.background_cps = q.columnReal(8);
            e.setup.standard_current_nA = q.columnReal(9);
            document.elements.push_back(std::move(e));
        }
    }
    {
        Statement q(db, "SELECT point, x, y, z, label FROM points ORDER BY point");
        while (q.next()) {
            if (q.columnInteger(0) != static_cast<int64_t>(document.points.size()))
                throw DocumentFileError("the points are not numbered 0, 1, 2...");
            const std::string row = Row("points", document.points.size());
            DocumentPoint p = document.newPoint(static_cast<int32_t>(q.columnWhole(1, kInt32Low, kInt32High, row)),
                                                static_cast<int32_t>(q.columnWhole(2, kInt32Low, kInt32High, row)),
                                                static_cast<int32_t>(q.columnWhole(3, kInt32Low, kInt32High, row)));
            p.label = q.columnText(4, kLabelCapacity, row);
            document.points.push_back(std::move(p));
        }
    }
    const std::size_t nPoints = document.points.size();
    const std::size_t nElements = document.elements.size();
    {
        Statement q(db, "SELECT point, element, m1, m2, m3, m4, m5 FROM measures");
        while (q.next()) {
            const std::size_t p = CheckedIndex(q.columnInteger(0), nPoints, "point");
            const std::size_t e = CheckedIndex(q.columnInteger(1), nElements, "element");
            const std::string row = "measures of point " + std::to_string(p);
            for (std::size_t i = 0; i < kMeasureCount; ++i)
                document.points[p].values[e].measures[i] = q.columnNumber(static_cast<int>(2 + i), row);
        }
    }
    {
        Statement q(db, "SELECT point, element, f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11 FROM results");
        while (q.next()) {
            const std::size_t p = CheckedIndex(q.columnInteger(0), nPoints, "point");
            const std::size_t e = CheckedIndex(q.columnInteger(1), nElements, "element");
            auto& field = document.points[p].values[e].result.field;
            const std::string row = "results of point " + std::to_string(p);
            for (std::size_t i = 0; i < field.size(); ++i) field[i] = q.columnNumber(static_cast<int>(2 + i), row);
        }
    }
    ReadStatisticsTables(db, document);
    ReadMatrixTables(db, document);
    ReadTrials(db, document);
    return document;
}

}  // namespace

namespace {

// Met by a read-only reader where SQLite must first roll back an unfinished change.
struct UnfinishedChange {};

void RequireRegularFile(const fs::path& path) {
    std::error_code ec;
    switch (fs::status(path, ec).type()) {
        case fs::file_type::regular: return;
        case fs::file_type::not_found: throw DocumentFileError("the file does not exist");
        case fs::file_type::directory: throw DocumentFileError("it is a folder, not a file");
        case fs::file_type::fifo: throw DocumentFileError("it is a named pipe (FIFO), not a file");
        case fs::file_type::character:
        case fs::file_type::block: throw DocumentFileError("it is a device, not a file");
        default: throw DocumentFileError(ec ? "it cannot be reached (" + ec.message() + ")" : "it is not a regular file");
    }
}

AnalysisDocument ReadOpenedDocument(const fs::path& path) {
    try {
        Connection connection(path, SQLITE_OPEN_READONLY);
        Execute(connection.get(), "PRAGMA cell_size_check = ON");
        try {
            CheckIdentity(connection.get());
        } catch (const DocumentFileError& e) {
            if (sqlite3_extended_errcode(connection.get()) == SQLITE_READONLY_ROLLBACK) throw UnfinishedChange{};
            // A file whose first pages are damaged fails here with SQLite's own words.
            const int code = sqlite3_errcode(connection.get()) & 0xff;
            if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)
                throw DocumentFileError(std::string("the file is damaged (") + e.what() + ")");
            throw;
        }
        try {
            return ReadTables(connection.get());
        } catch (const DocumentValueError&) {
            throw;
        } catch (const DocumentFileError& e) {
            throw DocumentFileError(std::string("the file is damaged or incomplete (") + e.what() + ")");
        }
    } catch (const DocumentFileError&) {
        throw;
    } catch (const std::exception& e) {
        throw DocumentFileError(e.what());
    }
}

// The path SQLite is given: the file's own, or for a path too long for SQLite a copy (with
// the journal and write-ahead log beside it) in the system's temporary folder.
class ShortPath {
public:
    explicit ShortPath(const fs::path& path) : path_(path) {
        if (path.string().size() <= kSqlitePathLimit) return;
        static std::atomic<unsigned> copies{0};
        path_ = fs::temp_directory_path() / ("kestplus-" + std::to_string(::getpid()) + "-" + std::to_string(++copies) + ".ana");
        copied_ = true;
        for (const char* companion : {"", "-wal", "-journal"}) {
            std::error_code ec;
            const fs::path from = path.string() + companion;
            if (fs::exists(from, ec) && !fs::copy_file(from, path_.string() + companion, ec))
                throw DocumentFileError("it cannot be copied to a shorter path to be read (" + ec.message() + ")");
        }
    }
    ~ShortPath() {
        if (copied_) DocumentStore::RemoveFiles(path_);
    }
    ShortPath(const ShortPath&) = delete;
    ShortPath& operator=(const ShortPath&) = delete;
    const fs::path& path() const { return path_; }
    bool copied() const { return copied_; }

private:
    fs::path path_;
    bool copied_ = false;
};

// The first read of a read-write connection rolls the unfinished change back.
void RollBack(const fs::path& path) {
    Connection connection(path, SQLITE_OPEN_READWRITE);
    PragmaValue(connection.get(), "PRAGMA schema_version");
}

}  // namespace

std::string AsDocumentPath(const std::string& path) {
    const bool ana = path.size() >= 4 && ::strcasecmp(path.c_str() + path.size() - 4, ".ana") == 0;
    return ana ? path : path + ".ana";
}

AnalysisDocument ReadDocumentFile(const fs::path& path, std::string* note) {
    RequireRegularFile(path);
    if (!HasSqliteHeader(path))
        throw DocumentFileError("it is not an analysis document (not an SQLite database, or its header is damaged)");
    const ShortPath readable(path);
    try {
        return ReadOpenedDocument(readable.path());
    } catch (const UnfinishedChange&) {  // rolled back below
    }
    const std::string journal = path.string() + "-journal";
    try {
        RollBack(readable.path());
    } catch (const DocumentFileError& e) {
        throw DocumentFileError("a program stopped while writing it and left an unfinished change in " + journal +
                                ", which cannot be rolled back here (" + e.what() +
                                "); copy the document and its journal to a folder you can write to and open the copy");
    }
    if (note)
        *note = "The document " + path.string() + " had an unfinished change, left in " + journal +
                " by a program that stopped while writing it. " +
                (readable.copied() ? "It is read as it was before that change; the file is left as it is."
                                   : "The change was rolled back: the document is as it was before it.");
    return ReadOpenedDocument(readable.path());
}

// ---------------------------------------------------------------------------------------

struct DocumentStore::Statements {
    explicit Statements(sqlite3* db)
        : savepoint(db, "SAVEPOINT change", true),
          release(db, "RELEASE change", true),
          rollbackTo(db, "ROLLBACK TO change", true),
          setFields(db,
                    "UPDATE document SET title = ?1, user_name = ?2, company = ?3, comments = ?4,"
                    " last_save = ?5 WHERE id = 1",
                    true),
          insertElement(db, "INSERT INTO elements VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)", true),
          insertPoint(db, "INSERT INTO points VALUES (?1, ?2, ?3, ?4, ?5)", true),
          insertMeasures(db, "INSERT INTO measures VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)", true),
          insertResult(db, "INSERT INTO results VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)", true),
          setPosition(db, "UPDATE points SET x = ?2, y = ?3, z = ?4 WHERE point = ?1", true),
          setLabel(db, "UPDATE points SET label = ?2 WHERE point = ?1", true),
          setMeasures(db,
                      "UPDATE measures SET m1 = ?3, m2 = ?4, m3 = ?5, m4 = ?6, m5 = ?7"
                      " WHERE point = ?1 AND element = ?2",
                      true),
          setResult(db,
                    "UPDATE results SET f1 = ?3, f2 = ?4, f3 = ?5, f4 = ?6, f5 = ?7, f6 = ?8, f7 = ?9,"
                    " f8 = ?10, f9 = ?11, f10 = ?12, f11 = ?13 WHERE point = ?1 AND element = ?2",
                    true),
          setStatistics(db, "INSERT OR REPLACE INTO statistics VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)", true),
          setStatus(db, "INSERT OR REPLACE INTO point_status VALUES (?1, ?2)", true),
          clearStatus(db, "DELETE FROM point_status WHERE point = ?1", true) {}

    Statement savepoint, release, rollbackTo;
    Statement setFields;
    Statement insertElement, insertPoint, insertMeasures, insertResult;
    Statement setPosition, setLabel, setMeasures, setResult;
    Statement setStatistics, setStatus, clearStatus;
};

// One change: the whole of it reaches the file, or none of it.
class DocumentStore::Savepoint {
public:
    explicit Savepoint(DocumentStore& store) : store_(store) { store_.statements_->savepoint.run(); }
    ~Savepoint() {
        if (released_) return;
        try {
            store_.statements_->rollbackTo.run();
            store_.statements_->release.run();
        } catch (const DocumentFileError&) {  // nothing more to undo
        }
        // A commit that failed (a full disk) leaves its transaction open: outside a batch it is
        // ended here, or every later change and every save would fail inside it.
        if (store_.batchDepth_ == 0 && !sqlite3_get_autocommit(store_.db_)) sqlite3_exec(store_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;
    void release() {
        store_.statements_->release.run();
        released_ = true;
    }

private:
    DocumentStore& store_;
    bool released_ = false;
};

namespace {

void InsertPointRows(Statement& insertPoint, Statement& insertMeasures, Statement& insertResult, int32_t index,
                     const DocumentPoint& point) {
    insertPoint.integer(1, index).integer(2, point.x).integer(3, point.y).integer(4, point.z).bytes(5, point.label).run();
    for (std::size_t e = 0; e < point.values.size(); ++e) {
        const ElementValues& v = point.values[e];
        insertMeasures.integer(1, index).integer(2, static_cast<int64_t>(e));
        for (std::size_t i = 0; i < v.measures.size(); ++i) insertMeasures.number(static_cast<int>(3 + i), v.measures[i]);
        insertMeasures.run();
        insertResult.integer(1, index).integer(2, static_cast<int64_t>(e));
        for (std::size_t i = 0; i < v.result.field.size(); ++i)
            insertResult.number(static_cast<int>(3 + i), v.result.field[i]);
        insertResult.run();
    }
}

void WriteStatistics(Statement& setStatistics, int32_t point, int32_t element, const CountStatistics& statistics) {
    setStatistics.integer(1, point)
        .integer(2, element)
        .number(3, statistics.countingTime)
        .number(4, statistics.rate)
        .number(5, statistics.sigma)
        .number(6, statistics.lod)
        .integer(7, statistics.repeats)
        .integer(8, statistics.passed)
        .number(9, statistics.rateSigma)
        .number(10, statistics.backgroundSigma)
        .text(11, QualityFlagText(statistics.flags))
        .run();
}

void WriteStatus(Statement& setStatus, Statement& clearStatus, int32_t point, PointStatus status) {
    const auto index = static_cast<std::size_t>(status);
    if (index == 0 || index >= kStatusNames.size()) return clearStatus.integer(1, point).run();
    setStatus.integer(1, point).text(2, kStatusNames[index]).run();
}

// The rows of a point's statistics and status, for a point that has them.
void InsertPointExtras(Statement& setStatistics, Statement& setStatus, Statement& clearStatus, int32_t index,
                       const DocumentPoint& point) {
    if (point.status != PointStatus::None) WriteStatus(setStatus, clearStatus, index, point.status);
    for (std::size_t e = 0; e < point.values.size(); ++e)
        if (point.values[e].statistics != CountStatistics{})
            WriteStatistics(setStatistics, index, static_cast<int32_t>(e), point.values[e].statistics);
}

}  // namespace

DocumentStore::DocumentStore(const fs::path& path) : path_(path), lock_(WorkingFileLock::Create(path)) {
    if (!lock_)
        throw DocumentFileError("the working file " + path.string() + " cannot be created: " +
                                (errno == EEXIST ? std::string("it exists already") : std::strerror(errno)));
    struct RemoveUnlessDone {  // a store that fails half-way leaves no file behind
        const fs::path& path;
        bool done = false;
        ~RemoveUnlessDone() {
            if (!done) RemoveFiles(path);
        }
    } cleanup{path_};
    RemoveCompanions(path_);  // an old write-ahead log must never be applied to the new file
    Connection connection(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // The program alone writes its working file: holding the lock for good spares two
    // system calls a change, which a long scan makes hundreds of thousands of.
    Execute(connection.get(), "PRAGMA locking_mode = EXCLUSIVE");
    Execute(connection.get(), "PRAGMA journal_mode = WAL");
    Execute(connection.get(), "PRAGMA synchronous = NORMAL");
    Execute(connection.get(), ("PRAGMA application_id = " + std::to_string(kDocumentApplicationId)).c_str());
    Execute(connection.get(), ("PRAGMA user_version = " + std::to_string(kDocumentFormatVersion)).c_str());
    Execute(connection.get(), "BEGIN");
    Execute(connection.get(), kSchema);
    Execute(connection.get(), kStatisticsSchema);
    Execute(connection.get(), kMatrixSchema);
    Execute(connection.get(), kTrialSchema);
    Execute(connection.get(), "COMMIT");
    // The file itself then names the program and holds the tables, not only its log.
    Execute(connection.get(), "PRAGMA wal_checkpoint(TRUNCATE)");
    statements_ = std::make_unique<Statements>(connection.get());
    db_ = connection.release();
    cleanup.done = true;
}

DocumentStore::~DocumentStore() {
    statements_.reset();
    sqlite3_close(db_);
    if (!keepFiles_) RemoveFiles(path_);  // still under the lock, released after this
}

void DocumentStore::execute(const char* sql) { Execute(db_, sql); }

void DocumentStore::replaceAll(const AnalysisDocument& document) {
    Savepoint change(*this);
    execute("DELETE FROM results; DELETE FROM measures; DELETE FROM points; DELETE FROM elements");
    setFields(document.fields);
    Statements& s = *statements_;
    for (std::size_t i = 0; i < document.elements.size(); ++i) {
        const DocumentElement& e = document.elements[i];
        s.insertElement.integer(1, static_cast<int64_t>(i))
            .integer(2, e.setup.z)
            .text(3, ElementSymbol(e.setup.z))
            .integer(4, e.setup.spectrometer)
            .bytes(5, e.crystal)
            .bytes(6, e.setup.standard)
            .integer(7, e.setup.profile ? 1 : 0)
            .real(8, e.setup.standard_percent)
            .real(9, e.setup.standard_cps)
            .real(10, e.setup.background_cps)
            .real(11, e.setup.standard_current_nA)
            .run();
    }
    writeMatrixTables(document);
    execute("DELETE FROM statistics; DELETE FROM point_status; DELETE FROM trials; DELETE FROM trial_values");
    for (std::size_t p = 0; p < document.points.size(); ++p) {
        InsertPointRows(s.insertPoint, s.insertMeasures, s.insertResult, static_cast<int32_t>(p), document.points[p]);
        InsertPointExtras(s.setStatistics, s.setStatus, s.clearStatus, static_cast<int32_t>(p), document.points[p]);
    }
    change.release();
}

void DocumentStore::writeMatrixTables(const AnalysisDocument& document) {
    execute("DELETE FROM analysis_conditions; DELETE FROM element_lines; DELETE FROM standard_compositions;"
            " DELETE FROM unmeasured_elements");
    Statement(db_, "INSERT INTO analysis_conditions VALUES (1, ?1, ?2)")
        .real(1, document.matrix.accelerating_voltage_kV)
        .real(2, document.matrix.take_off_angle_deg)
        .run();
    Statement line(db_, "INSERT INTO element_lines VALUES (?1, ?2)");
    Statement component(db_, "INSERT INTO standard_compositions VALUES (?1, ?2, ?3)");
    for (std::size_t i = 0; i < document.elements.size(); ++i) {
        const ElementSetup& setup = document.elements[i].setup;
        line.integer(1, static_cast<int64_t>(i)).text(2, setup.line).run();
        for (const auto& [z, percent] : setup.standard_composition)
            component.integer(1, static_cast<int64_t>(i)).integer(2, z).real(3, percent).run();
    }
    Statement unmeasured(db_, "INSERT INTO unmeasured_elements VALUES (?1, ?2, ?3)");
    for (const UnmeasuredSetup& u : document.matrix.unmeasured)
        unmeasured.integer(1, u.z).integer(2, u.by_difference ? 1 : 0).real(3, u.percent).run();
}

void DocumentStore::setFields(const DocumentFields& fields) {
    Savepoint change(*this);
    statements_->setFields.bytes(1, fields.title)
        .bytes(2, fields.userName)
        .bytes(3, fields.company)
        .bytes(4, fields.comments)
        .text(5, fields.lastSave)
        .run();
    change.release();
}

void DocumentStore::appendPoint(int32_t index, const DocumentPoint& point) {
    Savepoint change(*this);
    Statements& s = *statements_;
    InsertPointRows(s.insertPoint, s.insertMeasures, s.insertResult, index, point);
    InsertPointExtras(s.setStatistics, s.setStatus, s.clearStatus, index, point);
    change.release();
}

void DocumentStore::deletePoint(int32_t index) {
    // The later points move down by one. Their numbers go negative first, so that no
    // intermediate row collides with a number still in use.
    static constexpr std::array<const char*, 9> kSteps{
        "DELETE FROM points WHERE point = ?1",
        "DELETE FROM measures WHERE point = ?1",
        "DELETE FROM results WHERE point = ?1",
        "UPDATE points SET point = -point WHERE point > ?1",
        "UPDATE measures SET point = -point WHERE point > ?1",
        "UPDATE results SET point = -point WHERE point > ?1",
        "UPDATE points SET point = -point - 1 WHERE point < 0",
        "UPDATE measures SET point = -point - 1 WHERE point < 0",
        "UPDATE results SET point = -point - 1 WHERE point < 0",
    };
    // The same for the statistics and the statuses.
    static constexpr std::array<const char*, 6> kExtraSteps{
        "DELETE FROM statistics WHERE point = ?1",
        "DELETE FROM point_status WHERE point = ?1",
        "UPDATE statistics SET point = -point WHERE point > ?1",
        "UPDATE point_status SET point = -point WHERE point > ?1",
        "UPDATE statistics SET point = -point - 1 WHERE point < 0",
        "UPDATE point_status SET point = -point - 1 WHERE point < 0",
    };
    Savepoint change(*this);
    for (const char* sql : kSteps) Statement(db_, sql).integer(1, index).run();
    for (const char* sql : kExtraSteps) Statement(db_, sql).integer(1, index).run();
    change.release();
}

void DocumentStore::movePoint(int32_t from, int32_t to) {
    // The moved point waits on a number no point has; the points between go negative
    // (-p - 1) and come back one up or one down, so that no row collides with a number in use.
    static constexpr std::array<const char*, 5> kTables{"points", "measures", "results", "statistics", "point_status"};
    static constexpr int64_t kParked = -2000000000;
    const bool up = from > to;  // the points between move up by one
    const int64_t first = up ? to : from + 1, last = up ? from - 1 : to;
    Savepoint change(*this);
    for (const char* table : kTables) {
        const std::string update = std::string("UPDATE ") + table + " SET point = ";
        Statement(db_, (update + "?2 WHERE point = ?1").c_str()).integer(1, from).integer(2, kParked).run();
        Statement(db_, (update + "-point - 1 WHERE point BETWEEN ?1 AND ?2").c_str()).integer(1, first).integer(2, last).run();
        Statement(db_, (update + (up ? "-point" : "-point - 2") + " WHERE point < 0 AND point <> ?1").c_str())
            .integer(1, kParked)
            .run();
        Statement(db_, (update + "?1 WHERE point = ?2").c_str()).integer(1, to).integer(2, kParked).run();
    }
    change.release();
}

void DocumentStore::setStagePosition(int32_t point, int32_t x, int32_t y, int32_t z) {
    Savepoint change(*this);
    statements_->setPosition.integer(1, point).integer(2, x).integer(3, y).integer(4, z).run();
    change.release();
}

void DocumentStore::setLabel(int32_t point, const std::string& label) {
    Savepoint change(*this);
    statements_->setLabel.integer(1, point).bytes(2, label).run();
    change.release();
}

void DocumentStore::setMeasures(int32_t point, int32_t element, const Measures& measures) {
    Savepoint change(*this);
    Statement& s = statements_->setMeasures;
    s.integer(1, point).integer(2, element);
    for (std::size_t i = 0; i < measures.size(); ++i) s.number(static_cast<int>(3 + i), measures[i]);
    s.run();
    change.release();
}

void DocumentStore::setResult(int32_t point, int32_t element, const ComputeResult& result) {
    Savepoint change(*this);
    Statement& s = statements_->setResult;
    s.integer(1, point).integer(2, element);
    for (std::size_t i = 0; i < result.field.size(); ++i) s.number(static_cast<int>(3 + i), result.field[i]);
    s.run();
    change.release();
}

// One statement each: SQLite makes it whole or nothing without a savepoint of its own.
void DocumentStore::setStatistics(int32_t point, int32_t element, const CountStatistics& statistics) {
    WriteStatistics(statements_->setStatistics, point, element, statistics);
}

void DocumentStore::setPointStatus(int32_t point, PointStatus status) {
    WriteStatus(statements_->setStatus, statements_->clearStatus, point, status);
}

void DocumentStore::parkPoint(int32_t point, int32_t depth) {
    static constexpr std::array<const char*, 2> kSteps{
        "INSERT INTO trials SELECT ?2, x, y, z, label, (SELECT status FROM point_status WHERE point = ?1)"
        " FROM points WHERE point = ?1",
        "INSERT INTO trial_values SELECT ?2, m.element, m.m1, m.m2, m.m3, m.m4, m.m5, r.f1, r.f2, r.f3, r.f4, r.f5,"
        " r.f6, r.f7, r.f8, r.f9, r.f10, r.f11, s.counting_time, s.count_rate, s.sigma_percent, s.lod_percent,"
        " s.repeats, s.passed, s.rate_sigma_cps, s.background_sigma_cps, s.flags"
        " FROM measures AS m JOIN results AS r ON r.point = m.point AND r.element = m.element"
        " LEFT JOIN statistics AS s ON s.point = m.point AND s.element = m.element WHERE m.point = ?1",
    };
    Savepoint change(*this);
    for (const char* sql : kSteps) Statement(db_, sql).integer(1, point).integer(2, depth).run();
    deletePoint(point);
    change.release();
}

void DocumentStore::unparkPoint(int32_t depth, int32_t index) {
    static constexpr std::array<const char*, 7> kSteps{
        "INSERT INTO points SELECT ?2, x, y, z, label FROM trials WHERE depth = ?1",
        "INSERT INTO point_status SELECT ?2, status FROM trials WHERE depth = ?1 AND status IS NOT NULL",
        "INSERT INTO measures SELECT ?2, element, m1, m2, m3, m4, m5 FROM trial_values WHERE depth = ?1",
        "INSERT INTO results SELECT ?2, element, f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11 FROM trial_values"
        " WHERE depth = ?1",
        "INSERT INTO statistics SELECT ?2, element, counting_time, count_rate, sigma_percent, lod_percent, repeats,"
        " passed, rate_sigma_cps, background_sigma_cps, flags FROM trial_values WHERE depth = ?1 AND repeats IS NOT NULL",
        "DELETE FROM trials WHERE depth = ?1",
        "DELETE FROM trial_values WHERE depth = ?1",
    };
    Savepoint change(*this);
    for (const char* sql : kSteps) Statement(db_, sql).integer(1, depth).integer(2, index).run();
    change.release();
}

void DocumentStore::clearParked() {
    Savepoint change(*this);
    execute("DELETE FROM trials; DELETE FROM trial_values");
    change.release();
}

void DocumentStore::beginBatch() {
    statements_->savepoint.run();
    ++batchDepth_;
}

void DocumentStore::endBatch() {
    if (batchDepth_ == 0) return;
    try {
        statements_->release.run();
        --batchDepth_;
    } catch (const DocumentFileError&) {
        abandonChanges();  // a commit that failed leaves its transaction open
        throw;
    }
}

void DocumentStore::abandonChanges() {
    batchDepth_ = 0;
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool DocumentStore::inTransaction() const { return batchDepth_ > 0 || !sqlite3_get_autocommit(db_); }

void DocumentStore::copyTo(const fs::path& target) {
    if (inTransaction()) throw DocumentFileError("a batch of changes is still open");
    Statement(db_, "VACUUM INTO ?1").text(1, target.string()).run();
    // A saved document holds the profile alone: a trial stack is waited on by a scan only.
    Connection copy(target, SQLITE_OPEN_READWRITE);
    Execute(copy.get(), "DELETE FROM trials; DELETE FROM trial_values");
}

void DocumentStore::RemoveFiles(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
    RemoveCompanions(path);
}

void DocumentStore::RemoveCompanions(const fs::path& path) {
    std::error_code ec;
    for (const char* companion : {"-wal", "-shm", "-journal", kDocumentCompanion, kZonesCompanion, kDisposableCompanion})
        fs::remove(fs::path(path.string() + companion), ec);
}

}  // namespace kest
