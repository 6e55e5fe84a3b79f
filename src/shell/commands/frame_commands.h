// The commands of the Animation menu (moving through frames and drawings, making, holding,
// inserting, removing and deleting drawings of the current animation layer), the move tool on a
// drawing, and the timeline's drags that move or copy a drawing along its row.
#pragma once

namespace qm {

struct App;

// Whether `commandId` is one of the Animation menu's commands.
bool isFrameCommand(int commandId);
// Runs the Animation menu's command `commandId` on the current animation layer: each edit is one
// undo step; moving through frames is not an edit. The canvas, the timeline, the frame spins,
// the navigator and the status bar follow.
void frameCommand(App& app, int commandId);

// The move tool on the drawing shown at the current frame of the painted animation layer: its
// frames follow the pointer's travel since the press (frames are shown unscaled). One step from
// press to release.
void moveDrawingDrag(App& app, int x, int y, bool release);

// A left-button event of the timeline as the drawing drags see it.
enum class TimelineDragStep { Press, Move, Release, Other };
struct TimelineDragEvent {
    TimelineDragStep step = TimelineDragStep::Other;
    int x = 0, y = 0;  // in the timeline's picture
    bool alt = false, ctrl = false, shift = false;
};

// Alt+left drag on the timeline: the drawing under the press moves along its row by the drag's
// travel; with Ctrl as well a copy goes there. True when the event belonged to such a drag (a
// drag started with Alt goes on without it). A drop where another drawing shows is refused, and
// the status bar says so.
bool timelineDrawingDrag(App& app, const TimelineDragEvent& event);

}  // namespace qm
