#pragma once
// The analysis-database library: documents held in memory and mirrored, change by change,
// into a working SQLite file, so that a crash of the program loses nothing stored. Should
// the working file's disk fill up, memory keeps every change and the operator is told. Reads
// are served from memory. New gives a document the suite's analysis set-up; Open and Save
// As ask the path chooser for a file; Save writes a complete new file and renames it over
// the old one, so that a failed save leaves the saved document as it was.

#include "suite/AnalysisDatabase.h"
#include "suite/AnalysisDocument.h"
#include "suite/SuiteFile.h"
#include "suite/WorkingFiles.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace kest {

class DocumentStore;

class SqliteAnalysisDatabase : public AnalysisDatabase {
public:
    // `workDir` receives the working files (one per object); New names its documents
    // "profile-001.ana", "profile-002.ana"... in `documentsDir`.
    SqliteAnalysisDatabase(const SuiteConfig& config, std::filesystem::path workDir,
                           std::filesystem::path documentsDir);
    ~SqliteAnalysisDatabase() override;
    SqliteAnalysisDatabase(const SqliteAnalysisDatabase&) = delete;
    SqliteAnalysisDatabase& operator=(const SqliteAnalysisDatabase&) = delete;

    // Asked by Open and Save As for a path; without a chooser they behave as cancelled.
    void setPathChooser(PathChooser chooser);
    // Receives the messages meant for the operator (failed Open or Save, a path too long).
    void setMessageSink(MessageSink sink);
    // Why the last failing call failed.
    std::string lastError() const;

    // Called by Save with the complete temporary file just before it replaces the target;
    // returning false fails the save at that point (tests use it to break a save mid-way).
    using BeforeReplaceHook = std::function<bool(const std::filesystem::path& temporaryFile)>;
    void setBeforeReplaceHook(BeforeReplaceHook hook);

    // The document the object is to be saved as, kept beside its working file before the
    // first save, so that a leftover of it carries that name.
    void keepTargetPath(const std::string& key, const std::string& path);
    // The object's working file holds nothing worth a recovery (a list, an export, a
    // recompute of a saved document): a leftover of it is removed without a word.
    void markDisposable(const std::string& key);

    // The document held under `key`, read-only; nullptr for an unknown key.
    const AnalysisDocument* document(const std::string& key) const;
    // The path New, Open, Save or Save As last gave the document; empty for an unknown key.
    std::string documentPath(const std::string& key) const;
    // The working file that mirrors the document; empty for an unknown key.
    std::filesystem::path workingFile(const std::string& key) const;

private:
    struct Object;

public:
    // While a Batch lives, the changes made to its document reach the working file in one
    // transaction (the computation of many points uses it). End it before deleting the object.
    class Batch {
    public:
        ~Batch();
        Batch(Batch&& other) noexcept;
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        Batch& operator=(Batch&&) = delete;

    private:
        friend class SqliteAnalysisDatabase;
        Batch(SqliteAnalysisDatabase* database, Object* object);
        SqliteAnalysisDatabase* database_;
        Object* object_;
    };
    Batch batch(const std::string& key);

    Status KestDbObjectNew(std::string& key, int32_t kind, int32_t flags) override;
    Status KestDbObjectRead(std::string& key, const std::string& path) override;
    Status KestDbObjectDelete(std::string& key) override;

    Status KestDbReset(std::string& key, std::string& path, int32_t capacity) override;
    Status KestDbOpen(std::string& key, std::string& path, int32_t capacity) override;
    Status KestDbSave(std::string& key, std::string& path, int32_t capacity) override;
    Status KestDbSaveAs(std::string& key, std::string& path, int32_t capacity) override;

    Status KestDbGetTitle(std::string& key, std::string& buffer, int32_t capacity) override;
    Status KestDbGetUserName(std::string& key, std::string& buffer, int32_t capacity) override;
    Status KestDbGetCompany(std::string& key, std::string& buffer, int32_t capacity) override;
    Status KestDbGetComments(std::string& key, std::string& buffer, int32_t capacity) override;
    Status KestDbLastModTime(std::string& key, std::string& buffer, int32_t capacity) override;
    Status KestDbSetTitle(std::string& key, const std::string& text) override;
    Status KestDbSetUserName(std::string& key, const std::string& text) override;
    Status KestDbSetCompany(std::string& key, const std::string& text) override;
    Status KestDbSetComments(std::string& key, const std::string& text) override;

    Status KestDbNbElt(std::string& key) override;
    Status KestDbEltNrAtom(std::string& key, int32_t position) override;
    Status KestDbEltGetConc(std::string& key, int32_t element, int32_t selector, float& concentration,
                            int32_t& flag) override;
    Status KestDbEltGetStandardName(std::string& key, int32_t element, int32_t selector, std::string& buffer,
                                    int32_t capacity) override;
    Status KestDbEltGetSpAndXtal(std::string& key, int32_t element, int32_t selector, int32_t& spectrometer,
                                 std::string& crystal, int32_t capacity) override;

    Status KestDbGetNbPts(std::string& key) override;
    Status KestDbAddPt(std::string& key, int32_t x, int32_t y, int32_t z) override;
    Status KestDbSetStagePos(std::string& key, int32_t point, int32_t x, int32_t y, int32_t z) override;
    Status KestDbGetStagePos(std::string& key, int32_t point, int32_t& x, int32_t& y, int32_t& z) override;
    Status KestDbDeletePt(std::string& key, int32_t point) override;
    Status KestDbMovePt(std::string& key, int32_t from, int32_t to) override;
    Status KestDbGetAnaLabel(std::string& key, int32_t point, std::string& buffer, int32_t capacity) override;
    Status KestDbSetAnaLabel(std::string& key, int32_t point, const std::string& label, int32_t flags) override;

    Status KestDbEltGetMeasures(std::string& key, int32_t element, int32_t selector, int32_t point, float& m1,
                                float& m2, float& m3, float& m4, float& m5) override;
    Status KestDbEltSetMeasures(std::string& key, int32_t element, int32_t selector, int32_t point, float m1,
                                float m2, float m3, float m4, float m5) override;
    Status KestDbEltGetComputeRes(std::string& key, int32_t element, int32_t selector, int32_t point,
                                  ComputeResult& result) override;
    Status KestDbEltSetComputeRes(std::string& key, int32_t element, int32_t selector, int32_t point,
                                  const ComputeResult& result) override;
    Status KestDbEltGetBcAv(std::string& key, int32_t element, int32_t selector, float& beamCurrent,
                            float& average) override;
    Status KestDbEltGetSpectroPositions(std::string& key, int32_t element, int32_t selector, int32_t& spectrometer,
                                        int32_t& peak, int32_t& backgroundLow, float& currentFactor,
                                        int32_t& backgroundHigh, int32_t& widthLow, int32_t& widthHigh) override;

    Status KestDbEltGetStandardRates(std::string& key, int32_t element, int32_t selector, float& standardPercent,
                                     float& standardCps, float& backgroundCps) override;
    Status KestDbEltGetStatistics(std::string& key, int32_t element, int32_t selector, int32_t point,
                                  CountStatistics& statistics) override;
    Status KestDbEltSetStatistics(std::string& key, int32_t element, int32_t selector, int32_t point,
                                  const CountStatistics& statistics) override;
    Status KestDbGetPointStatus(std::string& key, int32_t point, PointStatus& status) override;
    Status KestDbSetPointStatus(std::string& key, int32_t point, PointStatus status) override;

    Status KestDbParkPt(std::string& key, int32_t point) override;
    Status KestDbUnparkPt(std::string& key) override;
    Status KestDbClearParked(std::string& key) override;

    Status KestDbBeginChanges(std::string& key) override;
    Status KestDbEndChanges(std::string& key) override;

    Status KestGetNbSpectros() override;
    Status KestGetReadBeamCurrentExist() override;
    Status KestGetFaradayCupExist() override;

    std::string KestElementSymbolVB(int32_t atomicNumber) override;

    Status KestDbIsModified(std::string& key) override;
    Status KestDbObjectAbandon(std::string& key) override;
    Status KestDbKeepZones(std::string& key, const std::string& zonesText) override;
    std::vector<LeftoverDocument> KestDbLeftovers() override;
    Status KestDbRecover(std::string& key, const std::string& workingFile, std::string& path,
                         int32_t capacity) override;
    Status KestDbDeleteLeftover(const std::string& workingFile) override;

private:
    using FieldMember = std::string DocumentFields::*;

    Object* find(const std::string& key);
    Object* find(const std::string& key) const;  // without noting a failure
    // The element's index in the object's document; -1 (and lastError) when absent.
    int elementOf(const Object& object, int32_t element, int32_t selector);
    bool pointOf(const Object& object, int32_t point);
    // An element's values at a point of the object under `key`, with the object and the
    // element's index; nothing (lastError said) when the object, point or element is absent.
    struct ValueAt {
        Object& object;
        int element;
        ElementValues& values;
    };
    std::optional<ValueAt> valueAt(const std::string& key, int32_t element, int32_t selector, int32_t point);
    Status fail(std::string reason);
    Status failAndTell(std::string reason);
    // A change of the object's working file. One the file cannot take (a full disk) is kept
    // in memory all the same, the operator told once; the next save writes from memory.
    void mirror(Object& object, const std::function<void(DocumentStore&)>& change);
    // After a write the working file could not take: rolled back to its last commit, and
    // left alone (the operator told once) until a save brings it up to date.
    void fallBehind(Object& object, const std::string& why);
    // A change the operator made: mirrored, and the document marked modified.
    void changeDocument(Object& object, const std::function<void(DocumentStore&)>& change);
    std::string freeKey(const std::string& wanted) const;
    std::filesystem::path newWorkingFile();
    std::string newDocumentPath();  // the first free "profile-NNN.ana"; empty when the folder fails
    std::optional<WorkingFileLock> leftoverLock(const std::string& workingFile);
    std::string crystalOf(int spectrometer) const;

    Status getField(std::string& key, FieldMember member, std::string& buffer, int32_t capacity);
    Status setField(std::string& key, FieldMember member, const std::string& text);
    Status saveTo(Object& object, const std::string& target, std::string& buffer, int32_t capacity);
    void writeDocumentCopy(Object& object, const std::filesystem::path& target);

    SuiteConfig config_;
    std::filesystem::path workDir_;
    std::filesystem::path documentsDir_;
    PathChooser chooser_;
    MessageSink sink_;
    BeforeReplaceHook beforeReplace_;
    std::string lastError_;
    std::unordered_map<std::string, std::unique_ptr<Object>> objects_;
    mutable std::string lastKey_;         // the key of the object found last
    mutable Object* lastFound_ = nullptr;
    unsigned workingFileCount_ = 0;
};

}  // namespace kest
