// The pen's side of the canvas tools: its strokes through the pen stroke (pressure curve,
// steady line, sub-pixel samples) and its eraser end.
#pragma once

namespace qm {

struct App;
struct StrokeContext;

// Paints the pen state's current sample with the brush or eraser: the press begins a pen stroke,
// a move paints its segment, the release paints the last one and the catch-up. A stroke goes
// this way when it is a pen's or when the brush has a steady line; false, with nothing done,
// for a mouse stroke without one, which paints each move's segment as it always has.
bool paintPenSample(App& app, StrokeContext& context);

// The pen's eraser end touched the tablet: the brush erases until leaveEraserEnd. Nothing when
// the eraser end is already in use.
void takeEraserEnd(App& app);
// The tool, the brush mode and the colours the painter had before takeEraserEnd come back.
void leaveEraserEnd(App& app);

}  // namespace qm
