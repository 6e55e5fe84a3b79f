// Tool codes in test messages by name and number ("Fill (10)"), not as raw bytes.
#pragma once

#include <iterator>
#include <ostream>

#include "shell/ids.h"

namespace qm {

inline void PrintTo(Tool tool, std::ostream* os) {
    static const char* const kNames[] = {
        "Brush",    "Line",    "RadialSpeedLine", "StraightSpeedLine", "Box",  "Ellipse", "Fill",
        "Gradient", "Pattern", "Eraser",          "ColorPicker",       "Hand", "Zoom",    "Move",
        "Clear"};
    const int c = code(tool), i = c - code(Tool::Brush);
    *os << (i >= 0 && i < int(std::size(kNames)) ? kNames[i] : "Tool") << " (" << c << ")";
}

}  // namespace qm
