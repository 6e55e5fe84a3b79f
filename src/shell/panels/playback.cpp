#include "shell/panels/playback.h"

#include <algorithm>

#include "document/animation_frames.h"
#include "document/document.h"
#include "shell/app.h"
#include "shell/panels/panels.h"
#include "shell/panels/timeline.h"
#include "shell/state/playback_clock.h"
#include "shell/view/canvas_frame.h"

namespace qm {

namespace {

// Speed factors of SpeedAnimation 0..5 as halves: x1/2, x1, x1.5, x2, x3, x4.
constexpr int kSpeedHalves[] = {1, 2, 3, 4, 6, 8};

const Rect& framePixels(PlaybackClock& clock, const AnimationFrame& frame) {
    PlaybackClock::Bounds& b = clock.bounds[frame.id];
    if (b.revision != frame.image.revision() || b.width != frame.image.width ||
        b.height != frame.image.height) {
        b = {frame.image.revision(), frame.image.width, frame.image.height,
             frame.image.paintedBounds()};
    }
    return b.covered;
}

// The canvas rectangle where frames `a` and `b` differ: what the frames of either number cover,
// at the view offsets (frames are drawn unscaled).
Rect framesChange(App& app, int a, int b) {
    Rect changed;
    for (const auto& [key, layer] : app.doc.animationLayers) {
        if (layer.Alpha == 0) continue;
        // The drawings the layer shows at either frame (held drawings count at each).
        const int shownA = shownFrameNumber(layer, a), shownB = shownFrameNumber(layer, b);
        if (shownA == shownB) continue;  // the same drawing, or none, at both
        for (const AnimationFrame& frame : layer.Frames) {
            if (frame.Frame != shownA && frame.Frame != shownB) continue;
            const Rect& covered = framePixels(app.playback, frame);
            if (covered.empty()) continue;
            changed =
                unite(changed, Rect{covered.x + app.ViewOffsetX + frame.X,
                                    covered.y + app.ViewOffsetY + frame.Y, covered.w, covered.h});
        }
    }
    return intersect(changed, Rect{0, 0, app.iface.canvasWidth, app.iface.canvasHeight});
}

// The frame after `frame` in the range, or `frame` itself when playback rests on the last one.
int16_t nextFrame(const App& app, int16_t frame) {
    const ViewState& view = app.viewState;
    if (frame < view.FrameEnd) return int16_t(frame + 1);
    return app.prefs.AnimationLoop ? view.FrameStart : frame;
}

void show(App& app) {
    redrawTimeline(app);
    refreshAnimationPanel(app);
}

}  // namespace

int64_t frameDurationMicros(int fps, int speedAnimation) {
    const int64_t perSecond = std::max(fps, 1);
    const int64_t halves = kSpeedHalves[std::clamp(speedAnimation, 0, 5)];
    return std::max<int64_t>(1, 2'000'000 / (perSecond * halves));
}

void playbackStep(App& app, int playStartFrame) {
    PlaybackClock& clock = app.playback;
    Document& doc = app.doc;
    const int64_t now = app.ui.clockMilliseconds() * 1000;
    const int64_t duration = frameDurationMicros(doc.Fps, app.prefs.SpeedAnimation);
    if (app.prefs.playback == -1) {  // stop: back to the frame playback started from
        app.prefs.playback = 0;
        clock.running = false;
        app.viewState.CurrentFrame = int16_t(playStartFrame);
        show(app);
        recomposeView(app, false);
        return;
    }
    if (app.prefs.playback != 1) {
        if (clock.running) {  // paused: the onion skin comes back
            clock.running = false;
            recomposeView(app, false);
        }
        return;
    }
    if (!clock.running) {  // the first frame stays for a frame's time; the onion skin goes
        clock.running = true;
        clock.bounds.clear();
        clock.dueMicros = now + duration;
        recomposeView(app, false);
        return;
    }
    if (now < clock.dueMicros) return;
    // The frames that fell due: when the loop was held up, the late ones are passed over so
    // the animation keeps its time (at most one range's worth).
    const int64_t late = (now - clock.dueMicros) / duration;
    const int range = std::max(1, app.viewState.FrameEnd - app.viewState.FrameStart + 1);
    const int steps = int(std::min<int64_t>(late, range)) + 1;
    clock.dueMicros += (late + 1) * duration;
    const int16_t before = app.viewState.CurrentFrame;
    int16_t frame = before;
    for (int i = 0; i < steps; ++i) frame = nextFrame(app, frame);
    if (frame == before) return;
    app.viewState.CurrentFrame = frame;
    show(app);
    const Rect changed = framesChange(app, before, frame);
    if (!changed.empty()) recomposeRegion(app, changed);
}

int playbackWaitMs(const App& app) {
    const PlaybackClock& clock = app.playback;
    if (app.prefs.playback == -1) return 0;
    if (app.prefs.playback != 1) return clock.running ? 0 : -1;
    if (!clock.running) return 0;
    const ViewState& view = app.viewState;
    if (view.CurrentFrame >= view.FrameEnd && !app.prefs.AnimationLoop) return -1;  // resting
    const int64_t now = app.ui.clockMilliseconds() * 1000;
    if (now >= clock.dueMicros) return 0;
    return int((clock.dueMicros - now + 999) / 1000);
}

}  // namespace qm
