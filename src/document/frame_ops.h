// Editing an animation layer's drawings on the timeline, and moving through the frames.
//
// Each operation works at the view's CurrentFrame on the animation layer under `key` (the
// layer being painted or edited). It returns whether it changed anything; a refused operation
// changes nothing and declares nothing. The edits declare themselves to `history` (animation()
// before their first change, keepFrameImage() for frames that leave), so that the caller only
// opens and commits one edit around the call to make it one undo step. Moving through frames
// and drawings only changes CurrentFrame, which is not an edit (the frame spin and the timeline
// change it without a history step too).
//
// Frame numbers stay within 1..FrameTotal: moving past either end is refused, and so is an edit
// that would start a drawing outside that range or hold one past FrameTotal. Drawings that
// already lie past FrameTotal (an import may place them there) block the edits that would move
// them further; shortening, removing and deleting always work.
#pragma once

#include <string_view>

#include "document/animation_frames.h"
#include "document/document.h"
#include "document/history.h"
#include "document/view_state.h"

namespace qm {

// The next and the previous frame, stopping at FrameTotal and at 1.
bool nextFrame(const Document& doc, ViewState& view);
bool previousFrame(const Document& doc, ViewState& view);
// The start of the next drawing after CurrentFrame; the start of the drawing before the one
// shown at CurrentFrame (before CurrentFrame when none is shown). Refused when there is none
// within 1..FrameTotal.
bool nextDrawing(Document& doc, ViewState& view, std::string_view key);
bool previousDrawing(Document& doc, ViewState& view, std::string_view key);

// A new transparent drawing (document size) at CurrentFrame. Inside a hold, the held drawing
// now ends before CurrentFrame and the new one holds for the rest; in a gap it holds 1 frame.
// Refused where a drawing starts already.
bool newBlankDrawing(Document& doc, const ViewState& view, History& history, std::string_view key);
// The same with copies of the frames of the drawing held at CurrentFrame (images and offsets).
// Refused where no drawing is shown or one starts.
bool copyShownDrawing(Document& doc, const ViewState& view, History& history, std::string_view key);

// The drawing shown at CurrentFrame holds one frame longer; later drawings of the layer move
// one frame right.
bool holdLonger(Document& doc, const ViewState& view, History& history, std::string_view key);
// It holds one frame shorter (not below 1); later drawings move one frame left.
bool holdShorter(Document& doc, const ViewState& view, History& history, std::string_view key);

// An empty frame at CurrentFrame: drawings starting there or later move one frame right. A
// drawing held over CurrentFrame (started before it) holds one frame longer, as a held picture
// fills an inserted frame. Refused when nothing would move.
bool insertFrame(Document& doc, const ViewState& view, History& history, std::string_view key);
// Removes CurrentFrame from the layer's row: drawings after it move one frame left; the drawing
// shown there holds one frame shorter, or goes when it was held for that frame alone.
bool removeFrame(Document& doc, const ViewState& view, History& history, std::string_view key);
// Deletes the drawing shown at CurrentFrame (all its frames); the others stay where they are.
bool deleteShownDrawing(Document& doc, const ViewState& view, History& history,
                        std::string_view key);

// Whether a drawing of the layer shows at `frame` (a drop there is refused).
bool frameOccupied(const AnimationLayer& layer, int frame);
// Moves the drawing shown at frame `from` so that it starts at `to`. Refused when `to` is outside
// 1..FrameTotal, is where it starts already, or is occupied by another drawing. Its hold is
// shortened where it would run into the next drawing or past FrameTotal.
bool moveDrawing(Document& doc, const ViewState& view, History& history, std::string_view key,
                 int from, int to);
// The same, leaving the drawing where it is and placing copies of its frames at `to` (also
// refused on the drawing's own frames).
bool copyDrawing(Document& doc, const ViewState& view, History& history, std::string_view key,
                 int from, int to);

// How painting at a frame that shows a held drawing goes on (the AnimNewDrawing preference).
enum class NewDrawingMode {
    PaintHeld = 0,  // paint into the held drawing
    NewBlank = 1,   // start a new transparent drawing at the current frame
    CopyHeld = 2,   // start a copy of the held drawing at the current frame
};
// The frame to paint into at CurrentFrame: the drawing that starts there, or the one held there
// (mode PaintHeld), or a new one made as `mode` says; where no drawing shows, a new transparent
// one (held 1 frame). Of a drawing of several frames, the last (drawn on top). The frame has an
// id (for touchFramePixels and frameById). Null when there is no such layer, CurrentFrame is
// outside 1..FrameTotal, or the image cannot be made.
AnimationFrame* drawingToPaint(Document& doc, const ViewState& view, History& history,
                               std::string_view key, NewDrawingMode mode);

}  // namespace qm
