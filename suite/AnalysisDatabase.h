#pragma once
// The analysis-database library: documents held as objects named by a key.
//
// Every call takes the object key first, by reference: the library may rewrite it, and the
// caller keeps what it gets back. A text result fills the caller's buffer up to the given
// capacity (the buffer is resized to the capacity; the text is followed by NUL characters)
// and the call returns the text's length. Results are 32-bit statuses, 0 = failure.

#include "suite/SuiteTypes.h"

#include <string>
#include <vector>

namespace kest {

class AnalysisDatabase {
public:
    virtual ~AnalysisDatabase() = default;

    // Objects.
    virtual Status KestDbObjectNew(std::string& key, int32_t kind, int32_t flags) = 0;
    virtual Status KestDbObjectRead(std::string& key, const std::string& path) = 0;
    virtual Status KestDbObjectDelete(std::string& key) = 0;

    // Document lifecycle: each writes the document path into `path` (resized to `capacity`)
    // and returns its length; 0 or less is failure or cancel.
    virtual Status KestDbReset(std::string& key, std::string& path, int32_t capacity) = 0;
    virtual Status KestDbOpen(std::string& key, std::string& path, int32_t capacity) = 0;
    virtual Status KestDbSave(std::string& key, std::string& path, int32_t capacity) = 0;
    virtual Status KestDbSaveAs(std::string& key, std::string& path, int32_t capacity) = 0;

    // Descriptive fields.
    virtual Status KestDbGetTitle(std::string& key, std::string& buffer, int32_t capacity) = 0;
    virtual Status KestDbGetUserName(std::string& key, std::string& buffer, int32_t capacity) = 0;
    virtual Status KestDbGetCompany(std::string& key, std::string& buffer, int32_t capacity) = 0;
    virtual Status KestDbGetComments(std::string& key, std::string& buffer, int32_t capacity) = 0;
    virtual Status KestDbLastModTime(std::string& key, std::string& buffer, int32_t capacity) = 0;
    virtual Status KestDbSetTitle(std::string& key, const std::string& text) = 0;
    virtual Status KestDbSetUserName(std::string& key, const std::string& text) = 0;
    virtual Status KestDbSetCompany(std::string& key, const std::string& text) = 0;
    virtual Status KestDbSetComments(std::string& key, const std::string& text) = 0;

    // Elements of the analysis set-up.
    virtual Status KestDbNbElt(std::string& key) = 0;
    virtual Status KestDbEltNrAtom(std::string& key, int32_t position) = 0;
    virtual Status KestDbEltGetConc(std::string& key, int32_t element, int32_t selector,
                                    float& concentration, int32_t& flag) = 0;
    virtual Status KestDbEltGetStandardName(std::string& key, int32_t element, int32_t selector,
                                            std::string& buffer, int32_t capacity) = 0;
    virtual Status KestDbEltGetSpAndXtal(std::string& key, int32_t element, int32_t selector,
                                         int32_t& spectrometer, std::string& crystal,
                                         int32_t capacity) = 0;

    // Points.
    virtual Status KestDbGetNbPts(std::string& key) = 0;
    virtual Status KestDbAddPt(std::string& key, int32_t x, int32_t y, int32_t z) = 0;
    virtual Status KestDbSetStagePos(std::string& key, int32_t point, int32_t x, int32_t y, int32_t z) = 0;
    virtual Status KestDbGetStagePos(std::string& key, int32_t point, int32_t& x, int32_t& y, int32_t& z) = 0;
    virtual Status KestDbDeletePt(std::string& key, int32_t point) = 0;
    // Point `from` becomes point `to` with everything kept of it; the points between move
    // by one to make room. A library that cannot reorder its points answers 0.
    virtual Status KestDbMovePt(std::string& /*key*/, int32_t /*from*/, int32_t /*to*/) { return 0; }
    virtual Status KestDbGetAnaLabel(std::string& key, int32_t point, std::string& buffer, int32_t capacity) = 0;
    // The label is the text up to its first NUL character.
    virtual Status KestDbSetAnaLabel(std::string& key, int32_t point, const std::string& label, int32_t flags) = 0;

    // Measures and results of one element at one point.
    virtual Status KestDbEltGetMeasures(std::string& key, int32_t element, int32_t selector, int32_t point,
                                        float& m1, float& m2, float& m3, float& m4, float& m5) = 0;
    virtual Status KestDbEltSetMeasures(std::string& key, int32_t element, int32_t selector, int32_t point,
                                        float m1, float m2, float m3, float m4, float m5) = 0;
    virtual Status KestDbEltGetComputeRes(std::string& key, int32_t element, int32_t selector, int32_t point,
                                          ComputeResult& result) = 0;
    virtual Status KestDbEltSetComputeRes(std::string& key, int32_t element, int32_t selector, int32_t point,
                                          const ComputeResult& result) = 0;
    // Beam current and its averaging factor of the element's set-up.
    virtual Status KestDbEltGetBcAv(std::string& key, int32_t element, int32_t selector,
                                    float& beamCurrent, float& average) = 0;
    // Spectrometer position values of the element's set-up; the fourth is a single float.
    virtual Status KestDbEltGetSpectroPositions(std::string& key, int32_t element, int32_t selector,
                                                int32_t& spectrometer, int32_t& peak, int32_t& backgroundLow,
                                                float& currentFactor, int32_t& backgroundHigh,
                                                int32_t& widthLow, int32_t& widthHigh) = 0;

    // What the document keeps beyond measures and results: the standard's rates of an
    // element's set-up, the counting statistics of an element at a point and how a point's
    // last acquisition ended. A library that keeps none of these answers 0 and leaves the
    // "out" arguments alone.
    virtual Status KestDbEltGetStandardRates(std::string& /*key*/, int32_t /*element*/, int32_t /*selector*/,
                                             float& /*standardPercent*/, float& /*standardCps*/,
                                             float& /*backgroundCps*/) {
        return 0;
    }
    virtual Status KestDbEltGetStatistics(std::string& /*key*/, int32_t /*element*/, int32_t /*selector*/,
                                          int32_t /*point*/, CountStatistics& /*statistics*/) {
        return 0;
    }
    virtual Status KestDbEltSetStatistics(std::string& /*key*/, int32_t /*element*/, int32_t /*selector*/,
                                          int32_t /*point*/, const CountStatistics& /*statistics*/) {
        return 0;
    }
    virtual Status KestDbGetPointStatus(std::string& /*key*/, int32_t /*point*/, PointStatus& /*status*/) { return 0; }
    virtual Status KestDbSetPointStatus(std::string& /*key*/, int32_t /*point*/, PointStatus /*status*/) { return 0; }

    // The changes made between these two calls reach the document's file together (the
    // store of one point). A library that writes no file answers 1 and does nothing.
    virtual Status KestDbBeginChanges(std::string& /*key*/) { return 1; }
    virtual Status KestDbEndChanges(std::string& /*key*/) { return 1; }

    // A variable zone's trial stack, kept by the document apart from the profile's points so
    // that a crash loses none of them (a recovery puts them back behind the last point, the
    // top first). ParkPt moves a point with all its values from the profile to the top of
    // the stack; UnparkPt brings the top back as the last point; ClearParked empties the
    // stack. A library without a trial stack deletes the point, and answers 0 to UnparkPt.
    virtual Status KestDbParkPt(std::string& key, int32_t point) { return KestDbDeletePt(key, point); }
    virtual Status KestDbUnparkPt(std::string& /*key*/) { return 0; }
    virtual Status KestDbClearParked(std::string& /*key*/) { return 1; }

    // Instrument description.
    virtual Status KestGetNbSpectros() = 0;
    virtual Status KestGetReadBeamCurrentExist() = 0;
    virtual Status KestGetFaradayCupExist() = 0;

    // Symbol of an element from its atomic number ("Fe"); empty outside 1..103.
    virtual std::string KestElementSymbolVB(int32_t atomicNumber) = 0;

    // What the program adds so that no work is lost. A library without working files has
    // nothing to recover and keeps nothing: these defaults say so.

    // 1 when the document has changed since it was last reset, opened or saved.
    virtual Status KestDbIsModified(std::string& /*key*/) { return 0; }
    // Releases the object as KestDbObjectDelete does, but a document with unsaved changes
    // keeps its working file, to be recovered at the next start (a program made to end
    // without asking: a termination signal, the end of the desktop session).
    virtual Status KestDbObjectAbandon(std::string& key) { return KestDbObjectDelete(key); }
    // Keeps the zones file's text beside the working file, so that a recovered document
    // comes back with its zones.
    virtual Status KestDbKeepZones(std::string& /*key*/, const std::string& /*zonesText*/) { return 1; }
    // The working files that programs no longer running left behind, oldest change first.
    virtual std::vector<LeftoverDocument> KestDbLeftovers() { return {}; }
    // Loads a leftover working file into the object as a document with unsaved changes and
    // writes its document's path (a new name when it was never saved) into `path`; returns
    // the path's length, 0 when the file is not a leftover or cannot be read. The leftover
    // stays until KestDbDeleteLeftover.
    virtual Status KestDbRecover(std::string& /*key*/, const std::string& /*workingFile*/, std::string& /*path*/,
                                 int32_t /*capacity*/) {
        return 0;
    }
    virtual Status KestDbDeleteLeftover(const std::string& /*workingFile*/) { return 0; }
};

}  // namespace kest
