#include "shell/new_document.h"

#include "document/document_ops.h"
#include "shell/app.h"
#include "shell/canvas_frame.h"
#include "shell/dictionary.h"
#include "shell/edits.h"
#include "shell/layer_commands.h"
#include "shell/panels.h"
#include "shell/paper_commands.h"

namespace qm {

bool makeNewDocument(App& app) {
    const bool made = newDocument(app.doc, {app.workImage2, app.workImage4, app.workImage3}) &&
                      fitPaperIfNeeded(app);
    if (!made) {
        app.ui.messageBox(Text(app.dictionary, "error"),
                          Text(app.dictionary, "unable To create the content image"));
        app.fatalEnd = true;
        app.QuitRequested = true;
        return false;
    }
    rebuildAllDisplayImages(app);
    startHistory(app);
    rebuildLayerPanel(app);
    showLayerProperties(app, 0);
    refreshPanelControls(app);
    redrawTimeline(app);
    redrawAnimationLayerList(app);
    redrawNavigator(app);
    return true;
}

}  // namespace qm
