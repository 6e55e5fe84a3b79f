#include "shell/commands/animation_commands.h"

#include <algorithm>
#include <string>
#include <vector>

#include "document/animation_frames.h"
#include "document/document_ops.h"
#include "document/frame_ops.h"
#include "io/animation_files.h"
#include "io/image_files.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/commands/document_commands.h"
#include "shell/commands/image_commands.h"
#include "shell/commands/layer_commands.h"
#include "shell/edits.h"
#include "shell/ids.h"
#include "shell/panels/panels.h"
#include "shell/panels/timeline.h"
#include "shell/settings/dictionary.h"
#include "shell/view/view.h"

namespace qm {

namespace {

constexpr const char* kStripTitle = "Export (SpriteSheet/AnimStrip)";
constexpr const char* kStripPatterns = "Image PNG|*.png|Image JPG|*.jpg|Image BMP|*.bmp";
constexpr const char* kSequenceTitle = "Export the animation as a sequence of images";
// JPEG quality of the strip, on the 0..10 scale.
constexpr int kStripJpegQuality = 8;

AnimationLayer* findCurrentLayer(Document& doc) {
    const auto found = doc.animationLayers.find(currentAnimationLayerKey(doc));
    return found == doc.animationLayers.end() ? nullptr : &found->second;
}

const AnimationLayer* exportLayer(App& app, const char* title) {
    const AnimationLayer* layer = findCurrentAnimationLayer(app.doc);
    Dictionary& d = app.dictionary;
    if (!layer || layer->Frames.empty()) {
        app.ui.messageBox(Text(d, title), Text(d, "NoFrameToExport"));
        return nullptr;
    }
    if (app.viewState.FrameEnd < app.viewState.FrameStart) {
        app.ui.messageBox(Text(d, title), fillIn(Text(d, "RangeEndBeforeStart"),
                                                 {std::to_string(app.viewState.FrameEnd),
                                                  std::to_string(app.viewState.FrameStart)}));
        return nullptr;
    }
    return layer;
}

// False (after saying so) when no more frames may be imported while the program runs.
bool framesLeftToImport(App& app) {
    if (app.importedFrames < kMaxImportedFrames) return true;
    app.ui.messageBox(
        Text(app.dictionary, "error"),
        fillIn(Text(app.dictionary, "ImportedFramesLimit"), {std::to_string(kMaxImportedFrames)}));
    return false;
}

// False (after saying so) when the first file chosen is not of a kind frames are made from.
bool frameFileAccepted(App& app, const std::string& first) {
    if (animationFileAccepted(first)) return true;
    app.ui.messageBox(Text(app.dictionary, "error"), Text(app.dictionary, "OnlyImageFilesAllowed"));
    return false;
}

// The chosen files as animation frames of the current animation layer from CurrentFrame on,
// one undo step; files that do not load are named afterwards.
void importFrames(App& app, const std::vector<std::string>& paths) {
    Document& doc = app.doc;
    std::vector<std::string> failed;
    int imported = 0;
    {
        ScopedEdit edit(app, "Import Frames");
        app.history.animation(doc, app.viewState);
        for (const std::string& path : paths) {
            if (app.importedFrames >= kMaxImportedFrames) break;
            std::string error;
            auto image = loadImageForDocument(path, error);
            // A file that does not load takes no frame; it is named in the message after.
            if (!image || !addAnimationFrame(doc, app.viewState.CurrentFrame, tiledFrom(*image))) {
                failed.push_back(path + (error.empty() ? "" : ": " + error));
                continue;
            }
            ++app.viewState.CurrentFrame;
            ++app.importedFrames;
            ++imported;
        }
        if (imported > 0) app.viewState.FrameEnd = int16_t(app.viewState.FrameStart + imported - 1);
    }
    refreshAnimationPanel(app);
    if (!failed.empty()) {
        std::string list;
        for (const std::string& f : failed) list += "\n" + f;
        app.ui.messageBox(Text(app.dictionary, "error"),
                          Text(app.dictionary, "FilesSkipped") + list);
    }
}

}  // namespace

void addFrameCommand(App& app) {
    const std::string key = currentAnimationLayerKey(app.doc);
    const auto found = app.doc.animationLayers.find(key);
    const auto shown = found != app.doc.animationLayers.end()
                           ? shownDrawing(found->second, app.viewState.CurrentFrame)
                           : std::nullopt;
    if (shown && shown->start == app.viewState.CurrentFrame) return;
    if (shown) {
        // Within a hold: the held drawing ends before the new one, which holds for the rest.
        ScopedEdit edit(app, "New Frame");
        if (newBlankDrawing(app.doc, app.viewState, app.history, key)) addLayerCommand(app);
        return;
    }
    // The frame and its layer are one step.
    ScopedEdit edit(app, "New Frame");
    app.history.animation(app.doc, app.viewState);
    if (addAnimationFrame(app.doc, app.viewState.CurrentFrame)) addLayerCommand(app);
}

void addAnimationLayerOfKind(App& app, int commandId) {
    const int kind = commandId - id(Cmd::AnimLayer);
    if (kind < 0 || kind >= kAnimationLayerKinds || app.doc.AnimationLayerId == 255) return;
    ScopedEdit edit(app, "New Animation Layer");
    app.history.animation(app.doc, app.viewState);
    addAnimationLayer(app.doc, kind);
}

void animationLayerListInput(App& app, int x, int y, int op) {
    Document& doc = app.doc;
    const int h = kTimelineCellHeight;
    if (op == 0 || op == 1) {
        // The first row (in the map's order) whose box holds y, both edges excluded.
        const auto hit = std::find_if(doc.animationLayers.begin(), doc.animationLayers.end(),
                                      [&](const auto& entry) {
                                          const int top = entry.second.Order * h + 20;
                                          return top < y && y < top + h;
                                      });
        if (hit == doc.animationLayers.end()) return redrawTimeline(app);
        const std::string key = hit->first;
        auto layerOf = [&]() -> AnimationLayer& { return doc.animationLayers.at(key); };
        if (x > 0 && x < 20) {
            ScopedEdit edit(app, "Show Animation Layer");
            app.history.animation(doc, app.viewState);
            layerOf().Shown = layerOf().Shown ? 0 : 1;
        } else if (x > 20 && x < 40) {
            ScopedEdit edit(app, "Animation Layer Flag");
            app.history.animation(doc, app.viewState);
            layerOf().Flag2 = layerOf().Flag2 ? 0 : 1;
        } else if (x > 40 && op == 1) {
            const auto name =
                app.ui.inputText("", Text(app.dictionary, "Name of the layerAnim"), layerOf().Name);
            if (name && !name->empty()) {
                ScopedEdit edit(app, "Rename Animation Layer");
                app.history.animation(doc, app.viewState);
                layerOf().Name = *name;
            }
        }
        for (auto& [k, layer] : doc.animationLayers) layer.Current = 0;
        layerOf().Current = 1;
        doc.AnimationLayerId = uint8_t(std::stoi(key));
        // A click on the row beside its toggles paints that animation layer's drawings.
        if (x > 40) {
            doc.paintsAnimation = 1;
            refreshStatusBar(app);
        }
    } else if (op == 2) {
        const auto marked = std::find_if(doc.animationLayers.begin(), doc.animationLayers.end(),
                                         [](const auto& entry) { return entry.second.Current; });
        // Dragging moves the marked layer's row; the others stay (two may share a row). The row
        // stays among the rows there are.
        const int row = y / h - 1;
        if (marked != doc.animationLayers.end() && (y + h - 1) / h - 1 > 0) {
            const int order = std::clamp(row, 0, int(doc.animationLayers.size()) - 1);
            if (order != marked->second.Order) {
                ScopedEdit edit(app, "Move Animation Layer", "move-animation-layer");
                app.history.animation(doc, app.viewState);
                marked->second.Order = uint8_t(order);
            }
        }
    }
    redrawTimeline(app);
}

void deleteFrameCommand(App& app) {
    Document& doc = app.doc;
    AnimationLayer* layer = findCurrentLayer(doc);
    if (layer) {
        auto& frames = layer->Frames;
        // The last frame of the drawing shown at the current frame (held there or starting there).
        const int shown = shownFrameNumber(*layer, app.viewState.CurrentFrame);
        const auto at = std::find_if(frames.rbegin(), frames.rend(),
                                     [&](const AnimationFrame& f) { return f.Frame == shown; });
        if (at != frames.rend()) {
            ScopedEdit edit(app, "Delete Frame");
            app.history.animation(doc, app.viewState);
            app.history.keepFrameImage(at->id, std::move(at->image));
            frames.erase(std::next(at).base());
        }
    }
    focusCanvas(app);
}

void deleteAnimationLayerCommand(App& app) {
    Document& doc = app.doc;
    const auto found = doc.animationLayers.find(currentAnimationLayerKey(doc));
    if (found == doc.animationLayers.end()) return focusCanvas(app);
    if (doc.animationLayers.size() <= 1) {
        app.ui.messageBox(Text(app.dictionary, "error"),
                          Text(app.dictionary, "KeepOneAnimationLayer"));
        return focusCanvas(app);
    }
    {
        ScopedEdit edit(app, "Delete Animation Layer");
        app.history.animation(doc, app.viewState);
        const uint8_t order = found->second.Order;
        for (AnimationFrame& frame : found->second.Frames)
            app.history.keepFrameImage(frame.id, std::move(frame.image));
        doc.animationLayers.erase(found);
        // The rows below move up; the layer now in the deleted row (else the one above it, else
        // the first) becomes current.
        std::string next;
        int nextOrder = -1;
        for (auto& [key, layer] : doc.animationLayers) {
            if (layer.Order > order) --layer.Order;
            layer.Current = 0;
            const int o = layer.Order;
            if (o <= order && o > nextOrder) next = key, nextOrder = o;
        }
        if (next.empty()) next = doc.animationLayers.begin()->first;
        AnimationLayer& chosen = doc.animationLayers.at(next);
        chosen.Current = 1;
        doc.AnimationLayerId = uint8_t(std::stoi(next));
    }
    redrawAnimationLayerList(app);
    focusCanvas(app);
}

void importImageOnAnimation(App& app) {
    if (!framesLeftToImport(app)) return focusCanvas(app);
    const auto choice =
        app.ui.openFileRequester({Text(app.dictionary, "Importer image(s)"), "", "", 0, true});
    const std::string first = chosenPath(choice);
    if (!first.empty() && frameFileAccepted(app, first)) importFrames(app, choice->paths);
    focusCanvas(app);
}

void openAnimation(App& app) {
    if (!framesLeftToImport(app) || !mayReplaceDocument(app)) return focusCanvas(app);
    const auto choice = app.ui.openFileRequester(
        {Text(app.dictionary, "OpenGroupImageAsAnimation"), "", kImportPatterns, 0, true});
    const std::string first = chosenPath(choice);
    if (first.empty() || !frameFileAccepted(app, first)) return focusCanvas(app);
    // The document takes the first image's size, with one empty layer to paint on.
    std::string error;
    const auto image = loadImageForDocument(first, error);
    if (!image) {
        cannotLoad(app, first, error);
        return focusCanvas(app);
    }
    if (!documentSizeAllowed(image->width, image->height)) {
        cannotLoad(app, first, tooLargeForDocument(app, *image));
        return focusCanvas(app);
    }
    auto empty = createImage(image->width, image->height, 32);
    auto next = empty ? documentFromImage(app, std::move(*empty)) : std::nullopt;
    if (!next) {
        tooBig(app);
        return focusCanvas(app);
    }
    replaceDocument(app, std::move(*next));
    importFrames(app, choice->paths);
    // The frames are what was opened: the history and the modified mark start after them.
    startHistory(app);
    setInitialTitle(app);
    focusCanvas(app);
}

void exportAnimStrip(App& app) {
    if (app.importedFrames < 2) {
        app.ui.messageBox(Text(app.dictionary, kStripTitle),
                          Text(app.dictionary, "StripNeedsImportedFrames"));
        return focusCanvas(app);
    }
    const AnimationLayer* layer = exportLayer(app, kStripTitle);
    if (!layer) return focusCanvas(app);
    const auto choice =
        app.ui.saveFileRequester({Text(app.dictionary, kStripTitle), "", kStripPatterns, 0, false});
    std::string path = chosenPath(choice);
    if (path.empty()) return focusCanvas(app);
    const SaveFormat format = saveFormatFromIndex(choice->patternIndex);
    // A name without an extension takes the filter's; one with an extension keeps it.
    if (fileExtension(path).empty()) path += saveExtension(format);
    if (!mayWrite(app, "", path)) return focusCanvas(app);
    const ViewState& view = app.viewState;
    const FrameSize size = animationFrameSize(*layer, view.CurrentFrame);
    std::string error;
    if (format == SaveFormat::Png) {
        // Row by row on two threads: a long strip may be wider than an image may be.
        if (!writeStripPng(*layer, view.FrameStart, view.FrameEnd, size.width, size.height, path,
                           error))
            cannotSave(app, path, error);
        return focusCanvas(app);
    }
    const auto strip =
        composeStrip(*layer, view.FrameStart, view.FrameEnd, size.width, size.height);
    if (!strip) {
        tooBig(app);
        return focusCanvas(app);
    }
    if (!saveImageFile(*strip, path, format, kStripJpegQuality, error))
        cannotSave(app, path, error);
    focusCanvas(app);
}

void exportSequenceImage(App& app) {
    if (const AnimationLayer* layer = exportLayer(app, kSequenceTitle)) {
        const auto choice = app.ui.saveFileRequester(
            {Text(app.dictionary, kSequenceTitle), "", "Image PNG|*.png", 0, false});
        const std::string typed = chosenPath(choice);
        const ViewState& view = app.viewState;
        const int count = view.FrameEnd - view.FrameStart + 1;
        std::string existing;
        for (int i = 1; i <= count && !typed.empty() && existing.empty(); ++i)
            if (fileExists(sequenceFramePath(typed, i))) existing = sequenceFramePath(typed, i);
        if (!typed.empty() &&
            (existing.empty() ||
             app.ui.askYesNo("", fillIn(Text(app.dictionary, "OverwriteSequence"), {existing})))) {
            const FrameSize size = animationFrameSize(*layer, view.CurrentFrame);
            std::string error;
            // Four threads on the two cores: while one waits for its file to reach the disk,
            // another encodes.
            if (!writeSequence(*layer, view.FrameStart, view.FrameEnd, size.width, size.height,
                               typed, error, 4))
                app.ui.messageBox(Text(app.dictionary, "Image save"),
                                  Text(app.dictionary, "Cannot save the sequence:") + " " + error);
        }
    }
    focusCanvas(app);
}

}  // namespace qm
