#pragma once
// The program's scan on the simulated instrument: documents, computation and a simulated
// microprobe (virtual clock, no noise) from a suite configuration, the start-up of the main
// window's logic, and a recording main window whose acquisition window runs the automatic
// acquisition without a window. A scan that asks for more than `pointBound` points fails the
// test and stops there, so that a line that never ends fails at once instead of hanging.

#include "FakeMainView.h"

#include "acquisition/AcquisitionPanel.h"
#include "acquisition/UnattendedAcquisition.h"
#include "acquisition/ZoneScan.h"
#include "core/Formats.h"
#include "shell/Startup.h"
#include "suite/SuiteInstance.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kest::fakes {

// A quiet instrument on a virtual clock with one element (Fe on spectrometer 1) whose
// specimen profile is the given step shape along X.
inline SuiteConfig QuietStep(std::vector<std::pair<double, double>> steps, std::array<int32_t, 3> stage = {0, 0, 0}) {
    SuiteConfig config;
    config.instrument.clock = InstrumentConfig::Clock::Virtual;
    config.instrument.noise = false;
    config.instrument.stage_position = stage;
    config.setup.elements = {{26, 1, "Fe", true, 100.0, 5000.0, 20.0}};
    config.specimen.axis = 1;
    config.specimen.elements[26] = {SpecimenProfile::Shape::Step, std::move(steps)};
    return config;
}

inline ZoneRecord FixedZone(int32_t length, int32_t step) {
    ZoneRecord zone;
    zone.type = 'F';
    zone.length = length;
    zone.stepMin = step;
    return zone;
}
inline ZoneRecord VariableZone(int32_t length, int32_t stepMin, int32_t stepMax, float dConc) {
    ZoneRecord zone = FixedZone(length, stepMin);
    zone.type = 'V';
    zone.stepMax = stepMax;
    zone.dConc = dConc;
    return zone;
}

struct ScanOnSimulator {
    // On the simulator of `config`, or on the microprobe `makeProbe` makes.
    explicit ScanOnSimulator(SuiteConfig config, const SuiteInstance::MicroprobeMaker& makeProbe = nullptr)
        : instance(std::move(config), ProgramFolders{home.path().toStdString(), home.path().toStdString()}, makeProbe),
          acquisition(state, instance.suite(), pacer, [this](const std::string& text) { view.messages.push_back(text); }) {
        view.acquisition = [this] {
            if (measured.size() >= pointBound) {
                ADD_FAILURE() << "the scan asks for point " << measured.size() + 1 << ": the line never ends";
                state.ScanStop = kTrue;
                return;
            }
            measured.push_back(state.CurPnt);
            beforeAcquisition();
            acquisition.acquireCurrentPoint(view);
        };
        StartUp(state, suite(), view);
        view.setDefTimeText("1");
        state.NoiseSigmas = 0;  // any change above dConc counts, as in the design's model of a scan
    }
    Suite& suite() { return instance.suite(); }

    void setZones(const std::vector<ZoneRecord>& zones) {
        state.NbZones = static_cast<int16_t>(zones.size());
        for (std::size_t i = 0; i < zones.size(); ++i) state.Zones[i] = zones[i];
    }
    std::vector<int32_t> coordinates() {
        std::vector<int32_t> result;
        for (int32_t p = 0; p < state.NbPts; ++p) result.push_back(PointCoordinate(state, suite().db, p));
        return result;
    }
    // The labels without the blanks that fill them to 8 characters once measured.
    std::vector<std::string> labels() {
        std::vector<std::string> result;
        for (int32_t p = 0; p < state.NbPts; ++p) {
            std::string key = state.DocKey.str(), label;
            suite().db.KestDbGetAnaLabel(key, p, label, kLabelLength);
            label = label.substr(0, label.find('\0'));
            result.push_back(WithoutTrailingBlanks(label));
        }
        return result;
    }

    QTemporaryDir home;
    SuiteInstance instance;
    ProfileState state;
    FakeMainView view;
    SleepingPacer pacer;  // the virtual clock never keeps it waiting
    UnattendedAcquisition acquisition;
    std::vector<int16_t> measured;               // CurPnt of every acquisition, in order
    std::size_t pointBound = 50;
    std::function<void()> beforeAcquisition = [] {};
};

// For a scan in the main window: notes the length of the point list as each point's
// acquisition begins, and stops the `stopAt`-th once counting has begun (the stop confirmed).
// A scan that measures more than 50 points fails the test and is stopped the same way.
class AcquisitionWatcher : public QObject {
public:
    static void PressStop(QObject* panel) {
        static_cast<AcquisitionPanel*>(panel)->confirmStop = [] { return true; };
        panel->findChild<QAbstractButton*>("Command4")->click();
    }
    explicit AcquisitionWatcher(const QListWidget* list, std::size_t stopAt = 0, std::function<void(QObject*)> stop = PressStop)
        : list_(list), stopAt_(stopAt), stop_(std::move(stop)) {
        auto* panel = list->window()->findChild<AcquisitionPanel*>();
        connect(panel, &AcquisitionPanel::pointStarted, this, [this, panel] { started(panel); });
    }
    std::vector<int> rows;

private:
    void started(QObject* panel) {
        rows.push_back(list_->count());
        const bool endless = rows.size() > 50;
        if (endless) ADD_FAILURE() << "the scan measures " << rows.size() << " points: the line never ends";
        if (endless || rows.size() == stopAt_) QTimer::singleShot(0, panel, [this, panel, endless] { (endless ? PressStop : stop_)(panel); });
    }

    const QListWidget* list_;
    std::size_t stopAt_;
    std::function<void(QObject*)> stop_;
};

}  // namespace kest::fakes
