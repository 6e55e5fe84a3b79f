#include "shell/windows/brightness_dialog.h"

#include "platform/ui.h"
#include "shell/app.h"
#include "shell/commands/adjust_commands.h"
#include "shell/gadget_table.h"
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
    ControlDescription track = describedControl(app.dictionary, Gadget::BrightnessTrack);
    track.x = 10;
    track.y = 30;
    track.width = kWidth - 20;
    track.height = 40;
    track.value = 150;
    showDialog(app, {.number = id(Window::Brightness),
                     .title = Text(app.dictionary, "Brightness"),
                     .width = kWidth,
                     .height = kHeight,
                     .controls = {
                         track,
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
            app.brightnessPreview = keptState(app.ui, Gadget::BrightnessTrack);
            previewBrightness(app, app.brightnessPreview);
            return true;
        case Gadget::BrightnessOk:
            applyBrightness(app, keptState(app.ui, Gadget::BrightnessTrack));
            app.brightnessPreview = 150;  // applied: nothing to take back
            closeWindow(app, id(Window::Brightness));
            return true;
        default:
            return false;
    }
}

}  // namespace qm
