// The pen as the canvas last reported it: the sample of the current press, move or release, the
// pen stroke under way, and the tool the painter had while the pen's eraser end is in use. The
// canvas events fill it before the tool runs, so the painting code reads the sample from here.
#pragma once

#include <cstdint>

#include "brush/pen_sample.h"
#include "brush/pen_stroke.h"
#include "shell/ids.h"

namespace qm {

enum class PenPhase : uint8_t { Press, Move, Release, Other };

struct PenState {
    // The pointer's last sample, in canvas-control pixels with its sub-pixel part (the
    // constraints of Shift and Alt applied, as to MouseX and MouseY).
    PenSample sample;
    bool fromPen = false;  // the sample is a pen's; false for a mouse
    PenPhase phase = PenPhase::Other;
    // The sub-pixel part of the press, kept by a drag held on the line through it.
    double pressSubX = 0, pressSubY = 0;
    // The stroke's samples as the brush takes them (pressure curve, steady line), while a brush
    // or eraser stroke is painted through it: a pen's stroke, or any stroke with a steady line.
    PenStroke stroke;

    // The eraser end: from its press to its release the brush erases; then the tool, brush
    // mode and colours the painter had come back.
    bool eraserEnd = false;
    Tool toolBefore = Tool::Brush;
    uint8_t brushModeBefore = 0;
    uint32_t colourBefore = 0, selectedColourBefore = 0;

    // The point of the pressure curve held in the Preferences window; -1 for none.
    int curvePoint = -1;
};

}  // namespace qm
