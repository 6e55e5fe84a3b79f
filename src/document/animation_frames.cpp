#include "document/animation_frames.h"

namespace qm {

int shownFrameNumber(const AnimationLayer&, int frame) {
    return frame;
}

}  // namespace qm
