// The animation panel's two pictures, drawn by the shell and shown through the Ui: the timeline
// (gadget 142: the ruler, a box per animation frame in its layer's row, the playback range and
// the current frame) and the animation-layer list (gadget 138); and the timeline's frame under
// the pointer.
#pragma once

#include <cstdint>

#include "document/view_state.h"
#include "raster/image.h"
#include "raster/rect.h"
#include "shell/state/timeline_state.h"

namespace qm {

struct App;
struct Document;

// Timeline rows and cells are 20 pixels high; the panel is 130 pixels high.
constexpr int kTimelineCellHeight = 20;
constexpr int kAnimationPanelHeight = 130;

// The frame whose cell holds x: x div the cell width (0 left of the timeline).
int16_t timelineFrameAt(int x, int cellWidth);

// The ruler for a window `width` pixels wide: (width + cell width x 200) x 130, grey, a lighter
// strip 20 high on top, a tick per cell and a line with the number every 12 cells.
Image timelineRuler(int width, int cellWidth);
// Reads the images of TimelineImages from the icon folder of the preferences.
void loadTimelineImages(App& app);
// The range markers scaled for the cell width.
TimelineMarkers timelineMarkers(const TimelineImages& images, int cellWidth);
// The whole timeline picture of the document: drawTimelineBase and then drawCurrentFrame.
Image drawTimeline(const Document& doc, const ViewState& view, const Image& ruler, int cellWidth,
                   int animBarre, const TimelineMarkers& markers);
// The ruler with the frames, the current animation layer's row and the playback range with its
// markers.
Image drawTimelineBase(const Document& doc, const ViewState& view, const Image& ruler,
                       int cellWidth, const TimelineMarkers& markers);
// The current frame's number and mark on the timeline; returns the rectangle drawn on.
Rect drawCurrentFrame(Image& timeline, const ViewState& view, int cellWidth, int animBarre);
// The animation-layer list picture: 2000 x 130, a header with the eye and the lock, one row per
// animation layer (the names are written by the Ui in the interface font).
Image drawAnimationLayerList(const Document& doc, const TimelineImages& images);

// The timeline and the animation-layer list drawn for the document and shown.
void redrawTimeline(App& app);
void redrawAnimationLayerList(App& app);

}  // namespace qm
