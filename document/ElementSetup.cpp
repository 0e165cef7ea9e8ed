#include "document/ElementSetup.h"

#include "core/DocKey.h"
#include "document/ReferenceProfile.h"
#include "results/CountingStatistics.h"

#include <algorithm>
#include <cctype>

namespace kest {
namespace {

constexpr int32_t kStandardCapacity = kPathLength;  // a reference document is named by its path
constexpr int32_t kCrystalCapacity = 6;

// Positions of the document's profile elements, in document order.
void SelectProfileElements(ProfileState& state, AnalysisDatabase& db) {
    state.NbElt = 0;
    const Status count = WithDocKey(state, [&](std::string& key) { return db.KestDbNbElt(key); });
    for (int32_t i = 0; i < count && state.NbElt < kElementSlots; ++i) {
        float concentration = 0;
        int32_t flag = 0;
        StoredDocCall(state, [&](std::string& key) { return db.KestDbEltGetConc(key, i, kByPosition, concentration, flag); });
        if (flag != 1) continue;
        if (i == kLastSelectablePosition) break;
        state.ElementTable[static_cast<std::size_t>(state.NbElt++)].position = static_cast<int16_t>(i);
    }
    state.CurElt = state.NbElt > 0 ? 0 : -1;
}

// Symbol, standard and spectrometer of one entry; false when the standard has no name.
bool DescribeElement(ProfileState& state, Suite& suite, MainView& view, EltEntry& entry) {
    AnalysisDatabase& db = suite.db;
    entry.atomicNumber = static_cast<int16_t>(state.store(
        WithDocKey(state, [&](std::string& key) { return db.KestDbEltNrAtom(key, entry.position); })));
    entry.symbol = db.KestElementSymbolVB(entry.atomicNumber);

    std::string standard;
    const Status length = StoredDocCall(state, [&](std::string& key) {
        return db.KestDbEltGetStandardName(key, entry.position, kByPosition, standard, kStandardCapacity);
    });
    if (length <= 0) {
        view.showMessage("Elt = " + entry.symbol.str() + " Reference Error !");
        return false;
    }
    entry.standardName = standard.substr(0, static_cast<std::size_t>(length));

    std::string crystal;
    StoredDocCall(state, [&](std::string& key) {
        return db.KestDbEltGetSpAndXtal(key, entry.position, kByPosition, entry.spectrometer, crystal, kCrystalCapacity);
    });
    if (entry.spectrometer >= 1 && entry.spectrometer <= kSpectrometers)
        state.SpectroTable[static_cast<std::size_t>(entry.spectrometer - 1)].used = kTrue;
    return true;
}

// The standard's rates: the sensitivity of an element on a standard and the background,
// for the counting statistics; zeros when the document does not keep them. The set-up's beam
// current is the one its standard was measured at.
void ReadStandardRates(ProfileState& state, AnalysisDatabase& db, EltEntry& entry) {
    float percent = 0, standardCps = 0, background = 0, current = 0, average = 0;
    StoredDocCall(state, [&](std::string& key) {
        return db.KestDbEltGetStandardRates(key, entry.position, kByPosition, percent, standardCps, background);
    });
    entry.sensitivity = StandardSensitivity(percent, standardCps);
    entry.backgroundCps = background;
    StoredDocCall(state, [&](std::string& key) { return db.KestDbEltGetBcAv(key, entry.position, kByPosition, current, average); });
    entry.standardCurrent = current;
}

}  // namespace

bool IsReferenceDocument(std::string_view standardName) {
    constexpr std::string_view kExtension = ".ANA";
    if (standardName.size() < kExtension.size()) return false;
    const std::string_view tail = standardName.substr(standardName.size() - kExtension.size());
    return std::equal(tail.begin(), tail.end(), kExtension.begin(),
                      [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

bool SetupElements(ProfileState& state, Suite& suite, MainView& view) {
    SelectProfileElements(state, suite.db);
    bool onStandard = false;
    for (int k = 0; k < state.NbElt; ++k) {
        EltEntry& entry = state.ElementTable[static_cast<std::size_t>(k)];
        entry.referenceFailed = false;
        if (!DescribeElement(state, suite, view, entry)) return false;
        ReadStandardRates(state, suite.db, entry);
        entry.byReference = IsReferenceDocument(entry.standardName);
        if (entry.byReference) {
            ReadReferenceProfile(state, suite, view, k);
            entry.sensitivity = entry.slope;
        }
        onStandard = onStandard || !entry.byReference;
        state.ComputeMode = onStandard ? kTrue : kFalse;
    }
    return true;
}

}  // namespace kest
