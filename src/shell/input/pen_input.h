// The pen's samples as the canvas events bring them: before the tool runs, each press, move and
// release is kept in the App's pen state, and the eraser end takes and gives back the eraser.
#pragma once

namespace qm {

struct App;
struct CanvasEvent;

// Keeps the event's sample in app.pen (after the pointer position was tracked), starts a new
// pen stroke on a press, and takes the eraser when the pen's eraser end presses.
void notePenSample(App& app, const CanvasEvent& event);
// After the event was handled: a release ends the pen stroke and gives the eraser end's tool
// back.
void endPenEvent(App& app, const CanvasEvent& event);

}  // namespace qm
