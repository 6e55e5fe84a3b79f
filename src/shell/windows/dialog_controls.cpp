#include "shell/dialogs.h"

#include <algorithm>
#include <string>

#include "document/document_ops.h"
#include "platform/key_value_file.h"
#include "raster/rounding.h"
#include "shell/adjust_commands.h"
#include "shell/app.h"
#include "shell/canvas_frame.h"
#include "shell/dictionary.h"
#include "shell/export_dialog.h"
#include "shell/document_commands.h"
#include "shell/ids.h"
#include "shell/layer_commands.h"
#include "shell/new_document.h"
#include "shell/panels.h"
#include "shell/tileset_dialog.h"
#include "shell/view.h"

namespace qm {

void openWindow(App& app, int window) {
    if (!windowIsOpen(app, window)) app.openWindows.push_back(window);
    app.activeWindow = window;
}

void closeWindow(App& app, int window) {
    if (window == id(Window::Main) || !windowIsOpen(app, window)) return;
    // A brightness preview that was never applied is taken back: the layer shows what it holds.
    if (window == id(Window::Brightness) && app.brightnessPreview != 150) {
        app.brightnessPreview = 150;
        previewBrightness(app, 150);
    }
    std::erase(app.openWindows, window);
    app.ui.closeWindow(window);
    if (app.activeWindow == window) app.activeWindow = id(Window::Main);
    focusCanvas(app);
}

bool windowIsOpen(const App& app, int window) {
    return std::find(app.openWindows.begin(), app.openWindows.end(), window) !=
           app.openWindows.end();
}

void showDialog(App& app, const WindowDescription& window) {
    app.ui.showWindow(window);
    openWindow(app, window.number);
}

namespace {

using K = ControlKind;

// Fixed captions beside the numeric fields, which would otherwise stand unexplained.
ControlDescription caption(std::string text, int x, int y, int width = 55) {
    return {
        .kind = K::Label, .caption = std::move(text), .x = x, .y = y, .width = width, .height = 20};
}

ControlDescription numberField(Gadget gadget, int value, int x, int y) {
    return {.id = id(gadget),
            .kind = K::TextField,
            .caption = std::to_string(value),
            .x = x,
            .y = y,
            .width = 60,
            .height = 20,
            .numeric = true};
}

}  // namespace

void openNewDocumentDialog(App& app) {
    if (!mayReplaceDocument(app)) return focusCanvas(app);
    app.newDocumentAgreed = app.editGeneration;
    app.newDocWidth = app.prefs.docWidth;
    app.newDocHeight = app.prefs.docHeight;
    Dictionary& d = app.dictionary;
    showDialog(app, {.number = id(Window::NewDocument),
                     .title = Text(d, "NewDoc"),
                     .width = 400,
                     .height = 300,
                     .controls = {
                         {.id = id(Gadget::ImageDimension),
                          .kind = K::Frame,
                          .caption = Text(d, "Image Dimension"),
                          .x = 10,
                          .y = 10,
                          .width = 250,
                          .height = 150},
                         caption(Text(d, "Width :"), 20, 50),
                         numberField(Gadget::NewDocWidth, app.newDocWidth, 80, 50),
                         caption(Text(d, "Height :"), 20, 80),
                         numberField(Gadget::NewDocHeight, app.newDocHeight, 80, 80),
                         {.id = id(Gadget::NewDocOk),
                          .kind = K::Button,
                          .caption = Text(d, "BtnOk"),
                          .x = 330,
                          .y = 20,
                          .width = 60,
                          .height = 20},
                     }});
    app.ui.setFocus(id(Gadget::NewDocWidth));
}

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
        window.controls.push_back({.id = id(Gadget::ImageQuality),
                                   .kind = K::Combo,
                                   .x = 40,
                                   .y = 120,
                                   .width = 120,
                                   .height = 20,
                                   .value = 0,
                                   .items = {Text(d, "Smooth mode"), Text(d, "Hard mode")}});
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

namespace {

// A numeric text field as an integer: 0 when it holds no number, clamped to int.
int fieldInteger(App& app, Gadget gadget) {
    const auto value = parseLenientInteger(app.ui.gadgetText(id(gadget)));
    return value ? int(std::clamp<int64_t>(*value, INT32_MIN, INT32_MAX)) : 0;
}

// The state of a control kept within its range: a script may send any state, and the control
// then shows the value taken.
int keptState(App& app, Gadget gadget, int min, int max) {
    const int state = app.ui.gadgetState(id(gadget));
    const int kept = std::clamp(state, min, max);
    if (kept != state) app.ui.setGadgetState(id(gadget), kept);
    return kept;
}

std::string sizeLimitMessage(App& app) {
    return fillIn(Text(app.dictionary, "DocumentSizeLimit"),
                  {std::to_string(kMaxDocumentSide), std::to_string(kMaxDocumentPixels)});
}

void errorBox(App& app, const std::string& text) {
    app.ui.messageBox(Text(app.dictionary, "error"), text);
}

void newDocumentOk(App& app) {
    app.newDocWidth = fieldInteger(app, Gadget::NewDocWidth);
    app.newDocHeight = fieldInteger(app, Gadget::NewDocHeight);
    // Negative sizes are refused with the same message: an image cannot have them.
    if (app.newDocWidth <= 0 || app.newDocHeight <= 0) {
        errorBox(app, Text(app.dictionary, "The width and the Height should be > 0"));
        return;
    }
    if (!documentSizeAllowed(app.newDocWidth, app.newDocHeight)) {
        errorBox(app, sizeLimitMessage(app));
        return;
    }
    // Changes made while the dialog was open were not part of the answer given when it opened.
    if (app.Modified && app.editGeneration != app.newDocumentAgreed && !mayReplaceDocument(app))
        return;
    app.activeWindow = id(Window::Main);
    app.doc.Zoom = 100;
    app.doc.Width = int16_t(app.newDocWidth);
    app.doc.Height = int16_t(app.newDocHeight);
    if (!makeNewDocument(app)) return;
    app.documentPath.clear();  // Save asks for a name, proposing none
    setInitialTitle(app);
    // The view is centred on the new document: the old offsets could leave it wholly outside
    // the canvas, an empty grey window after "New".
    centerView(app);
    refreshStatusBar(app);
    closeWindow(app, id(Window::NewDocument));
}

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

// Controls of the dialogs that only show something: their events change nothing, and the
// keyboard focus stays in the dialog.
bool shownOnly(int gadget) {
    switch (static_cast<Gadget>(gadget)) {
        case Gadget::PixelDimension:
        case Gadget::ImageDimension:
        case Gadget::AnimationSettingsPanel:
            return true;
        default:
            return false;
    }
}

// The window a dialog control belongs to; 0 for a control of no dialog.
int windowOfControl(int gadget) {
    struct Range {
        int first, last;
        Window window;
    };
    static constexpr Range kRanges[] = {
        {160, 161, Window::Brightness},
        {164, 170, Window::ImageSize},
        {171, 174, Window::NewDocument},
        {207, 207, Window::BrushEditor},
        {208, 211, Window::About},
        {212, 212, Window::AnimationOptions},
        {216, 218, Window::AnimationOptions},
        {223, 237, Window::BrushAnimated},
        {240, 246, Window::BrushEditor},
    };
    for (const Range& r : kRanges)
        if (gadget >= r.first && gadget <= r.last) return id(r.window);
    return 0;
}

}  // namespace

bool handleDialogControl(App& app, const ControlEvent& event) {
    if (handleTilesetControl(app, event)) return true;
    if (handleExportControl(app, event)) return true;
    if (handlePreferencesControl(app, event)) return true;
    // A control of a window that is not open does not exist: an event naming it (a script's)
    // changes nothing.
    const int window = windowOfControl(event.gadget);
    if (window == 0) return false;
    if (!windowIsOpen(app, window)) return true;
    if (handleBrushWindowControl(app, event) || handleAboutControl(app, event)) return true;
    if (shownOnly(event.gadget)) return true;
    switch (static_cast<Gadget>(event.gadget)) {
        case Gadget::NewDocWidth:
            app.newDocWidth = fieldInteger(app, Gadget::NewDocWidth);
            return true;
        case Gadget::NewDocHeight:
            app.newDocHeight = fieldInteger(app, Gadget::NewDocHeight);
            return true;
        case Gadget::NewDocOk:
            newDocumentOk(app);
            return true;
        case Gadget::ImageWidth:
            app.sizeDialogWidth = fieldInteger(app, Gadget::ImageWidth);
            keepProportion(app, true);
            return true;
        case Gadget::ImageHeight:
            app.sizeDialogHeight = fieldInteger(app, Gadget::ImageHeight);
            keepProportion(app, false);
            return true;
        case Gadget::ConstraintProportion:
            keptState(app, Gadget::ConstraintProportion, 0, 1);
            app.sizeDialogWidth = fieldInteger(app, Gadget::ImageWidth);
            keepProportion(app, true);  // ticked: the height follows the width
            return true;
        case Gadget::ImageQuality:
            app.sizeDialogQuality = keptState(app, Gadget::ImageQuality, 0, 1);
            return true;
        case Gadget::ImageSizeOk:
            sizeDialogOk(app);
            return true;
        case Gadget::ImageSizeCancel:
            closeWindow(app, id(Window::ImageSize));
            return true;
        case Gadget::BrightnessTrack:
            app.brightnessPreview = keptState(app, Gadget::BrightnessTrack, 0, 300);
            previewBrightness(app, app.brightnessPreview);
            return true;
        case Gadget::BrightnessOk:
            applyBrightness(app, keptState(app, Gadget::BrightnessTrack, 0, 300));
            app.brightnessPreview = 150;  // applied: nothing to take back
            closeWindow(app, id(Window::Brightness));
            return true;
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
