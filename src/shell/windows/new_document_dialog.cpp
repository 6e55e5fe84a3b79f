#include "shell/windows/new_document_dialog.h"

#include "document/document_ops.h"
#include "platform/ui.h"
#include "shell/app.h"
#include "shell/commands/document_commands.h"
#include "shell/ids.h"
#include "shell/panels/panels.h"
#include "shell/panels/view_position.h"
#include "shell/settings/dictionary.h"
#include "shell/view/view.h"
#include "shell/windows/dialog_fields.h"
#include "shell/windows/window_list.h"

namespace qm {

namespace {

using K = ControlKind;

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
    // Untitled, without a file (Save asks for a name, proposing none), centred.
    if (!makeNewDocument(app, app.newDocWidth, app.newDocHeight)) return;
    closeWindow(app, id(Window::NewDocument));
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

bool handleNewDocumentControl(App& app, int gadget) {
    switch (static_cast<Gadget>(gadget)) {
        case Gadget::NewDocWidth:
            app.newDocWidth = fieldInteger(app, Gadget::NewDocWidth);
            return true;
        case Gadget::NewDocHeight:
            app.newDocHeight = fieldInteger(app, Gadget::NewDocHeight);
            return true;
        case Gadget::NewDocOk:
            newDocumentOk(app);
            return true;
        default:
            return false;
    }
}

}  // namespace qm
