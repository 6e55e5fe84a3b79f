#include "shell/paper_commands.h"

#include <string>

#include "document/document_ops.h"
#include "document/paper.h"
#include "platform/paths.h"
#include "raster/image_ops.h"
#include "shell/app.h"
#include "shell/canvas_frame.h"
#include "shell/dictionary.h"
#include "shell/panels.h"

namespace qm {

namespace {

// A stored paper path is relative to the working folder unless it is absolute (a file chosen
// with the requester).
std::string paperFilePath(const App& app) {
    const std::string path = normalizeSeparators(app.doc.paper);
    if (!path.empty() && path.front() == '/') return path;
    return joinPath(app.workDir, path);
}

// Image 9: image 8 scaled to the view, nearest-pixel. A view size the canvas could not show
// (outside 1..7999) keeps the paper at document scale, as zooming there is refused anyway.
void rebuildPaperView(App& app) {
    const int w = displaySize(app.paperImage8.width, app.doc.Zoom);
    const int h = displaySize(app.paperImage8.height, app.doc.Zoom);
    const bool drawable = w > 0 && h > 0 && w < 8000 && h < 8000;
    if (drawable && (w != app.paperImage8.width || h != app.paperImage8.height)) {
        if (auto scaled = resizeNearest(app.paperImage8, w, h)) {
            app.paperView9 = std::move(*scaled);
            return;
        }
    }
    app.paperView9 = app.paperImage8;
}

// Builds images 8 and 9 from the paper file. False only when the paper image cannot be made;
// a file that does not load gives a black paper and its reason in `loadError`.
bool buildTexture(App& app, std::string& loadError) {
    app.paperMadeFrom.clear();
    std::string error;
    const auto tile = loadPaperTile(paperFilePath(app), error);
    if (!tile) loadError = error.empty() ? "cannot load the paper" : error;
    auto paper = buildTexturePaper(app.doc.Width, app.doc.Height, tile ? &*tile : nullptr);
    if (!paper) return false;
    app.paperImage8 = std::move(*paper);
    rebuildPaperView(app);
    app.paperMadeFrom = app.doc.paper;
    return true;
}

}  // namespace

bool fitPaperToDocument(App& app) {
    std::string ignored;  // a missing paper is simply black here; choosing one reports it
    if (!buildTexture(app, ignored)) return false;
    auto checkerboard = createImage(app.doc.Width, app.doc.Height, 32);
    if (!checkerboard) return false;
    drawCheckerboard(*checkerboard);
    app.paperImage10 = std::move(*checkerboard);
    return true;
}

bool fitPaperIfNeeded(App& app) {
    const auto documentSized = [&](const Image& image) {
        return image.width == app.doc.Width && image.height == app.doc.Height;
    };
    // Image 9 is at view scale, or at document scale where the view cannot show that size.
    const int w = displaySize(app.paperImage8.width, app.doc.Zoom);
    const int h = displaySize(app.paperImage8.height, app.doc.Zoom);
    const bool drawable = w > 0 && h > 0 && w < 8000 && h < 8000;
    const bool viewFits = drawable ? app.paperView9.width == w && app.paperView9.height == h
                                   : documentSized(app.paperView9);
    if (!app.paperMadeFrom.empty() && app.paperMadeFrom == app.doc.paper &&
        documentSized(app.paperImage8) && documentSized(app.paperImage10) && viewFits)
        return true;
    return fitPaperToDocument(app);
}

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
    if (!buildTexture(app, loadError)) {
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
    if (const auto chosen = app.ui.colorRequester(app.prefs.ColorBG)) app.prefs.ColorBG = *chosen;
    recomposeView(app, false);
}

}  // namespace qm
