// The brush rows of the tool-options panel: each control stores its state into one
// BrushSettings field (at the field's width) and shows that field when the panel is refreshed.
#pragma once

namespace qm {

struct App;
struct ControlEvent;

// The range a control offers.
struct ControlRange {
    int min = 0, max = 0;
};

// The opacity-jitter factor (gadget 59) is the one brush control whose range depends on where
// it is shown: the "Alpha" tab of the tool options ("paint" work space) offers 0 to 15, the
// options bar ("classic") 1 to 15. The widgets are built with these ranges and the shell keeps
// a value within the range of the work space shown.
inline constexpr ControlRange kOpacityJitterFactorInTab{0, 15};
inline constexpr ControlRange kOpacityJitterFactorInBar{1, 15};

// Handles a control event of a brush row; false when the gadget is not one.
bool handleBrushControl(App& app, const ControlEvent& event);
// Sets every brush-row control to its field's value.
void showBrushSettings(App& app);

}  // namespace qm
