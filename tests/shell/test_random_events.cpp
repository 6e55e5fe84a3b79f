// A seeded run of random events, as a user (or a damaged script) could send them: every menu
// item, controls with states far beyond their ranges, strokes with every tool, keys, the wheel,
// and answers to whatever the program asks. Nothing may crash or hang, the layer stack keeps its
// invariants, the canvas always shows what the layers hold, and the history can be walked back
// to the start and forward again.
#include <algorithm>
#include <cstdlib>
#include <set>

#include "document/animation_frames.h"
#include "document/compositing.h"
#include "random_events.h"
#include "shell/panels/brush_fields.h"
#include "shell/panels/view_position.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/view.h"
#include "shell/windows/about_box.h"
#include "shell/windows/animation_options_dialog.h"
#include "shell/windows/brightness_dialog.h"
#include "shell/windows/brush_animated.h"
#include "shell/windows/brush_editor.h"
#include "shell/windows/dialog_controls.h"
#include "shell/windows/new_document_dialog.h"
#include "shell/windows/preferences_dialog.h"
#include "shell/windows/size_dialog.h"
#include "shell/windows/window_list.h"

namespace qm::test {
namespace {

class RandomEvents : public RandomEventTest {
protected:
    void expectInvariants(int event) {
        const Document& doc = app.doc;
        // Every frame of an animation layer holds for at least one frame, within the timeline's
        // numbers, whatever the frame commands and drags did.
        for (const auto& [key, layer] : doc.animationLayers)
            for (const AnimationFrame& f : layer.Frames) {
                ASSERT_GE(f.Hold, 1) << "event " << event;
                ASSERT_LE(int(f.Frame) + f.Hold - 1, kLastFrameNumber) << "event " << event;
            }
        int selected = 0;
        std::set<uint32_t> ids;
        for (size_t i = 0; i < doc.layers.size(); ++i) {
            ASSERT_EQ(doc.layers[i].Position, i + 1) << "event " << event;
            ASSERT_TRUE(ids.insert(doc.layers[i].id).second) << "event " << event;
            selected += doc.layers[i].Selected != 0;
        }
        if (!doc.layers.empty()) {
            ASSERT_EQ(selected, 1) << "event " << event;
        }
    }

    // The canvas as a whole recomposition from display images made afresh from the layers.
    void expectCanvasShowsTheLayers(int event) {
        if (app.view.zoom != app.viewState.Zoom || app.canvasImage.empty()) return;
        // The brightness window shows its preview on the canvas instead of the layer.
        if (windowIsOpen(app, id(Window::Brightness))) return;
        recomposeView(app, false);  // the same frame, from the view as it stands
        ASSERT_EQ(app.canvasImage.pixels, freshCanvas(app).pixels) << "event " << event;
    }
};
// QM_RANDOM_EVENTS and QM_RANDOM_SEED run it longer, or from another seed.
TEST_F(RandomEvents, ThousandsOfEventsKeepTheProgramWhole) {
    const char* count = std::getenv("QM_RANDOM_EVENTS");
    const char* seed = std::getenv("QM_RANDOM_SEED");
    const int events = count ? std::max(1, std::atoi(count)) : 3000;
    if (seed) rng.seed(uint32_t(std::strtoul(seed, nullptr, 10)));
    for (int i = 0; i < events; ++i) {
        randomEvent();
        app.QuitRequested = false;
        ASSERT_NO_FATAL_FAILURE(expectInvariants(i));
        if (i % 97 == 0) {
            ASSERT_NO_FATAL_FAILURE(expectCanvasShowsTheLayers(i));
            ui.clearCalls();
        }
    }
    // Walk the whole history back and forth.
    canvas(CanvasEventType::LeftUp, 0, 0);
    while (app.history.canUndo()) menu(Cmd::Undo);
    ASSERT_NO_FATAL_FAILURE(expectInvariants(events));
    while (app.history.canRedo()) menu(Cmd::Redo);
    ASSERT_NO_FATAL_FAILURE(expectInvariants(events));
    ASSERT_NO_FATAL_FAILURE(expectCanvasShowsTheLayers(events));
}

}  // namespace
}  // namespace qm::test
