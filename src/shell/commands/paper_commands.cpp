#include "shell/commands/paper_commands.h"

#include <string>

#include "document/paper.h"
#include "shell/app.h"
#include "shell/panels/panels.h"
#include "shell/settings/dictionary.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/paper.h"

namespace qm {

void choosePaperVariant(App& app, int variant) {
    if (variant == 0) {
        FileRequest request;
        request.title = "choisissez le papier";
        request.defaultPath = app.doc.paper;
        request.patterns = "JPG|*.jpg;*.jpeg|PNG|*.png;*.PNG";
        request.patternIndex = 1;
        const auto choice = app.ui.openFileRequester(request);
        if (!choice || choice->paths.empty() || choice->paths.front().empty()) {
            focusCanvas(app);
            return;
        }
        app.doc.paper = choice->paths.front();
    } else {
        app.paperIndex =
            variant > 0 ? nextPaperIndex(app.paperIndex) : previousPaperIndex(app.paperIndex);
        app.doc.paper = presetPaperPath(app.paperIndex);
    }
    std::string loadError;
    if (!buildPaperTexture(app, loadError)) {
        app.ui.messageBox(Text(app.dictionary, "error"),
                          Text(app.dictionary, "UnableToCreateImage"));
    } else if (!loadError.empty()) {
        app.ui.messageBox(
            Text(app.dictionary, "error"),
            fillIn(Text(app.dictionary, "UnableToLoadPaper"), {app.doc.paper, loadError}));
    }
    recomposeView(app, false);
    focusCanvas(app);
}

void chooseCanvasBackground(App& app) {
    if (const auto chosen = app.ui.colourRequester(app.prefs.ColorBG)) app.prefs.ColorBG = *chosen;
    recomposeView(app, false);
}

}  // namespace qm
