// Which pictures of an animation layer are shown at a frame of the document. The canvas, the
// animation export and everything else that shows a frame ask here, so the rule is in one place.
#pragma once

#include "document/document.h"

namespace qm {

// The Frame number whose animation frames `layer` shows at document frame `frame`: each frame
// shows the animation frames placed on it, and a frame without any shows none of the layer.
int shownFrameNumber(const AnimationLayer& layer, int frame);

}  // namespace qm
