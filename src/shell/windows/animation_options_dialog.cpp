#include "shell/windows/animation_options_dialog.h"

#include <cstdint>

#include "platform/ui.h"
#include "shell/app.h"
#include "shell/gadget_table.h"
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
    auto spin = [&](Gadget gadget, int value, int y) {
        ControlDescription c = describedControl(d, gadget);  // range and tool tip
        c.tab = tab;
        c.x = 170;
        c.y = y;
        c.width = 90;
        c.height = 22;
        c.value = value;
        c.container = panel;
        return c;
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
                         spin(Gadget::Fps, app.doc.Fps, 10),
                         label(Text(d, "Total of frames"), 40),
                         spin(Gadget::FrameTotal, app.doc.FrameTotal, 40),
                         label(Text(d, "Speed of the animation"), 70),
                         spin(Gadget::SpeedAnimation, app.prefs.SpeedAnimation, 70),
                     }});
}

bool handleAnimationOptionsControl(App& app, int gadget) {
    switch (static_cast<Gadget>(gadget)) {
        case Gadget::Fps:
            app.doc.Fps = uint8_t(keptState(app.ui, Gadget::Fps));
            return true;
        case Gadget::FrameTotal:
            app.doc.FrameTotal = int16_t(keptState(app.ui, Gadget::FrameTotal));
            return true;
        case Gadget::SpeedAnimation:
            app.prefs.SpeedAnimation = uint8_t(keptState(app.ui, Gadget::SpeedAnimation));
            return true;
        default:
            return false;
    }
}

}  // namespace qm
