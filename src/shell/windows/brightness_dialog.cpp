#include "shell/windows/brightness_dialog.h"

#include "platform/ui.h"
#include "shell/app.h"
#include "shell/commands/adjust_commands.h"
#include "shell/ids.h"
#include "shell/settings/dictionary.h"
#include "shell/windows/dialog_fields.h"
#include "shell/windows/window_list.h"

namespace qm {

namespace {

using K = ControlKind;

}  // namespace

void openBrightnessDialog(App& app) {
    app.brightnessPreview = 150;
    constexpr int kWidth = 300, kHeight = 200;
    showDialog(app, {.number = id(Window::Brightness),
                     .title = Text(app.dictionary, "Brightness"),
                     .width = kWidth,
                     .height = kHeight,
                     .controls = {
                         {.id = id(Gadget::BrightnessTrack),
                          .kind = K::TrackBar,
                          .min = 0,
                          .max = 300,
                          .x = 10,
                          .y = 30,
                          .width = kWidth - 20,
                          .height = 40,
                          .value = 150},
                         {.id = id(Gadget::BrightnessOk),
                          .kind = K::Button,
                          .caption = Text(app.dictionary, "BtnOk"),
                          .x = kWidth / 2,
                          .y = kHeight - 40,
                          .width = 30,
                          .height = 20},
                     }});
}

bool handleBrightnessControl(App& app, int gadget) {
    switch (static_cast<Gadget>(gadget)) {
        case Gadget::BrightnessTrack:
            app.brightnessPreview = keptState(app, Gadget::BrightnessTrack, 0, 300);
            previewBrightness(app, app.brightnessPreview);
            return true;
        case Gadget::BrightnessOk:
            applyBrightness(app, keptState(app, Gadget::BrightnessTrack, 0, 300));
            app.brightnessPreview = 150;  // applied: nothing to take back
            closeWindow(app, id(Window::Brightness));
            return true;
        default:
            return false;
    }
}

}  // namespace qm
