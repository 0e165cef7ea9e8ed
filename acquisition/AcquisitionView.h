#pragma once
// What the acquisition needs of its window: the counting frame with the stop button, the
// target of the last stage move, and messages. The acquisition window implements it; the
// headless commands and the tests implement it too.

#include <string>

namespace kest {

class AcquisitionView {
public:
    virtual ~AcquisitionView() = default;

    // Frame1, which carries the stop button, while the counters count.
    virtual void showCounting(bool visible) = 0;
    // LX and LY: the target of the last stage move, each as 8 characters.
    virtual void showStageTarget(const std::string& x, const std::string& y) = 0;
    // A message with an OK button and the default title.
    virtual void showMessage(const std::string& text) = 0;
};

}  // namespace kest
