#pragma once
// Analysis documents on disk: one SQLite file per document. ReadDocumentFile loads a saved
// document; DocumentStore keeps a file that mirrors, change by change, a document held in
// memory, and copies it to a new document file when the document is saved.
// The tables are described in docs/document-format.md.

#include "suite/AnalysisDocument.h"
#include "suite/WorkingFiles.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

struct sqlite3;

namespace kest {

inline constexpr int32_t kDocumentApplicationId = 0x4B505246;  // "KPRF" in the file header
inline constexpr int32_t kDocumentFormatVersion = 1;           // PRAGMA user_version

// Why a file could not be read or written, in words for the operator.
class DocumentFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// A value the program cannot keep (out of its range, longer than its buffer); the message
// names the table, the column and the row.
class DocumentValueError : public DocumentFileError {
public:
    using DocumentFileError::DocumentFileError;
};

// A document's path always ends in ".ana" (any case): "line1.v2" becomes "line1.v2.ana".
std::string AsDocumentPath(const std::string& path);

// SQLite opens files by paths of at most 512 bytes; a longer one is read and written through
// a copy in the system's temporary folder.
inline constexpr std::size_t kSqlitePathLimit = 480;

// Reads a document file. Throws DocumentFileError when the file is missing or not a regular
// file, is not a document of this program, was written by a newer version, is damaged or
// holds values the program cannot keep (the message names the table and column). A change
// left unfinished by a program that stopped while writing the file (its rollback journal
// beside it) is rolled back first, as SQLite does, and `note` says so.
AnalysisDocument ReadDocumentFile(const std::filesystem::path& path, std::string* note = nullptr);

class DocumentStore {
public:
    // Creates an empty document file at `path`, which must not exist, in write-ahead mode so
    // that every committed change survives a crash of the program, and locks it as a working
    // file for as long as the store lives. The files are removed when the store ends, unless
    // keepFiles() was called.
    explicit DocumentStore(const std::filesystem::path& path);
    ~DocumentStore();
    DocumentStore(const DocumentStore&) = delete;
    DocumentStore& operator=(const DocumentStore&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Each change is one transaction, or part of the enclosing batch. All throw
    // DocumentFileError and leave the file as it was when they fail.
    void replaceAll(const AnalysisDocument& document);
    void setFields(const DocumentFields& fields);
    void appendPoint(int32_t index, const DocumentPoint& point);
    void deletePoint(int32_t index);
    // Point `from` becomes point `to`; the points between move by one.
    void movePoint(int32_t from, int32_t to);
    void setStagePosition(int32_t point, int32_t x, int32_t y, int32_t z);
    void setLabel(int32_t point, const std::string& label);
    void setMeasures(int32_t point, int32_t element, const Measures& measures);
    void setResult(int32_t point, int32_t element, const ComputeResult& result);
    void setStatistics(int32_t point, int32_t element, const CountStatistics& statistics);
    void setPointStatus(int32_t point, PointStatus status);
    // The point leaves the profile for the trial stack at `depth` (0 at the bottom), all its
    // values with it; unparkPoint brings the entry at `depth` back as point `index`.
    void parkPoint(int32_t point, int32_t depth);
    void unparkPoint(int32_t depth, int32_t index);
    void clearParked();

    // Changes made between beginBatch and endBatch are committed together. An endBatch that
    // fails (a full disk) rolls the whole batch back before it throws.
    void beginBatch();
    void endBatch();
    // Rolls back whatever is not committed, batches included: after a failed write the file
    // is as it was at its last commit, and takes changes again.
    void abandonChanges();
    // True while a transaction is open (a batch of changes).
    bool inTransaction() const;

    // Writes a complete, self-contained document file at `target`, which must not exist.
    void copyTo(const std::filesystem::path& target);

    // The files stay when the store ends: a leftover for a later recovery.
    void keepFiles() { keepFiles_ = true; }

    // Removes the file and the files SQLite and the program keep beside it.
    static void RemoveFiles(const std::filesystem::path& path);
    static void RemoveCompanions(const std::filesystem::path& path);

private:
    void writeMatrixTables(const AnalysisDocument& document);
    struct Statements;  // prepared once, used for every change
    class Savepoint;
    void execute(const char* sql);

    std::filesystem::path path_;
    std::optional<WorkingFileLock> lock_;
    bool keepFiles_ = false;
    sqlite3* db_ = nullptr;
    std::unique_ptr<Statements> statements_;
    int batchDepth_ = 0;
};

}  // namespace kest
