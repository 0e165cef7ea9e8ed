#include "suite/SqliteAnalysisDatabase.h"

#include "suite/DocumentFile.h"
#include "suite/ElementSymbols.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <utility>

namespace fs = std::filesystem;

namespace kest {

namespace {

constexpr int32_t kDocumentKind = 1;

// Texts come from fixed buffers: they end at the first NUL character.
std::string UntilNul(const std::string& text) { return text.substr(0, text.find('\0')); }

bool Fits(const std::string& path, int32_t capacity) {
    return capacity > 0 && path.size() <= static_cast<std::size_t>(capacity);
}

std::string TooLongMessage(const std::string& path, int32_t capacity) {
    return "The document path " + path + " is " + std::to_string(path.size()) +
           " characters long; the program keeps paths of at most " + std::to_string(std::max(capacity, int32_t{0})) +
           " characters. Choose a shorter path.";
}

std::string LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

void SyncFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) {
        const std::string error = std::strerror(errno);
        if (fd >= 0) ::close(fd);
        throw DocumentFileError("the new file cannot be written to the disk (" + error + ")");
    }
    ::close(fd);
}

void SyncDirectory(const fs::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;  // the rename is done; only its durability is at stake
    ::fsync(fd);
    ::close(fd);
}

// The temporary files of saves to the same document that a killed program left behind
// ("." NAME ".saving-PID", with its journal): removed once their process has gone.
void RemoveStaleSaves(const fs::path& folder, const std::string& prefix) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix)) continue;
        const std::string pid = name.substr(prefix.size(), name.find('-', prefix.size()) - prefix.size());
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        if (::kill(static_cast<pid_t>(std::stol(pid)), 0) != 0 && errno == ESRCH) fs::remove(entry.path(), ec);
    }
}

// Twice the d spacing of the usual analysing crystals, in angstrom.
double TwoD(const std::string& crystal) {
    static const std::map<std::string, double> spacings{
        {"LIF", 4.027}, {"LLIF", 4.027}, {"PET", 8.742}, {"LPET", 8.742}, {"TAP", 25.757}};
    const auto found = spacings.find(crystal);
    return found == spacings.end() ? 4.027 : found->second;
}

// Spectrometer position of the K-alpha line of `z` in micrometres along a 140 mm Rowland
// circle (L = 2R sin theta), with the wavelength from Moseley's law; kept within the travel.
int32_t PeakPosition(int z, const std::string& crystal) {
    const double screened = std::max(z - 1, 1);
    const double wavelength = 1215.7 / (0.75 * screened * screened);  // angstrom
    const double l = 140000.0 * 2.0 * wavelength / TwoD(crystal);
    return static_cast<int32_t>(std::lround(std::clamp(l, 60000.0, 260000.0)));
}

}  // namespace

struct SqliteAnalysisDatabase::Object {
    AnalysisDocument document;
    std::string path;
    bool modified = false;  // changed since it was last reset, opened or saved
    bool behind = false;    // the working file missed a change (a full disk): memory holds the document
    std::unique_ptr<DocumentStore> store;

    // The path of a document that has a file, kept beside the working file for a recovery.
    void keepPath(bool saved) { WriteCompanion(store->path(), kDocumentCompanion, saved ? path : std::string()); }
};

SqliteAnalysisDatabase::SqliteAnalysisDatabase(const SuiteConfig& config, fs::path workDir, fs::path documentsDir)
    : config_(config), workDir_(std::move(workDir)), documentsDir_(std::move(documentsDir)) {}

SqliteAnalysisDatabase::~SqliteAnalysisDatabase() = default;

void SqliteAnalysisDatabase::setPathChooser(PathChooser chooser) { chooser_ = std::move(chooser); }
void SqliteAnalysisDatabase::setMessageSink(MessageSink sink) { sink_ = std::move(sink); }
void SqliteAnalysisDatabase::setBeforeReplaceHook(BeforeReplaceHook hook) { beforeReplace_ = std::move(hook); }
std::string SqliteAnalysisDatabase::lastError() const { return lastError_; }

void SqliteAnalysisDatabase::keepTargetPath(const std::string& key, const std::string& path) {
    if (const Object* object = find(key)) WriteCompanion(object->store->path(), kDocumentCompanion, path);
}

void SqliteAnalysisDatabase::markDisposable(const std::string& key) {
    if (const Object* object = find(key)) WriteCompanion(object->store->path(), kDisposableCompanion, "1");
}

const AnalysisDocument* SqliteAnalysisDatabase::document(const std::string& key) const {
    const Object* object = find(key);
    return object ? &object->document : nullptr;
}

std::string SqliteAnalysisDatabase::documentPath(const std::string& key) const {
    const Object* object = find(key);
    return object ? object->path : std::string();
}

fs::path SqliteAnalysisDatabase::workingFile(const std::string& key) const {
    const Object* object = find(key);
    return object ? object->store->path() : fs::path();
}

SqliteAnalysisDatabase::Batch::Batch(SqliteAnalysisDatabase* database, Object* object)
    : database_(database), object_(object) {
    if (object_) object_->store->beginBatch();
}

SqliteAnalysisDatabase::Batch::Batch(Batch&& other) noexcept
    : database_(other.database_), object_(std::exchange(other.object_, nullptr)) {}

SqliteAnalysisDatabase::Batch::~Batch() {
    if (!object_) return;
    try {
        object_->store->endBatch();
    } catch (const DocumentFileError& e) {  // rolled back: memory holds the changes until the next save
        database_->fallBehind(*object_, e.what());
    }
}

SqliteAnalysisDatabase::Batch SqliteAnalysisDatabase::batch(const std::string& key) {
    Object* object = find(key);
    if (object && object->behind) return Batch(this, nullptr);
    try {
        return Batch(this, object);
    } catch (const DocumentFileError& e) {
        if (object) fallBehind(*object, e.what());
        return Batch(this, nullptr);
    }
}

// ---- helpers --------------------------------------------------------------------------

SqliteAnalysisDatabase::Object* SqliteAnalysisDatabase::find(const std::string& key) {
    if (Object* object = std::as_const(*this).find(key)) return object;
    lastError_ = "no object has the key \"" + key + "\"";
    return nullptr;
}

// Calls come in long runs on one document (a reload reads every point of every element),
// so the last object found is kept beside the map.
SqliteAnalysisDatabase::Object* SqliteAnalysisDatabase::find(const std::string& key) const {
    if (lastFound_ && key == lastKey_) return lastFound_;
    const auto found = objects_.find(key);
    if (found == objects_.end()) return nullptr;
    lastKey_ = key;
    lastFound_ = found->second.get();
    return lastFound_;
}

int SqliteAnalysisDatabase::elementOf(const Object& object, int32_t element, int32_t selector) {
    const int index = object.document.elementIndex(element, selector);
    if (index < 0)
        lastError_ = "the document has no element " + std::to_string(element) +
                     (selector == kByPosition ? " (by position)" : " (by atomic number)");
    return index;
}

bool SqliteAnalysisDatabase::pointOf(const Object& object, int32_t point) {
    if (object.document.hasPoint(point)) return true;
    lastError_ = "the document has no point " + std::to_string(point);
    return false;
}

std::optional<SqliteAnalysisDatabase::ValueAt> SqliteAnalysisDatabase::valueAt(const std::string& key, int32_t element,
                                                                             int32_t selector, int32_t point) {
    Object* object = find(key);
    if (!object || !pointOf(*object, point)) return std::nullopt;
    const int e = elementOf(*object, element, selector);
    if (e < 0) return std::nullopt;
    return ValueAt{*object, e, object->document.points[static_cast<std::size_t>(point)].values[static_cast<std::size_t>(e)]};
}

Status SqliteAnalysisDatabase::fail(std::string reason) {
    lastError_ = std::move(reason);
    return 0;
}

Status SqliteAnalysisDatabase::failAndTell(std::string reason) {
    lastError_ = std::move(reason);
    if (sink_) sink_(lastError_);
    return 0;
}

void SqliteAnalysisDatabase::mirror(Object& object, const std::function<void(DocumentStore&)>& change) {
    if (object.behind) return;  // brought up to date at the next save, in one piece
    try {
        change(*object.store);
    } catch (const DocumentFileError& e) {
        fallBehind(object, e.what());
    }
}

void SqliteAnalysisDatabase::fallBehind(Object& object, const std::string& why) {
    object.store->abandonChanges();  // the file stays as at its last commit; memory holds the rest
    if (object.behind) return;
    object.behind = true;
    failAndTell("The working file " + object.store->path().string() + " cannot be written (" + why +
                "): the document's changes are kept in memory only, and a crash would lose them. Save the "
                "document where there is room, or make room on that disk.");
}

void SqliteAnalysisDatabase::changeDocument(Object& object, const std::function<void(DocumentStore&)>& change) {
    mirror(object, change);
    object.modified = true;
}

std::string SqliteAnalysisDatabase::freeKey(const std::string& wanted) const {
    static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::string base = wanted.empty() ? std::string("DbObject") : wanted;
    // The end of the key becomes a counter, so the key keeps its length.
    for (unsigned long n = 1;; ++n) {
        std::string counter;
        for (unsigned long v = n; v > 0; v /= 36) counter.insert(counter.begin(), kDigits[v % 36]);
        if (counter.size() > base.size()) return {};
        std::string candidate = base.substr(0, base.size() - counter.size()) + counter;
        if (objects_.find(candidate) == objects_.end()) return candidate;
    }
}

fs::path SqliteAnalysisDatabase::newWorkingFile() {
    fs::create_directories(workDir_);
    for (;;) {
        const fs::path candidate =
            workDir_ / (std::to_string(::getpid()) + "-" + std::to_string(++workingFileCount_) + ".ana");
        std::error_code ec;
        if (!fs::exists(candidate, ec)) return candidate;
    }
}

std::string SqliteAnalysisDatabase::crystalOf(int spectrometer) const {
    const auto& crystals = config_.instrument.crystals;
    if (spectrometer < 1 || spectrometer > static_cast<int>(crystals.size())) return {};
    return crystals[static_cast<std::size_t>(spectrometer - 1)];
}

// ---- objects --------------------------------------------------------------------------

Status SqliteAnalysisDatabase::KestDbObjectNew(std::string& key, int32_t kind, int32_t /*flags*/) {
    if (kind != kDocumentKind) return fail("objects of kind " + std::to_string(kind) + " are not kept here");
    std::string newKey = key;
    if (newKey.empty() || objects_.count(newKey) > 0) {
        newKey = freeKey(key);
        if (newKey.empty()) return fail("no free key of " + std::to_string(key.size()) + " characters is left");
    }
    auto object = std::make_unique<Object>();
    // A name may be taken between the look and the creation: the next one is tried.
    for (int attempt = 1; !object->store; ++attempt) {
        try {
            object->store = std::make_unique<DocumentStore>(newWorkingFile());
        } catch (const std::exception& e) {
            if (attempt == 3)
                return failAndTell("The working file of a document cannot be created in " + workDir_.string() + ": " +
                                   e.what() + ".");
        }
    }
    objects_.emplace(newKey, std::move(object));
    key = newKey;
    return 1;
}

Status SqliteAnalysisDatabase::KestDbObjectRead(std::string& key, const std::string& path) {
    Object* object = find(key);
    if (!object) return 0;
    fs::path file(UntilNul(path));
    if (file.is_relative()) file = config_.baseDir / file;
    try {
        AnalysisDocument document = ReadDocumentFile(file);
        document.trials.clear();  // a saved document's trial stack is no longer waited on
        object->store->replaceAll(document);
        object->document = std::move(document);
        object->path = file.string();
        object->modified = false;
        object->behind = false;  // the working file holds it all again
        return 1;
    } catch (const DocumentFileError& e) {
        return fail("the document " + file.string() + " cannot be read: " + e.what());
    }
}

Status SqliteAnalysisDatabase::KestDbObjectDelete(std::string& key) {
    const auto found = objects_.find(key);
    if (found == objects_.end()) return fail("no object has the key \"" + key + "\"");
    if (lastFound_ == found->second.get()) lastFound_ = nullptr;
    objects_.erase(found);
    return 1;
}

// ---- document lifecycle ---------------------------------------------------------------

std::string SqliteAnalysisDatabase::newDocumentPath() {
    std::error_code ec;
    fs::create_directories(documentsDir_, ec);
    if (ec) {
        failAndTell("The documents folder " + documentsDir_.string() + " cannot be created: " + ec.message());
        return {};
    }
    for (int n = 1;; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "profile-%03d.ana", n);
        const fs::path candidate = documentsDir_ / name;
        if (!fs::exists(candidate, ec)) return candidate.string();
    }
}

Status SqliteAnalysisDatabase::KestDbReset(std::string& key, std::string& path, int32_t capacity) {
    Object* object = find(key);
    if (!object) return 0;
    const std::string defaultPath = newDocumentPath();
    if (defaultPath.empty()) return 0;
    if (!Fits(defaultPath, capacity)) return failAndTell(TooLongMessage(defaultPath, capacity));

    AnalysisDocument document;
    document.matrix = config_.setup.matrix;
    for (ElementSetup setup : config_.setup.elements) {
        if (!(setup.standard_current_nA > 0.0)) setup.standard_current_nA = config_.instrument.beam_current_nA;
        document.elements.push_back(DocumentElement{setup, crystalOf(setup.spectrometer)});
    }
    try {
        object->store->replaceAll(document);
    } catch (const DocumentFileError& e) {
        return fail(std::string("the working file cannot be written: ") + e.what());
    }
    object->document = std::move(document);
    object->path = defaultPath;
    object->modified = false;
    object->behind = false;
    object->keepPath(false);
    return FillTextBuffer(path, capacity, defaultPath);
}

Status SqliteAnalysisDatabase::KestDbOpen(std::string& key, std::string& path, int32_t capacity) {
    Object* object = find(key);
    if (!object) return 0;
    const std::optional<std::string> chosen = chooser_ ? chooser_(PathRequest::Open, object->path) : std::nullopt;
    if (!chosen) return fail("no document was chosen");
    if (!Fits(*chosen, capacity)) return failAndTell(TooLongMessage(*chosen, capacity));
    std::string note;
    try {
        AnalysisDocument document = ReadDocumentFile(*chosen, &note);
        document.trials.clear();  // a saved document's trial stack is no longer waited on
        object->store->replaceAll(document);
        object->document = std::move(document);
    } catch (const DocumentFileError& e) {
        return failAndTell("The document " + *chosen + " cannot be opened: " + e.what() + ".");
    }
    if (!note.empty() && sink_) sink_(note);
    object->path = *chosen;
    object->modified = false;
    object->behind = false;
    object->keepPath(true);
    return FillTextBuffer(path, capacity, *chosen);
}

Status SqliteAnalysisDatabase::KestDbSave(std::string& key, std::string& path, int32_t capacity) {
    Object* object = find(key);
    if (!object) return 0;
    if (object->path.empty()) return KestDbSaveAs(key, path, capacity);  // never given a path
    const std::string target = object->path;
    return saveTo(*object, target, path, capacity);
}

Status SqliteAnalysisDatabase::KestDbSaveAs(std::string& key, std::string& path, int32_t capacity) {
    Object* object = find(key);
    if (!object) return 0;
    const std::optional<std::string> chosen = chooser_ ? chooser_(PathRequest::SaveAs, object->path) : std::nullopt;
    if (!chosen) return fail("no path was chosen");
    return saveTo(*object, AsDocumentPath(*chosen), path, capacity);
}

Status SqliteAnalysisDatabase::saveTo(Object& object, const std::string& target, std::string& buffer,
                                      int32_t capacity) {
    if (!Fits(target, capacity)) return failAndTell(TooLongMessage(target, capacity));
    const DocumentFields before = object.document.fields;
    DocumentFields saved = before;
    saved.lastSave = LocalTimeNow();
    object.document.fields = saved;
    mirror(object, [&](DocumentStore& store) { store.setFields(saved); });
    try {
        writeDocumentCopy(object, target);
    } catch (const std::exception& e) {
        // The document keeps the time of its last successful save.
        object.document.fields = before;
        mirror(object, [&](DocumentStore& store) { store.setFields(before); });
        return failAndTell("The document cannot be saved to " + target + ": " + e.what() + ".");
    }
    object.path = target;
    object.modified = false;
    object.keepPath(true);
    return FillTextBuffer(buffer, capacity, target);
}

void SqliteAnalysisDatabase::writeDocumentCopy(Object& object, const fs::path& named) {
    // A link stays a link: the file it names is replaced.
    std::error_code linkError, ignored;
    const bool link = fs::is_symlink(fs::symlink_status(named, ignored));
    const fs::path target = link ? fs::weakly_canonical(named, linkError) : named;
    if (linkError) throw DocumentFileError("the link cannot be followed (" + linkError.message() + ")");
    if (const auto type = fs::status(target, ignored).type(); type != fs::file_type::regular && type != fs::file_type::not_found)
        throw DocumentFileError(type == fs::file_type::directory ? "it is a folder" : "it is not a file (a device, a pipe or a socket)");
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string prefix = "." + target.filename().string() + ".saving-";
    const fs::path temporary = folder / (prefix + std::to_string(::getpid()));
    RemoveStaleSaves(folder, prefix);
    DocumentStore::RemoveFiles(temporary);
    struct Cleanup {
        const fs::path& file;
        bool keep = false;
        ~Cleanup() {
            if (!keep) DocumentStore::RemoveFiles(file);
        }
    } cleanup{temporary};

    // A working file behind its document is brought up to date first, or the document is
    // written from memory through a store of its own where there is room.
    std::optional<DocumentStore> fromMemory;
    DocumentStore* source = object.store.get();
    if (object.behind || object.store->inTransaction()) {
        try {
            object.store->abandonChanges();
            object.store->replaceAll(object.document);
            object.behind = false;
        } catch (const DocumentFileError&) {
            object.store->abandonChanges();
            const fs::path staging = fs::temp_directory_path() / ("kestplus-saving-" + std::to_string(::getpid()) + ".ana");
            DocumentStore::RemoveFiles(staging);
            fromMemory.emplace(staging);
            fromMemory->replaceAll(object.document);
            source = &*fromMemory;
        }
    }
    if (temporary.string().size() <= kSqlitePathLimit) {
        source->copyTo(temporary);
    } else {  // written where SQLite can, then copied into place
        const fs::path staged = fs::temp_directory_path() / ("kestplus-staged-" + std::to_string(::getpid()) + ".ana");
        DocumentStore::RemoveFiles(staged);
        source->copyTo(staged);
        std::error_code ec;
        fs::copy_file(staged, temporary, ec);
        DocumentStore::RemoveFiles(staged);
        if (ec) throw DocumentFileError("the new file cannot be written (" + ec.message() + ")");
    }
    SyncFile(temporary);
    if (beforeReplace_ && !beforeReplace_(temporary)) throw DocumentFileError("the save was interrupted");
    // A journal or log left beside the old file would be applied to the new one.
    DocumentStore::RemoveCompanions(target);
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) throw DocumentFileError("the file cannot be replaced (" + ec.message() + ")");
    cleanup.keep = true;
    SyncDirectory(folder);
}

// ---- descriptive fields ---------------------------------------------------------------

Status SqliteAnalysisDatabase::getField(std::string& key, FieldMember member, std::string& buffer, int32_t capacity) {
    const Object* object = find(key);
    if (!object) return 0;
    return FillTextBuffer(buffer, capacity, object->document.fields.*member);
}

Status SqliteAnalysisDatabase::setField(std::string& key, FieldMember member, const std::string& text) {
    Object* object = find(key);
    if (!object) return 0;
    DocumentFields fields = object->document.fields;
    fields.*member = UntilNul(text).substr(0, kFieldCapacity);
    if (fields.*member == object->document.fields.*member) return 1;  // nothing changes
    changeDocument(*object, [&](DocumentStore& store) { store.setFields(fields); });
    object->document.fields = std::move(fields);
    return 1;
}

Status SqliteAnalysisDatabase::KestDbGetTitle(std::string& key, std::string& buffer, int32_t capacity) {
    return getField(key, &DocumentFields::title, buffer, capacity);
}
Status SqliteAnalysisDatabase::KestDbGetUserName(std::string& key, std::string& buffer, int32_t capacity) {
    return getField(key, &DocumentFields::userName, buffer, capacity);
}
Status SqliteAnalysisDatabase::KestDbGetCompany(std::string& key, std::string& buffer, int32_t capacity) {
    return getField(key, &DocumentFields::company, buffer, capacity);
}
Status SqliteAnalysisDatabase::KestDbGetComments(std::string& key, std::string& buffer, int32_t capacity) {
    return getField(key, &DocumentFields::comments, buffer, capacity);
}
Status SqliteAnalysisDatabase::KestDbLastModTime(std::string& key, std::string& buffer, int32_t capacity) {
    return getField(key, &DocumentFields::lastSave, buffer, capacity);
}
Status SqliteAnalysisDatabase::KestDbSetTitle(std::string& key, const std::string& text) {
    return setField(key, &DocumentFields::title, text);
}
Status SqliteAnalysisDatabase::KestDbSetUserName(std::string& key, const std::string& text) {
    return setField(key, &DocumentFields::userName, text);
}
Status SqliteAnalysisDatabase::KestDbSetCompany(std::string& key, const std::string& text) {
    return setField(key, &DocumentFields::company, text);
}
Status SqliteAnalysisDatabase::KestDbSetComments(std::string& key, const std::string& text) {
    return setField(key, &DocumentFields::comments, text);
}

// ---- elements -------------------------------------------------------------------------

Status SqliteAnalysisDatabase::KestDbNbElt(std::string& key) {
    const Object* object = find(key);
    return object ? static_cast<Status>(object->document.elements.size()) : 0;
}

Status SqliteAnalysisDatabase::KestDbEltNrAtom(std::string& key, int32_t position) {
    const Object* object = find(key);
    if (!object) return 0;
    const int e = elementOf(*object, position, kByPosition);
    return e < 0 ? 0 : object->document.elements[static_cast<std::size_t>(e)].setup.z;
}

Status SqliteAnalysisDatabase::KestDbEltGetConc(std::string& key, int32_t element, int32_t selector,
                                                float& concentration, int32_t& flag) {
    const Object* object = find(key);
    if (!object) return 0;
    const int e = elementOf(*object, element, selector);
    if (e < 0) return 0;
    const ElementSetup& setup = object->document.elements[static_cast<std::size_t>(e)].setup;
    concentration = static_cast<float>(setup.standard_percent / 100.0);
    flag = setup.profile ? 1 : 0;
    return 1;
}

Status SqliteAnalysisDatabase::KestDbEltGetStandardName(std::string& key, int32_t element, int32_t selector,
                                                        std::string& buffer, int32_t capacity) {
    const Object* object = find(key);
    if (!object) return 0;
    const int e = elementOf(*object, element, selector);
    if (e < 0) return 0;
    return FillTextBuffer(buffer, capacity, object->document.elements[static_cast<std::size_t>(e)].setup.standard);
}

Status SqliteAnalysisDatabase::KestDbEltGetSpAndXtal(std::string& key, int32_t element, int32_t selector,
                                                     int32_t& spectrometer, std::string& crystal, int32_t capacity) {
    const Object* object = find(key);
    if (!object) return 0;
    const int e = elementOf(*object, element, selector);
    if (e < 0) return 0;
    const DocumentElement& stored = object->document.elements[static_cast<std::size_t>(e)];
    spectrometer = stored.setup.spectrometer;
    FillTextBuffer(crystal, capacity, stored.crystal);
    return 1;
}

Status SqliteAnalysisDatabase::KestDbEltGetBcAv(std::string& key, int32_t element, int32_t selector,
                                                float& beamCurrent, float& average) {
    const Object* object = find(key);
    if (!object) return 0;
    const int e = elementOf(*object, element, selector);
    if (e < 0) return 0;
    // The current its standard was measured at; a document that does not say, the nominal one.
    const double standard = object->document.elements[static_cast<std::size_t>(e)].setup.standard_current_nA;
    beamCurrent = static_cast<float>(standard > 0.0 ? standard : config_.instrument.beam_current_nA);
    average = 1.0f;
    return 1;
}

Status SqliteAnalysisDatabase::KestDbEltGetSpectroPositions(std::string& key, int32_t element, int32_t selector,
                                                            int32_t& spectrometer, int32_t& peak,
                                                            int32_t& backgroundLow, float& currentFactor,
                                                            int32_t& backgroundHigh, int32_t& widthLow,
                                                            int32_t& widthHigh) {
    const Object* object = find(key);
    if (!object) return 0;
    const int e = elementOf(*object, element, selector);
    if (e < 0) return 0;
    const DocumentElement& stored = object->document.elements[static_cast<std::size_t>(e)];
    constexpr int32_t kBackgroundOffset = 2000;  // micrometres either side of the peak
    constexpr int32_t kWindow = 500;
    spectrometer = stored.setup.spectrometer;
    peak = PeakPosition(stored.setup.z, stored.crystal);
    backgroundLow = peak - kBackgroundOffset;
    currentFactor = 1.0f;
    backgroundHigh = peak + kBackgroundOffset;
    widthLow = kWindow;
    widthHigh = kWindow;
    return 1;
}

// ---- points ---------------------------------------------------------------------------

Status SqliteAnalysisDatabase::KestDbGetNbPts(std::string& key) {
    const Object* object = find(key);
    return object ? static_cast<Status>(object->document.points.size()) : 0;
}

Status SqliteAnalysisDatabase::KestDbAddPt(std::string& key, int32_t x, int32_t y, int32_t z) {
    Object* object = find(key);
    if (!object) return 0;
    AnalysisDocument& document = object->document;
    if (document.points.size() >= static_cast<std::size_t>(kDocumentPointCapacity))
        return fail("a document holds at most " + std::to_string(kDocumentPointCapacity) + " points");
    DocumentPoint point = document.newPoint(x, y, z);
    const auto number = static_cast<int32_t>(document.points.size());
    changeDocument(*object, [&](DocumentStore& store) { store.appendPoint(number, point); });
    document.points.push_back(std::move(point));
    return static_cast<Status>(document.points.size());
}

Status SqliteAnalysisDatabase::KestDbSetStagePos(std::string& key, int32_t point, int32_t x, int32_t y, int32_t z) {
    Object* object = find(key);
    if (!object || !pointOf(*object, point)) return 0;
    changeDocument(*object, [&](DocumentStore& store) { store.setStagePosition(point, x, y, z); });
    DocumentPoint& stored = object->document.points[static_cast<std::size_t>(point)];
    stored.x = x;
    stored.y = y;
    stored.z = z;
    return 1;
}

Status SqliteAnalysisDatabase::KestDbGetStagePos(std::string& key, int32_t point, int32_t& x, int32_t& y,
                                                 int32_t& z) {
    const Object* object = find(key);
    if (!object || !pointOf(*object, point)) return 0;
    const DocumentPoint& stored = object->document.points[static_cast<std::size_t>(point)];
    x = stored.x;
    y = stored.y;
    z = stored.z;
    return 1;
}

Status SqliteAnalysisDatabase::KestDbDeletePt(std::string& key, int32_t point) {
    Object* object = find(key);
    if (!object || !pointOf(*object, point)) return 0;
    changeDocument(*object, [&](DocumentStore& store) { store.deletePoint(point); });
    auto& points = object->document.points;
    points.erase(points.begin() + point);
    return 1;
}

Status SqliteAnalysisDatabase::KestDbMovePt(std::string& key, int32_t from, int32_t to) {
    Object* object = find(key);
    if (!object || !pointOf(*object, from) || !pointOf(*object, to)) return 0;
    if (from == to) return 1;
    changeDocument(*object, [&](DocumentStore& store) { store.movePoint(from, to); });
    auto& points = object->document.points;
    const auto at = [&](int32_t p) { return points.begin() + p; };
    if (from > to)
        std::rotate(at(to), at(from), at(from + 1));
    else
        std::rotate(at(from), at(from + 1), at(to + 1));
    return 1;
}

Status SqliteAnalysisDatabase::KestDbGetAnaLabel(std::string& key, int32_t point, std::string& buffer,
                                                 int32_t capacity) {
    const Object* object = find(key);
    if (!object || !pointOf(*object, point)) return 0;
    return FillTextBuffer(buffer, capacity, object->document.points[static_cast<std::size_t>(point)].label);
}

Status SqliteAnalysisDatabase::KestDbSetAnaLabel(std::string& key, int32_t point, const std::string& label,
                                                 int32_t /*flags*/) {
    Object* object = find(key);
    if (!object || !pointOf(*object, point)) return 0;
    std::string text = UntilNul(label).substr(0, kLabelCapacity);
    changeDocument(*object, [&](DocumentStore& store) { store.setLabel(point, text); });
    object->document.points[static_cast<std::size_t>(point)].label = std::move(text);
    return 1;
}

// ---- measures and results -------------------------------------------------------------

Status SqliteAnalysisDatabase::KestDbEltGetMeasures(std::string& key, int32_t element, int32_t selector,
                                                    int32_t point, float& m1, float& m2, float& m3, float& m4,
                                                    float& m5) {
    const auto at = valueAt(key, element, selector, point);
    if (!at) return 0;
    const Measures& m = at->values.measures;
    m1 = m[0];
    m2 = m[1];
    m3 = m[2];
    m4 = m[3];
    m5 = m[4];
    return 1;
}

Status SqliteAnalysisDatabase::KestDbEltSetMeasures(std::string& key, int32_t element, int32_t selector,
                                                    int32_t point, float m1, float m2, float m3, float m4,
                                                    float m5) {
    const auto at = valueAt(key, element, selector, point);
    if (!at) return 0;
    const Measures measures{m1, m2, m3, m4, m5};
    changeDocument(at->object, [&](DocumentStore& store) { store.setMeasures(point, at->element, measures); });
    at->values.measures = measures;
    return 1;
}

Status SqliteAnalysisDatabase::KestDbEltGetComputeRes(std::string& key, int32_t element, int32_t selector,
                                                      int32_t point, ComputeResult& result) {
    const auto at = valueAt(key, element, selector, point);
    if (!at) return 0;
    result = at->values.result;
    return 1;
}

Status SqliteAnalysisDatabase::KestDbEltSetComputeRes(std::string& key, int32_t element, int32_t selector,
                                                      int32_t point, const ComputeResult& result) {
    const auto at = valueAt(key, element, selector, point);
    if (!at) return 0;
    changeDocument(at->object, [&](DocumentStore& store) { store.setResult(point, at->element, result); });
    at->values.result = result;
    return 1;
}

// ---- keeping work ---------------------------------------------------------------------

Status SqliteAnalysisDatabase::KestDbIsModified(std::string& key) {
    const Object* object = find(key);
    return object && object->modified ? 1 : 0;
}

Status SqliteAnalysisDatabase::KestDbObjectAbandon(std::string& key) {
    Object* object = find(key);
    if (!object) return 0;
    if (object->modified) object->store->keepFiles();
    return KestDbObjectDelete(key);
}

Status SqliteAnalysisDatabase::KestDbKeepZones(std::string& key, const std::string& zonesText) {
    const Object* object = find(key);
    if (!object) return 0;
    WriteCompanion(object->store->path(), kZonesCompanion, zonesText);
    return 1;
}

std::vector<LeftoverDocument> SqliteAnalysisDatabase::KestDbLeftovers() {
    std::vector<fs::path> own;
    for (const auto& entry : objects_) own.push_back(entry.second->store->path());
    return FindLeftovers(workDir_, own);
}

// A leftover is only ever touched under its lock, so never while its program runs.
std::optional<WorkingFileLock> SqliteAnalysisDatabase::leftoverLock(const std::string& workingFile) {
    const fs::path file(workingFile);
    const bool own = std::any_of(objects_.begin(), objects_.end(),
                                 [&](const auto& entry) { return entry.second->store->path().filename() == file.filename(); });
    if (!IsWorkingFileOf(workDir_, file)) {
        fail(workingFile + " is not a working file of the folder " + workDir_.string());
        return std::nullopt;
    }
    auto lock = own ? std::optional<WorkingFileLock>() : WorkingFileLock::Take(file);
    if (!lock) fail("the working file " + workingFile + " belongs to a program that is running");
    return lock;
}

Status SqliteAnalysisDatabase::KestDbRecover(std::string& key, const std::string& workingFile, std::string& path,
                                             int32_t capacity) {
    Object* object = find(key);
    if (!object) return 0;
    const auto lock = leftoverLock(workingFile);
    if (!lock) return 0;
    const std::string documentPath = ReadCompanion(workingFile, kDocumentCompanion);
    try {
        AnalysisDocument document = ReadDocumentFile(workingFile);
        // The trial points lie further along the line than the last point, the top nearest.
        for (; !document.trials.empty(); document.trials.pop_back()) document.points.push_back(std::move(document.trials.back()));
        object->store->replaceAll(document);
        object->document = std::move(document);
    } catch (const DocumentFileError& e) {
        return failAndTell("The working file " + workingFile + " cannot be recovered: " + e.what() + ".");
    }
    object->path = documentPath.empty() ? newDocumentPath() : documentPath;
    object->modified = true;
    object->behind = false;
    object->keepPath(!documentPath.empty());
    return FillTextBuffer(path, capacity, object->path);
}

Status SqliteAnalysisDatabase::KestDbDeleteLeftover(const std::string& workingFile) {
    const auto lock = leftoverLock(workingFile);
    if (!lock) return 0;
    DocumentStore::RemoveFiles(workingFile);
    return 1;
}

// ---- statistics and point statuses ----------------------------------------------------

Status SqliteAnalysisDatabase::KestDbEltGetStandardRates(std::string& key, int32_t element, int32_t selector,
                                                         float& standardPercent, float& standardCps,
                                                         float& backgroundCps) {
    const Object* object = find(key);
    if (!object) return 0;
    const int e = elementOf(*object, element, selector);
    if (e < 0) return 0;
    const ElementSetup& setup = object->document.elements[static_cast<std::size_t>(e)].setup;
    standardPercent = static_cast<float>(setup.standard_percent);
    standardCps = static_cast<float>(setup.standard_cps);
    backgroundCps = static_cast<float>(setup.background_cps);
    return 1;
}

Status SqliteAnalysisDatabase::KestDbEltGetStatistics(std::string& key, int32_t element, int32_t selector,
                                                      int32_t point, CountStatistics& statistics) {
    const auto at = valueAt(key, element, selector, point);
    if (!at) return 0;
    statistics = at->values.statistics;
    return 1;
}

Status SqliteAnalysisDatabase::KestDbEltSetStatistics(std::string& key, int32_t element, int32_t selector,
                                                      int32_t point, const CountStatistics& statistics) {
    const auto at = valueAt(key, element, selector, point);
    if (!at) return 0;
    changeDocument(at->object, [&](DocumentStore& store) { store.setStatistics(point, at->element, statistics); });
    at->values.statistics = statistics;
    return 1;
}

Status SqliteAnalysisDatabase::KestDbGetPointStatus(std::string& key, int32_t point, PointStatus& status) {
    const Object* object = find(key);
    if (!object || !pointOf(*object, point)) return 0;
    status = object->document.points[static_cast<std::size_t>(point)].status;
    return 1;
}

Status SqliteAnalysisDatabase::KestDbSetPointStatus(std::string& key, int32_t point, PointStatus status) {
    Object* object = find(key);
    if (!object || !pointOf(*object, point)) return 0;
    changeDocument(*object, [&](DocumentStore& store) { store.setPointStatus(point, status); });
    object->document.points[static_cast<std::size_t>(point)].status = status;
    return 1;
}

Status SqliteAnalysisDatabase::KestDbParkPt(std::string& key, int32_t point) {
    Object* object = find(key);
    if (!object || !pointOf(*object, point)) return 0;
    AnalysisDocument& document = object->document;
    const auto depth = static_cast<int32_t>(document.trials.size());
    changeDocument(*object, [&](DocumentStore& store) { store.parkPoint(point, depth); });
    document.trials.push_back(std::move(document.points[static_cast<std::size_t>(point)]));
    document.points.erase(document.points.begin() + point);
    return 1;
}

Status SqliteAnalysisDatabase::KestDbUnparkPt(std::string& key) {
    Object* object = find(key);
    if (!object) return 0;
    AnalysisDocument& document = object->document;
    if (document.trials.empty()) return fail("no trial point waits");
    const auto depth = static_cast<int32_t>(document.trials.size() - 1);
    const auto index = static_cast<int32_t>(document.points.size());
    changeDocument(*object, [&](DocumentStore& store) { store.unparkPoint(depth, index); });
    document.points.push_back(std::move(document.trials.back()));
    document.trials.pop_back();
    return 1;
}

Status SqliteAnalysisDatabase::KestDbClearParked(std::string& key) {
    Object* object = find(key);
    if (!object) return 0;
    if (object->document.trials.empty()) return 1;
    mirror(*object, [](DocumentStore& store) { store.clearParked(); });
    object->document.trials.clear();
    return 1;
}

Status SqliteAnalysisDatabase::KestDbBeginChanges(std::string& key) {
    Object* object = find(key);
    if (!object) return 0;
    if (object->behind) return 1;  // memory holds the changes until the next save
    try {
        object->store->beginBatch();
    } catch (const DocumentFileError& error) {
        fallBehind(*object, error.what());
    }
    return 1;
}

Status SqliteAnalysisDatabase::KestDbEndChanges(std::string& key) {
    Object* object = find(key);
    if (!object) return 0;
    if (object->behind) return 1;
    try {
        object->store->endBatch();
    } catch (const DocumentFileError& error) {
        fallBehind(*object, error.what());
    }
    return 1;
}

// ---- instrument description -----------------------------------------------------------

Status SqliteAnalysisDatabase::KestGetNbSpectros() { return config_.instrument.spectrometers; }
Status SqliteAnalysisDatabase::KestGetReadBeamCurrentExist() { return config_.instrument.beam_current_readable ? 1 : 0; }
Status SqliteAnalysisDatabase::KestGetFaradayCupExist() { return config_.instrument.faraday_cup ? 1 : 0; }

std::string SqliteAnalysisDatabase::KestElementSymbolVB(int32_t atomicNumber) { return ElementSymbol(atomicNumber); }

}  // namespace kest
