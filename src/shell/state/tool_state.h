// The state the other tools and the adjustments keep between events: the shape drawn over the
// canvas while a line, box, ellipse or gradient is dragged, and the brightness preview.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "document/compositing.h"
#include "raster/image.h"
#include "raster/rect.h"

namespace qm {

struct ToolState {
    // A shape drag under way (pressed with a shape tool, not yet released).
    bool shapeDrag = false;
    // Control held for the shape's constraint (square box, circle), as the last event said.
    bool ctrlHeld = false;
    // Space is held on the canvas (its pan lasts until the release).
    bool spaceHeld = false;
    // A tool was pressed on the hidden current layer: the status bar says so (refreshStatusNote).
    bool hiddenLayerNoted = false;
    // The canvas pixels under the shape drawn last, to put back before the next one (canvas
    // coordinates; `under` holds previewRect's pixels row by row).
    Rect previewRect;
    std::vector<uint32_t> under;

    // The brightness preview: the layer shown at the slider's value until OK or the window
    // closes.
    std::optional<LayerPreview> layerPreview;
    ViewCache previewView;
};

}  // namespace qm
