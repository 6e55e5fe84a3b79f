#include "shell/dialogs.h"

#include <algorithm>
#include <string>

#include "document/document_ops.h"
#include "platform/key_value_file.h"
#include "shell/adjust_commands.h"
#include "shell/app.h"
#include "shell/canvas_frame.h"
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
    if (window == id(Window::Main)) return;
    std::erase(app.openWindows, window);
    if (app.activeWindow == window) app.activeWindow = id(Window::Main);
}

bool windowIsOpen(const App& app, int window) {
    return std::find(app.openWindows.begin(), app.openWindows.end(), window) !=
           app.openWindows.end();
}

void openNewDocumentDialog(App& app) {
    app.newDocWidth = app.prefs.docWidth;
    app.newDocHeight = app.prefs.docHeight;
    app.ui.setGadgetText(id(Gadget::NewDocWidth), std::to_string(app.newDocWidth));
    app.ui.setGadgetText(id(Gadget::NewDocHeight), std::to_string(app.newDocHeight));
    openWindow(app, id(Window::NewDocument));
}

void openSizeDialog(App& app, int mode) {
    app.sizeDialogMode = mode;
    app.sizeDialogWidth = app.doc.Width;
    app.sizeDialogHeight = app.doc.Height;
    app.sizeDialogQuality = 0;
    app.ui.setGadgetText(id(Gadget::ImageWidth), std::to_string(app.doc.Width));
    app.ui.setGadgetText(id(Gadget::ImageHeight), std::to_string(app.doc.Height));
    app.ui.setGadgetState(id(Gadget::ImageQuality), 0);
    openWindow(app, id(Window::ImageSize));
}

void openBrightnessDialog(App& app) {
    app.ui.setGadgetState(id(Gadget::BrightnessTrack), 150);
    openWindow(app, id(Window::Brightness));
}

void openAnimationOptionsDialog(App& app) {
    app.ui.setGadgetState(id(Gadget::Fps), app.doc.Fps);
    app.ui.setGadgetState(id(Gadget::FrameTotal), app.doc.FrameTotal);
    app.ui.setGadgetState(id(Gadget::SpeedAnimation), app.prefs.SpeedAnimation);
    openWindow(app, id(Window::AnimationOptions));
}

// The controls of these windows arrive with the preferences and dialogs steps.
void openPreferencesDialog(App& app) {
    openWindow(app, id(Window::Preferences));
}
void openAboutDialog(App& app) {
    openWindow(app, id(Window::About));
}
void openBrushEditor(App& app) {
    openWindow(app, id(Window::BrushEditor));
}
void openBrushAnimated(App& app) {
    openWindow(app, id(Window::BrushAnimated));
}

namespace {

// A numeric text field as an integer: 0 when it holds no number, clamped to int.
int fieldInteger(App& app, Gadget gadget) {
    const auto value = parseLenientInteger(app.ui.gadgetText(id(gadget)));
    return value ? int(std::clamp<int64_t>(*value, INT32_MIN, INT32_MAX)) : 0;
}

std::string sizeLimitMessage() {
    return "The document size is limited to " + std::to_string(kMaxDocumentSide) + " x " +
           std::to_string(kMaxDocumentSide) + " and " + std::to_string(kMaxDocumentPixels) +
           " pixels";
}

void newDocumentOk(App& app) {
    app.newDocWidth = fieldInteger(app, Gadget::NewDocWidth);
    app.newDocHeight = fieldInteger(app, Gadget::NewDocHeight);
    // Negative sizes are refused with the same message: an image cannot have them.
    if (app.newDocWidth <= 0 || app.newDocHeight <= 0) {
        app.ui.messageBox("Error", "The width and the Height should be > 0");
        return;
    }
    if (!documentSizeAllowed(app.newDocWidth, app.newDocHeight)) {
        app.ui.messageBox("Error", sizeLimitMessage());
        return;
    }
    app.activeWindow = id(Window::Main);
    app.doc.Zoom = 100;
    app.doc.Width = int16_t(app.newDocWidth);
    app.doc.Height = int16_t(app.newDocHeight);
    if (!makeNewDocument(app)) return;
    setInitialTitle(app);
    // The view is centred on the new document: the old offsets could leave it wholly outside
    // the canvas, an empty grey window after "New".
    centerView(app);
    refreshStatusBar(app);
    closeWindow(app, id(Window::NewDocument));
}

void sizeDialogOk(App& app) {
    app.sizeDialogWidth = fieldInteger(app, Gadget::ImageWidth);
    app.sizeDialogHeight = fieldInteger(app, Gadget::ImageHeight);
    const int w = app.sizeDialogWidth > 0 ? app.sizeDialogWidth : app.doc.Width;
    const int h = app.sizeDialogHeight > 0 ? app.sizeDialogHeight : app.doc.Height;
    if (!documentSizeAllowed(w, h)) {
        app.ui.messageBox("Error", sizeLimitMessage());
        return;
    }
    resizeDocument(app, w, h, app.sizeDialogQuality, app.sizeDialogMode);
    refreshStatusBar(app);
    closeWindow(app, id(Window::ImageSize));
    app.activeWindow = id(Window::Main);
    recomposeView(app, false);
}

}  // namespace

bool handleDialogControl(App& app, const ControlEvent& event) {
    if (handleTilesetControl(app, event)) return true;
    const int state = app.ui.gadgetState(event.gadget);
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
            return true;
        case Gadget::ImageHeight:
            app.sizeDialogHeight = fieldInteger(app, Gadget::ImageHeight);
            return true;
        case Gadget::ImageQuality:
            app.sizeDialogQuality = state;
            return true;
        case Gadget::ImageSizeOk:
            sizeDialogOk(app);
            return true;
        case Gadget::ImageSizeCancel:
            closeWindow(app, id(Window::ImageSize));
            return true;
        case Gadget::BrightnessTrack:
            previewBrightness(app, state);
            return true;
        case Gadget::BrightnessOk:
            applyBrightness(app, app.ui.gadgetState(id(Gadget::BrightnessTrack)));
            closeWindow(app, id(Window::Brightness));
            return true;
        case Gadget::Fps:
            app.doc.Fps = uint8_t(state);
            return true;
        case Gadget::FrameTotal:
            app.doc.FrameTotal = int16_t(state);
            return true;
        case Gadget::SpeedAnimation:
            app.prefs.SpeedAnimation = uint8_t(state);
            return true;
        default:
            return false;
    }
}

}  // namespace qm
