#include "shell/windows/size_dialog.h"

#include <algorithm>
#include <string>

#include "document/document_ops.h"
#include "platform/ui.h"
#include "raster/rounding.h"
#include "shell/app.h"
#include "shell/commands/layer_commands.h"
#include "shell/gadget_table.h"
#include "shell/ids.h"
#include "shell/settings/dictionary.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/view.h"
#include "shell/windows/dialog_fields.h"
#include "shell/windows/window_list.h"

namespace qm {

namespace {

using K = ControlKind;

// With "Constraint proportion" ticked (image size only), the side not typed follows the one
// typed in the document's proportions.
void keepProportion(App& app, bool widthTyped) {
    if (app.sizeDialogMode != 0 || app.ui.gadgetState(id(Gadget::ConstraintProportion)) == 0)
        return;
    const int typed = widthTyped ? app.sizeDialogWidth : app.sizeDialogHeight;
    const int from = widthTyped ? app.doc.Width : app.doc.Height;
    const int to = widthTyped ? app.doc.Height : app.doc.Width;
    if (typed <= 0 || from <= 0) return;
    const int other =
        int(std::clamp<int64_t>(roundHalfEven(double(typed) * to / from), 1, INT32_MAX));
    (widthTyped ? app.sizeDialogHeight : app.sizeDialogWidth) = other;
    app.ui.setGadgetText(id(widthTyped ? Gadget::ImageHeight : Gadget::ImageWidth),
                         std::to_string(other));
}

void sizeDialogOk(App& app) {
    app.sizeDialogWidth = fieldInteger(app, Gadget::ImageWidth);
    app.sizeDialogHeight = fieldInteger(app, Gadget::ImageHeight);
    const int w = app.sizeDialogWidth > 0 ? app.sizeDialogWidth : app.doc.Width;
    const int h = app.sizeDialogHeight > 0 ? app.sizeDialogHeight : app.doc.Height;
    if (!documentSizeAllowed(w, h)) {
        errorBox(app, sizeLimitMessage(app));
        return;
    }
    resizeDocument(app, w, h, app.sizeDialogQuality, app.sizeDialogMode);
    refreshStatusBar(app);
    closeWindow(app, id(Window::ImageSize));
    app.activeWindow = id(Window::Main);
    recomposeView(app, false);
}

}  // namespace

void openSizeDialog(App& app, int mode) {
    app.sizeDialogMode = mode == 1 ? 1 : 0;
    app.sizeDialogWidth = app.doc.Width;
    app.sizeDialogHeight = app.doc.Height;
    app.sizeDialogQuality = 0;
    Dictionary& d = app.dictionary;
    WindowDescription window{
        .number = id(Window::ImageSize),
        .title = Text(d, app.sizeDialogMode == 0 ? "Image Size" : "Canvas Size"),
        .width = 400,
        .height = 300,
        .controls = {
            {.id = id(Gadget::PixelDimension),
             .kind = K::Frame,
             .caption = Text(d, "Pixel Dimension"),
             .x = 10,
             .y = 10,
             .width = 250,
             .height = 200},
            caption(Text(d, "Width :"), 20, 30),
            numberField(Gadget::ImageWidth, app.doc.Width, 80, 30),
            caption(Text(d, "Height :"), 20, 60),
            numberField(Gadget::ImageHeight, app.doc.Height, 80, 60),
        }};
    // The canvas is resized without resampling: neither the proportion box nor the combo.
    if (app.sizeDialogMode == 0) {
        window.controls.push_back({.id = id(Gadget::ConstraintProportion),
                                   .kind = K::CheckBox,
                                   .caption = Text(d, "Constraint proportion"),
                                   .x = 40,
                                   .y = 90,
                                   .width = 180,
                                   .height = 20});
        ControlDescription quality = describedControl(d, Gadget::ImageQuality);
        quality.x = 40;
        quality.y = 120;
        quality.width = 120;
        quality.height = 20;
        window.controls.push_back(std::move(quality));
    }
    window.controls.push_back({.id = id(Gadget::ImageSizeOk),
                               .kind = K::Button,
                               .caption = Text(d, "BtnOk"),
                               .x = 330,
                               .y = 20,
                               .width = 60,
                               .height = 20});
    window.controls.push_back({.id = id(Gadget::ImageSizeCancel),
                               .kind = K::Button,
                               .caption = Text(d, "BtnCancel"),
                               .x = 330,
                               .y = 50,
                               .width = 60,
                               .height = 20});
    showDialog(app, window);
}

bool handleSizeDialogControl(App& app, int gadget) {
    switch (static_cast<Gadget>(gadget)) {
        case Gadget::ImageWidth:
            app.sizeDialogWidth = fieldInteger(app, Gadget::ImageWidth);
            keepProportion(app, true);
            return true;
        case Gadget::ImageHeight:
            app.sizeDialogHeight = fieldInteger(app, Gadget::ImageHeight);
            keepProportion(app, false);
            return true;
        case Gadget::ConstraintProportion:
            keptState(app.ui, Gadget::ConstraintProportion);
            app.sizeDialogWidth = fieldInteger(app, Gadget::ImageWidth);
            keepProportion(app, true);  // ticked: the height follows the width
            return true;
        case Gadget::ImageQuality:
            app.sizeDialogQuality = keptState(app.ui, Gadget::ImageQuality);
            return true;
        case Gadget::ImageSizeOk:
            sizeDialogOk(app);
            return true;
        case Gadget::ImageSizeCancel:
            closeWindow(app, id(Window::ImageSize));
            return true;
        default:
            return false;
    }
}

}  // namespace qm
