// Animation playback: one step per pass of the main loop.
#pragma once

#include "shell/preferences.h"

namespace qm {

struct App;

// One pass: while playing, advance CurrentFrame towards FrameEnd (back to FrameStart at the end
// when AnimationLoop is set) and redraw; on a stop request return to `playStartFrame`.
// Never waits: the caller paces the steps with playbackDelayMs.
void playbackStep(App& app, int playStartFrame);
// The pause between two frames, (5 - SpeedAnimation) x 2 + 2 milliseconds (2..12).
int playbackDelayMs(const Preferences& prefs);
// Milliseconds until the next playback step is due; -1 while nothing plays.
int playbackWaitMs(const App& app);

}  // namespace qm
