// The animation panel's two pictures, drawn by the shell and shown through the Ui: the timeline
// (gadget 142: the ruler, a box per animation frame in its layer's row, the playback range and
// the current frame) and the animation-layer list (gadget 138); the timeline's frame under the
// pointer; the delete buttons of frames (141) and animation layers (136); and the onion skin
// the canvas draws.
#pragma once

#include <cstdint>

#include "document/compositing.h"
#include "raster/image.h"

namespace qm {

struct App;
struct Document;

// Timeline rows and cells are 20 pixels high; the panel is 130 pixels high.
constexpr int kTimelineCellHeight = 20;
constexpr int kAnimationPanelHeight = 130;

// The interface images the animation panel's pictures are drawn with: the range markers
// (ledgreen.png for the start, ledred.png for the end) and the eye and lock of the list's header,
// as read from the icon folder (a black 25 x 25 square for a file that cannot be read), and the
// markers at the size the timeline's cells give them.
struct TimelineImages {
    Image startMarker, endMarker, eye, lock;
};
struct TimelineMarkers {
    Image start, end;  // (cell width - 4) x 16
};

// The ruler the timeline is drawn on, kept until the width or the cell width changes; the
// timeline without its current-frame marks, kept while the frames, range and rows stay; and
// the picture last shown, whose marks alone are redrawn when only the current frame moves.
struct TimelineState {
    Image ruler;
    int width = -1;
    int cellWidth = -1;
    TimelineImages images;
    TimelineMarkers markers;  // made with the ruler
    Image base;
    uint64_t baseKey = 0;
    Image shown;
    Rect marked;  // where the shown picture differs from the base
};

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
Image drawTimeline(const Document& doc, const Image& ruler, int cellWidth, int animBarre,
                   const TimelineMarkers& markers);
// The ruler with the frames, the current animation layer's row and the playback range with its
// markers.
Image drawTimelineBase(const Document& doc, const Image& ruler, int cellWidth,
                       const TimelineMarkers& markers);
// The current frame's number and mark on the timeline; returns the rectangle drawn on.
Rect drawCurrentFrame(Image& timeline, const Document& doc, int cellWidth, int animBarre);
// The animation-layer list picture: 2000 x 130, a header with the eye and the lock, one row per
// animation layer (the names are written by the Ui in the interface font).
Image drawAnimationLayerList(const Document& doc, const TimelineImages& images);

// The onion-skin spins (155, 156) and pref.ini count at most this many frames each way.
constexpr int kMostOnionFrames = 10;

// The onion skin of the document: OnionBefore and OnionAfter frames of the current animation
// layer (none when it does not exist).
OnionSkin onionSkinOf(const Document& doc);

// The delete buttons: the last animation frame at CurrentFrame of the current animation layer;
// the current animation layer with its frames (the last one is kept). Each is one undo step.
void deleteFrameCommand(App& app);
void deleteAnimationLayerCommand(App& app);

}  // namespace qm
