// The window of "Export the animation": format, frames, scale, loop, and each format's own
// choice (GIF dithering, WebP lossless or its quality, the videos' quality), then a file name;
// the frames are written as the canvas shows them, without onion skin, on the paper if asked.
#pragma once

namespace qm {

struct App;

void openExportDialog(App& app);
// True when the event is one of the export window's controls (handled, or ignored while the
// window is not open).
bool handleExportControl(App& app, int gadget);

}  // namespace qm
