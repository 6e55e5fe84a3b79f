#include "shell/windows/dialog_controls.h"

#include "shell/app.h"
#include "shell/ids.h"
#include "shell/windows/about_box.h"
#include "shell/windows/animation_options_dialog.h"
#include "shell/windows/brightness_dialog.h"
#include "shell/windows/brush_animated.h"
#include "shell/windows/brush_editor.h"
#include "shell/windows/export_dialog.h"
#include "shell/windows/new_document_dialog.h"
#include "shell/windows/preferences_dialog.h"
#include "shell/windows/size_dialog.h"
#include "shell/windows/tileset_dialog.h"

namespace qm {

namespace {

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

bool handleDialogControl(App& app, int gadget) {
    if (handleTilesetControl(app, gadget)) return true;
    if (handleExportControl(app, gadget)) return true;
    if (handlePreferencesControl(app, gadget)) return true;
    // A control of a window that is not open does not exist: an event naming it (a script's)
    // changes nothing.
    const int window = windowOfControl(gadget);
    if (window == 0) return false;
    if (!windowIsOpen(app, window)) return true;
    if (handleBrushEditorControl(app, gadget) || handleBrushAnimatedControl(app, gadget) ||
        handleAboutControl(app, gadget))
        return true;
    if (shownOnly(gadget)) return true;
    return handleNewDocumentControl(app, gadget) || handleSizeDialogControl(app, gadget) ||
           handleBrightnessControl(app, gadget) || handleAnimationOptionsControl(app, gadget);
}

}  // namespace qm
