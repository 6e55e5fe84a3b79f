#include "shell/view/paper.h"

#include <algorithm>
#include <string>

#include "document/document_ops.h"
#include "document/paper.h"
#include "platform/paths.h"
#include "raster/image_ops.h"
#include "shell/app.h"

namespace qm {

std::string paperFilePath(const App& app) {
    const std::string path = normalizeSeparators(app.doc.paper);
    if (!path.empty() && path.front() == '/') return path;
    return joinPath(app.workDir, path);
}

void rebuildPaperView(App& app) {
    const int w = displaySize(app.paperImage8.width, app.viewState.Zoom);
    const int h = displaySize(app.paperImage8.height, app.viewState.Zoom);
    const bool drawable = w > 0 && h > 0 && w < 8000 && h < 8000;
    if (drawable && (w != app.paperImage8.width || h != app.paperImage8.height)) {
        if (auto scaled = resizeNearest(app.paperImage8, w, h)) {
            app.paperView9 = std::move(*scaled);
            return;
        }
    }
    app.paperView9 = app.paperImage8;
}

bool buildPaperTexture(App& app, std::string& loadError) {
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

bool fitPaperToDocument(App& app) {
    std::string ignored;  // a missing paper is simply black here; choosing one reports it
    if (!buildPaperTexture(app, ignored)) return false;
    // The checkerboard covers 488 x 488 pixels from the corner; image 10 holds that part of the
    // document only, since nothing reads it beyond.
    auto checkerboard = createImage(std::min(int(app.doc.Width), kCheckerboardSide),
                                    std::min(int(app.doc.Height), kCheckerboardSide), 32);
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
    const int w = displaySize(app.paperImage8.width, app.viewState.Zoom);
    const int h = displaySize(app.paperImage8.height, app.viewState.Zoom);
    const bool drawable = w > 0 && h > 0 && w < 8000 && h < 8000;
    const bool viewFits = drawable ? app.paperView9.width == w && app.paperView9.height == h
                                   : documentSized(app.paperView9);
    if (!app.paperMadeFrom.empty() && app.paperMadeFrom == app.doc.paper &&
        documentSized(app.paperImage8) &&
        app.paperImage10.width == std::min(int(app.doc.Width), kCheckerboardSide) &&
        app.paperImage10.height == std::min(int(app.doc.Height), kCheckerboardSide) && viewFits)
        return true;
    return fitPaperToDocument(app);
}

}  // namespace qm
