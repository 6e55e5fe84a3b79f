#include "shell/commands/document_commands.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <utility>

#include "document/document_ops.h"
#include "document/qmd_animation.h"
#include "io/image_files.h"
#include "io/openraster.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/commands/image_commands.h"
#include "shell/commands/recovery.h"
#include "shell/commands/tool_commands.h"
#include "shell/commands/zoom_commands.h"
#include "shell/edits.h"
#include "shell/panels/layer_panel.h"
#include "shell/panels/navigator.h"
#include "shell/panels/panels.h"
#include "shell/panels/timeline.h"
#include "shell/panels/view_position.h"
#include "shell/settings/dictionary.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/layer_preview.h"
#include "shell/view/paper.h"
#include "shell/view/view.h"

namespace qm {

namespace {

void showError(App& app, const std::string& text) {
    app.ui.messageBox(Text(app.dictionary, "error"), text);
}

// "a/b.qmd" without its ".qmd" (any letter case).
std::string stripQmd(const std::string& path) {
    if (path.size() > 4) {
        std::string ending = path.substr(path.size() - 4);
        std::transform(ending.begin(), ending.end(), ending.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (ending == ".qmd") return path.substr(0, path.size() - 4);
    }
    return path;
}

// The document's own values without its layers and animation layers (which are not copied).
Document settingsOf(Document& doc) {
    auto layers = std::move(doc.layers);
    auto animation = std::move(doc.animationLayers);
    doc.layers.clear();
    doc.animationLayers.clear();
    Document settings = doc;
    doc.layers = std::move(layers);
    doc.animationLayers = std::move(animation);
    return settings;
}

}  // namespace

std::string documentTitle(const App& app, const std::string& indexPath) {
    return app.prefs.programName + " " + " - [" + fileName(indexPath) + "]";
}

bool replaceDocument(App& app, DocumentReplacement&& next) {
    // Whatever the old document had under way ends with it: an open edit (a stroke pressed but
    // not released) is committed to the history that goes with it, and the release that follows
    // finds no stroke to end.
    app.history.commitAll(app.doc, app.viewState);
    app.strokeEdit = false;
    app.StrokeActive = false;
    app.LeftDown = false;
    app.moveDragging = false;
    cancelShapePreview(app);
    dropLayerPreview(app);

    app.doc = std::move(next.doc);
    app.viewState = next.view;
    app.workImage2 = std::move(next.work2);
    app.workImage3 = std::move(next.work3);
    app.workImage4 = std::move(next.work4);
    app.sizeDialogWidth = app.doc.Width;
    app.sizeDialogHeight = app.doc.Height;
    app.view.display.clear();
    const bool paperFits = fitPaperIfNeeded(app);

    startHistory(app);  // replacing the document cannot be undone
    app.Modified = next.modified;
    app.documentPath = next.path;
    app.recovery.copiedGeneration = app.editGeneration;
    switch (next.title) {
        case DocumentReplacement::Title::Untitled:
            setInitialTitle(app);
            break;
        case DocumentReplacement::Title::File:
            setDocumentTitle(app, documentTitle(app, next.titleFile));
            break;
        case DocumentReplacement::Title::Recovered:
            setDocumentTitle(app, app.prefs.programName + " " + app.prefs.version + " [" +
                                      Text(app.dictionary, "Recovered") + "]");
            break;
    }

    rebuildLayerPanel(app);
    if (const Layer* layer = selectedLayer(app.doc)) showLayerProperties(app, layer->Position - 1);
    refreshPanelControls(app);
    redrawAnimationLayerList(app);
    redrawTimeline(app);

    applyZoom(app);  // the display entries and the paper view at the new size
    centerView(app);
    redrawNavigator(app);
    refreshStatusBar(app);
    return paperFits;
}

std::optional<DocumentReplacement> documentFromFile(App& app, DocumentFileContents&& contents) {
    DocumentReplacement next;
    next.doc = settingsOf(app.doc);
    next.doc.Width = contents.Width;
    next.doc.Height = contents.Height;
    next.doc.LayerCounter = 0;
    next.doc.paintTarget = 0;
    next.view = app.viewState;
    // The file's animation: its frame settings, animation layers and drawings. A file without
    // any starts as New starts: one shown "Layer Normal1" with a frame. (An animation layer made
    // by the frame alone would be nameless, hidden and of alpha 0, so frames imported into it
    // would never show.)
    if (!resetDocument(next.doc, {next.work2, next.work4, next.work3}) ||
        !installAnimation(next.doc, next.view, std::move(contents.animation)))
        return std::nullopt;
    for (Layer& layer : contents.layers) {
        layer.id = takeLayerId(next.doc);
        next.doc.layers.push_back(std::move(layer));
        ++next.doc.LayerCounter;
    }
    return next;
}

void reportUnreadableLayers(App& app, const std::string& indexPath,
                            const DocumentFileContents& contents) {
    if (contents.unreadableFiles.empty()) return;
    std::string text =
        "Some layer or frame files of " + indexPath + " could not be read; they open empty:";
    for (const std::string& file : contents.unreadableFiles) text += "\n" + file;
    showError(app, text);
}

bool isOpenRasterPath(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ending = path.substr(path.size() - 4);
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ending == ".ora";
}

namespace {

// An OpenRaster file opens as a new document of its layers: it has no .qmd of its own, so Save
// asks for one. What its blend modes lost is said after it opens.
bool openOpenRasterFile(App& app, const std::string& path) {
    std::string error;
    std::optional<OpenRasterContents> contents;
    std::optional<DocumentReplacement> next;
    try {
        contents = readOpenRasterFile(path, app.viewState.CurrentFrame, error);
        if (contents) next = documentFromFile(app, std::move(contents->document));
        if (contents && !next) error = "Cannot open the document " + path + ": not enough memory.";
    } catch (const std::bad_alloc&) {
        next.reset();
        error = "Cannot open the document " + path + ": not enough memory.";
    }
    if (!next) {
        showError(app, error);
        return false;
    }
    next->title = DocumentReplacement::Title::File;
    next->titleFile = path;
    replaceDocument(app, std::move(*next));
    if (!contents->notice.empty()) app.ui.messageBox(app.prefs.programName, contents->notice);
    return true;
}

}  // namespace

bool openDocumentFile(App& app, const std::string& indexPath) {
    if (isOpenRasterPath(indexPath)) return openOpenRasterFile(app, indexPath);
    std::string error;
    std::optional<DocumentFileContents> contents;
    std::optional<DocumentReplacement> next;
    try {
        contents = readDocumentFile(indexPath, app.viewState.CurrentFrame, error);
        if (contents) next = documentFromFile(app, std::move(*contents));
        if (contents && !next)
            error = "Cannot open the document " + indexPath + ": not enough memory.";
    } catch (const std::bad_alloc&) {
        next.reset();
        error = "Cannot open the document " + indexPath + ": not enough memory.";
    }
    if (!next) {
        showError(app, error);
        return false;
    }
    next->path = indexPath;
    next->title = DocumentReplacement::Title::File;
    next->titleFile = indexPath;
    replaceDocument(app, std::move(*next));
    reportUnreadableLayers(app, indexPath, *contents);
    return true;
}

bool saveDocumentFile(App& app, const std::string& indexPath) {
    // A recovery copy under way stops first: the save holds the document, and removes the copy.
    stopRecoveryCopy(app);
    DocumentSaveOptions options;
    options.progress = [&app](int done, int total) { app.ui.setStatusProgress(3, done, total); };
    std::string error;
    bool saved = false;
    try {
        saved = writeDocumentFile(app.doc, app.viewState, indexPath, error, options);
    } catch (const std::bad_alloc&) {
        error = "Cannot save the document " + indexPath + ": not enough memory.";
    }
    if (!saved) {
        showError(app, error);
        return false;
    }
    app.documentPath = indexPath;
    app.Modified = false;
    removeRecoveryCopy(app);
    setDocumentTitle(app, documentTitle(app, indexPath));
    return true;
}

namespace {

// Asks for a name and saves there; `proposed` is the name the requester starts with. False when
// the requester was cancelled or the save failed.
bool saveWithRequester(App& app, const std::string& proposed) {
    FileRequest request;
    request.title = Text(app.dictionary, "Save the Document");
    request.defaultPath = proposed;
    request.patterns = "Quillmoth (.qmd)|*.qmd";
    const auto choice = app.ui.saveFileRequester(request);
    return choice && !choice->paths.empty() && !choice->paths.front().empty() &&
           saveDocumentFile(app, documentIndexPath(choice->paths.front()));
}

// Save: a document that has its file is saved there; a new one asks for a name.
bool saveToItsFile(App& app) {
    if (app.documentPath.empty()) return saveWithRequester(app, "");
    return saveDocumentFile(app, app.documentPath);
}

}  // namespace

bool mayReplaceDocument(App& app) {
    if (!app.Modified) return true;
    Dictionary& d = app.dictionary;
    switch (
        app.ui.askYesNoCancel(app.prefs.programName, Text(d, "SaveChanges"),
                              {Text(d, "BtnSave"), Text(d, "BtnDiscard"), Text(d, "BtnCancel")})) {
        case YesNoCancel::Yes:
            return saveToItsFile(app);
        case YesNoCancel::No:
            return true;
        case YesNoCancel::Cancel:
            break;
    }
    return false;
}

void saveDocument(App& app) {
    saveToItsFile(app);
    refreshStatusBar(app);
    focusCanvas(app);
}

void saveDocumentAs(App& app) {
    saveWithRequester(app, app.documentPath);
    refreshStatusBar(app);
    focusCanvas(app);
}

void openDocument(App& app) {
    if (!mayReplaceDocument(app)) {
        refreshStatusBar(app);
        focusCanvas(app);
        return;
    }
    FileRequest request;
    request.title = Text(app.dictionary, "BtnOpen");
    request.defaultPath = app.documentPath.empty() ? std::string() : parentFolder(app.documentPath);
    request.patterns = "Quillmoth Document(.qmd)|*.qmd|OpenRaster (.ora)|*.ora";
    const auto choice = app.ui.openFileRequester(request);
    if (choice && !choice->paths.empty() && !choice->paths.front().empty())
        openDocumentFile(app, choice->paths.front());
    refreshStatusBar(app);
    focusCanvas(app);
}

void openFileFromCommandLine(App& app, const std::string& path) {
    if (path.empty()) return;
    std::string ending = fileName(path);
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    const bool document = isOpenRasterPath(ending) ||
                          (ending.size() > 4 && ending.substr(ending.size() - 4) == ".qmd");
    if (document)
        openDocumentFile(app, path);
    else
        openImageFileAsDocument(app, path);
    refreshStatusBar(app);
    focusCanvas(app);
}

void saveOpenRaster(App& app) {
    FileRequest request;
    request.title = Text(app.dictionary, "SaveOpenRaster");
    request.defaultPath =
        app.documentPath.empty() ? std::string() : openRasterPathFor(stripQmd(app.documentPath));
    request.patterns = "OpenRaster (.ora)|*.ora";
    const auto choice = app.ui.saveFileRequester(request);
    if (choice && !choice->paths.empty() && !choice->paths.front().empty()) {
        OpenRasterSaveOptions options;
        options.progress = [&app](int done, int total) {
            app.ui.setStatusProgress(3, done, total);
        };
        std::string error;
        bool saved = false;
        const std::string path = openRasterPathFor(choice->paths.front());
        try {
            saved = writeOpenRasterFile(app.doc, path, error, options);
        } catch (const std::bad_alloc&) {
            error = "Cannot save " + path + ": not enough memory.";
        }
        if (!saved) showError(app, error);
    }
    refreshStatusBar(app);
    focusCanvas(app);
}

namespace {

constexpr const char* kOpenAsPatterns =
    "BMP Image|*.BMP;*.bmp|ICO Images|*.ico;*.ICO|JPEG Images|*.jpeg;*.jpg;*.JPG;*.JPEG|"
    "JPG2000 Images|*.jpg2000|PNG Images|*.png;*.PNG|TGA Images|*.tga;*.TGA|"
    "TIFF Images|*.tiff;*.TIFF|OpenRaster|*.ora;*.ORA|All Files|*.*";

}  // namespace

namespace {

// A new document is shown at zoom 100 from frame 1 over the whole range; the onion skins are
// the painter's (pref.ini keeps them) and go on.
ViewState newDocumentView(const ViewState& open) {
    ViewState view;
    view.OnionBefore = open.OnionBefore;
    view.OnionAfter = open.OnionAfter;
    return view;
}

}  // namespace

bool makeNewDocument(App& app, int width, int height) {
    DocumentReplacement next;
    next.doc = settingsOf(app.doc);
    next.doc.Width = int16_t(width);
    next.doc.Height = int16_t(height);
    next.view = newDocumentView(app.viewState);
    if (!newDocument(next.doc, {next.work2, next.work4, next.work3}) ||
        !replaceDocument(app, std::move(next))) {
        app.ui.messageBox(Text(app.dictionary, "error"),
                          Text(app.dictionary, "unable To create the content image"));
        app.fatalEnd = true;
        app.QuitRequested = true;
        return false;
    }
    return true;
}

std::optional<DocumentReplacement> documentFromImage(App& app, Image image) {
    image.depth = 32;
    return documentFromImage(app, tiledFrom(image));
}

std::optional<DocumentReplacement> documentFromImage(App& app, TiledImage image) {
    DocumentReplacement next;
    next.doc.paper = app.doc.paper;
    next.doc.Width = int16_t(image.width);
    next.doc.Height = int16_t(image.height);
    next.view = newDocumentView(app.viewState);
    if (!newDocument(next.doc, {next.work2, next.work4, next.work3})) return std::nullopt;
    // The file's pixels and alpha replace the layer's: the layer is the decoded image itself.
    // (Work image 4 stays as the reset made it: no step reads it back, and copying a large
    // image into it would cost as much as a tenth of the opening.)
    *currentImage(next.doc) = std::move(image);
    return next;
}

bool openImageFileAsDocument(App& app, const std::string& path) {
    std::string error;
    auto image = loadImageTilesForDocument(path, error);
    if (!image) {
        cannotLoad(app, path, error);
    } else if (!documentSizeAllowed(image->width, image->height)) {
        cannotLoad(app, path, tooLargeForDocument(app, image->width, image->height));
    } else if (auto next = documentFromImage(app, std::move(*image)); !next) {
        tooBig(app);
    } else {
        replaceDocument(app, std::move(*next));
        return true;
    }
    return false;
}

void openImageAsDocument(App& app) {
    if (!mayReplaceDocument(app)) return focusCanvas(app);
    const std::string path = chosenPath(app.ui.openFileRequester(
        {Text(app.dictionary, "Load Image..."), "", kOpenAsPatterns, 0, false}));
    // An OpenRaster file keeps its layers.
    if (isOpenRasterPath(path))
        openDocumentFile(app, path);
    else if (!path.empty())
        openImageFileAsDocument(app, path);
    focusCanvas(app);
}

}  // namespace qm
