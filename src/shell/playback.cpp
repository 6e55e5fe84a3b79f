#include "shell/playback.h"

#include <algorithm>

#include "shell/app.h"
#include "shell/canvas_frame.h"
#include "shell/panels.h"

namespace qm {

int playbackDelayMs(const Preferences& prefs) {
    return (5 - std::min<int>(prefs.SpeedAnimation, 5)) * 2 + 2;
}

int playbackWaitMs(const App& app) {
    return app.prefs.playback != 0 ? playbackDelayMs(app.prefs) : -1;
}

void playbackStep(App& app, int playStartFrame) {
    Document& doc = app.doc;
    if (app.prefs.playback == 1) {
        if (doc.CurrentFrame < doc.FrameEnd) {
            ++doc.CurrentFrame;
        } else if (app.prefs.AnimationLoop) {
            doc.CurrentFrame = doc.FrameStart;
        } else {
            return;
        }
    } else if (app.prefs.playback == -1) {
        app.prefs.playback = 0;
        doc.CurrentFrame = int16_t(playStartFrame);
    } else {
        return;
    }
    redrawTimeline(app);
    recomposeView(app, false);
}

}  // namespace qm
