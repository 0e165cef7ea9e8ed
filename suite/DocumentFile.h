#pragma once
// Analysis documents on disk: one SQLite file per document. ReadDocumentFile loads a saved
// document; DocumentStore keeps a file that mirrors, change by change, a document held in
// memory, and copies it to a new document file when the document is saved.
// The tables are described in docs/document-format.md.

#include "suite/AnalysisDocument.h"

#include <cstdint>
#include <filesystem>
#include <memory>
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

// Reads a document file. Throws DocumentFileError when the file is missing, is not a
// document of this program, was written by a newer version or is damaged.
AnalysisDocument ReadDocumentFile(const std::filesystem::path& path);

class DocumentStore {
public:
    // Creates an empty document file at `path` (replacing any file there), in write-ahead
    // mode so that every committed change survives a crash of the program.
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
    void setStagePosition(int32_t point, int32_t x, int32_t y, int32_t z);
    void setLabel(int32_t point, const std::string& label);
    void setMeasures(int32_t point, int32_t element, const Measures& measures);
    void setResult(int32_t point, int32_t element, const ComputeResult& result);
    void setStatistics(int32_t point, int32_t element, const CountStatistics& statistics);
    void setPointStatus(int32_t point, PointStatus status);

    // Changes made between beginBatch and endBatch are committed together.
    void beginBatch();
    void endBatch();

    // Writes a complete, self-contained document file at `target`, which must not exist.
    void copyTo(const std::filesystem::path& target);

    // Removes the file and its write-ahead companions.
    static void RemoveFiles(const std::filesystem::path& path);

private:
    struct Statements;  // prepared once, used for every change
    class Savepoint;
    void execute(const char* sql);

    std::filesystem::path path_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<Statements> statements_;
    int batchDepth_ = 0;
};

}  // namespace kest
