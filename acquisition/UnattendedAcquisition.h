#pragma once
// The acquisition window's automatic mode without a window, for the headless scan: the
// point CurPnt is measured with the main window's settings as the window would load them.
// Messages go to a sink (standard error in the headless commands).

#include "acquisition/AcquisitionView.h"
#include "acquisition/Pacer.h"
#include "acquisition/PointAcquisition.h"
#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

namespace kest {

class UnattendedAcquisition : private AcquisitionView {
public:
    UnattendedAcquisition(ProfileState& state, Suite& suite, Pacer& pacer, MessageSink messages);

    void acquireCurrentPoint(const MainView& main);
    // As the stop button: the running acquisition ends at its next poll, the scan after it.
    void requestStop() { acquisition_.requestStop(); }

private:
    void showCounting(bool) override {}
    void showStageTarget(const std::string&, const std::string&) override {}
    void showMessage(const std::string& text) override { messages_(text); }

    ProfileState& state_;
    MessageSink messages_;
    PointAcquisition acquisition_;
};

}  // namespace kest
