// The layer preview of an adjustment window (the brightness preview): what the canvas shows of
// the current layer while the window is open.
#pragma once

namespace qm {

struct App;
struct LayerPreview;

// The layer the canvas shows changed (the brightness preview while its window is open), or
// null. A preview whose window closed or whose layer went is dropped here, so closing the
// window without OK leaves the layer shown as it is.
const LayerPreview* activeLayerPreview(App& app);
// Drops the preview: the canvas shows the layer as it is again.
void dropLayerPreview(App& app);

}  // namespace qm
