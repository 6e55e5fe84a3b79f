// The brush tip: the stamp the stroke painter draws at every dab, kept ready at document scale
// (for the layer image) and at view scale (for the layer's display image).
#pragma once

#include <cstdint>
#include <string>

#include "brush/brush_settings.h"
#include "raster/image.h"

namespace qm {

struct BrushTip {
    Image documentTip;        // size x size when generated, tipWidth x tipHeight from a file
    Image viewTip;            // documentTip resized to tipWidth*zoom/100 x tipHeight*zoom/100
    Image source;             // the tip file as loaded and recoloured (Custom Brush only)
    Image preview;            // 60 x 60, shown in the brush preview control
    int16_t tipWidth = 0;     // current tip extent in document pixels
    int16_t tipHeight = 0;
    int16_t highestTipIndex = -1;  // number of tip files in the tip folder minus one
    std::string tipFolder = "orrindal";  // the tip folder in use (a copy of brushdir)
};

}  // namespace qm
