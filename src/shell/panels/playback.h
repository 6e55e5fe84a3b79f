// Animation playback: frames shown at the document's frame rate on the Ui clock, one check per
// pass of the main loop. The step never waits; the loop learns from playbackWaitMs when the
// next frame is due and sleeps until then (or until an event).
#pragma once

#include <cstdint>

namespace qm {

struct App;

// How long a frame lasts in microseconds: 1000000 / Fps (Fps 0 counts as 1), divided by the
// speed factor of SpeedAnimation (0: x1/2, 1: x1, 2: x1.5, 3: x2, 4: x3, 5: x4; beyond 5 as 5).
int64_t frameDurationMicros(int fps, int speedAnimation);

// One pass: while playing, shows the frames that fell due since the last one (CurrentFrame
// towards FrameEnd, back to FrameStart at the end when AnimationLoop is set, resting on the
// last frame otherwise); on a stop request returns to `playStartFrame`. Pausing or stopping
// brings the onion skin back.
void playbackStep(App& app, int playStartFrame);
// Milliseconds until the next playback step is due (0: at once); -1 while nothing is due.
int playbackWaitMs(const App& app);

}  // namespace qm
