#include "shell/windows/animation_options_dialog.h"

#include <cstdint>

#include "platform/ui.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/settings/dictionary.h"
#include "shell/windows/dialog_fields.h"
#include "shell/windows/window_list.h"

namespace qm {

namespace {

using K = ControlKind;

}  // namespace

void openAnimationOptionsDialog(App& app) {
    Dictionary& d = app.dictionary;
    const std::string tab = Text(d, "Document");
    const int panel = id(Gadget::AnimationSettingsPanel);
    auto label = [&](std::string text, int y) {
        return ControlDescription{.kind = K::Label,
                                  .caption = std::move(text),
                                  .tab = tab,
                                  .x = 10,
                                  .y = y,
                                  .width = 150,
                                  .height = 20,
                                  .container = panel};
    };
    auto spin = [&](Gadget gadget, int min, int max, int value, int y, std::string tooltip) {
        return ControlDescription{.id = id(gadget),
                                  .kind = K::Spin,
                                  .min = min,
                                  .max = max,
                                  .tab = tab,
                                  .x = 170,
                                  .y = y,
                                  .width = 90,
                                  .height = 22,
                                  .value = value,
                                  .tooltip = std::move(tooltip),
                                  .container = panel};
    };
    showDialog(app, {.number = id(Window::AnimationOptions),
                     .title = app.prefs.programName,
                     .width = 400,
                     .height = 300,
                     .controls = {
                         {.id = panel,
                          .kind = K::Panel,
                          .x = 5,
                          .y = 5,
                          .width = 390,
                          .height = 260,
                          .value = 1,
                          .items = {Text(d, "General"), tab}},
                         label(Text(d, "Frames per second"), 10),
                         spin(Gadget::Fps, 1, 48, app.doc.Fps, 10, Text(d, "FPS")),
                         label(Text(d, "Total of frames"), 40),
                         // FrameTotal is a 16-bit field: the spin stops at its largest value.
                         spin(Gadget::FrameTotal, 1, INT16_MAX, app.doc.FrameTotal, 40,
                              Text(d, "Total of Frame In the Animation")),
                         label(Text(d, "Speed of the animation"), 70),
                         spin(Gadget::SpeedAnimation, 0, 5, app.prefs.SpeedAnimation, 70,
                              Text(d, "Speed of the Animation (preview, not final)")),
                     }});
}

bool handleAnimationOptionsControl(App& app, int gadget) {
    switch (static_cast<Gadget>(gadget)) {
        case Gadget::Fps:
            app.doc.Fps = uint8_t(keptState(app, Gadget::Fps, 1, 48));
            return true;
        case Gadget::FrameTotal:
            app.doc.FrameTotal = int16_t(keptState(app, Gadget::FrameTotal, 1, INT16_MAX));
            return true;
        case Gadget::SpeedAnimation:
            app.prefs.SpeedAnimation = uint8_t(keptState(app, Gadget::SpeedAnimation, 0, 5));
            return true;
        default:
            return false;
    }
}

}  // namespace qm
