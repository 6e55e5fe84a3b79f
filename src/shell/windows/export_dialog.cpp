#include "shell/windows/export_dialog.h"

#include <algorithm>
#include <array>
#include <string>

#include "io/animation_export.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/panels/panels.h"
#include "shell/settings/dictionary.h"
#include "shell/windows/window_list.h"

namespace qm {

namespace {

struct FormatRow {
    ExportFormat format;
    const char* name;       // in the format combo
    const char* extension;  // given to a typed name that has none
    const char* pattern;    // the save requester's
};
constexpr std::array<FormatRow, 5> kFormats = {{
    {ExportFormat::Gif, "GIF", ".gif", "GIF Images|*.gif"},
    {ExportFormat::Apng, "APNG (animated PNG)", ".png", "Animated PNG|*.png;*.apng"},
    {ExportFormat::Webp, "WebP", ".webp", "WebP Images|*.webp"},
    {ExportFormat::Mp4, "MP4 (H.264)", ".mp4", "MP4 Videos|*.mp4"},
    {ExportFormat::Webm, "WebM (VP9)", ".webm", "WebM Videos|*.webm"},
}};

constexpr int kMaxScale = 1000;

int stateIn(App& app, Gadget gadget, int min, int max) {
    const int state = app.ui.gadgetState(id(gadget));
    const int kept = std::clamp(state, min, max);
    if (kept != state) app.ui.setGadgetState(id(gadget), kept);
    return kept;
}

WindowDescription exportWindow(App& app) {
    using K = ControlKind;
    const int last = lastDocumentFrame(app.doc, app.viewState);
    const int first = std::clamp<int>(app.viewState.FrameStart, 1, last);
    const int end = std::clamp<int>(app.viewState.FrameEnd, first, last);
    Dictionary& d = app.dictionary;
    auto label = [&d](const char* text, int x, int y, int width = 120) {
        return ControlDescription{.kind = K::Label,
                                  .caption = Text(d, text),
                                  .x = x,
                                  .y = y,
                                  .width = width,
                                  .height = 22};
    };
    std::vector<std::string> formats;
    for (const FormatRow& row : kFormats) formats.push_back(row.name);
    return WindowDescription{
        .number = id(Window::Export),
        .title = Text(app.dictionary, "ExportAnimationAsVideo"),
        .width = 360,
        .height = 330,
        .controls =
            {
                label("Format", 10, 10),
                {.id = id(Gadget::ExportFormat),
                 .kind = K::Combo,
                 .x = 140,
                 .y = 10,
                 .width = 200,
                 .height = 22,
                 .items = formats},
                label("Frames", 10, 40),
                {.id = id(Gadget::ExportFirstFrame),
                 .kind = K::Spin,
                 .min = 1,
                 .max = last,
                 .x = 140,
                 .y = 40,
                 .width = 90,
                 .height = 22,
                 .value = first},
                {.id = id(Gadget::ExportLastFrame),
                 .kind = K::Spin,
                 .min = 1,
                 .max = last,
                 .x = 250,
                 .y = 40,
                 .width = 90,
                 .height = 22,
                 .value = end},
                label("Scale (%)", 10, 70),
                {.id = id(Gadget::ExportScale),
                 .kind = K::Spin,
                 .min = 1,
                 .max = kMaxScale,
                 .x = 140,
                 .y = 70,
                 .width = 90,
                 .height = 22,
                 .value = 100},
                {.id = id(Gadget::ExportLoop),
                 .kind = K::CheckBox,
                 .caption = Text(d, "Loop"),
                 .x = 10,
                 .y = 100,
                 .width = 150,
                 .height = 22,
                 .value = 1},
                {.id = id(Gadget::ExportPaper),
                 .kind = K::CheckBox,
                 .caption = Text(d, "Include paper"),
                 .x = 170,
                 .y = 100,
                 .width = 170,
                 .height = 22,
                 .value = 0},
                label("GIF dithering", 10, 130),
                {.id = id(Gadget::ExportDither),
                 .kind = K::Combo,
                 .x = 140,
                 .y = 130,
                 .width = 200,
                 .height = 22,
                 .value = 2,
                 .items = {Text(d, "None"), Text(d, "Ordered"), Text(d, "Error diffusion")}},
                {.id = id(Gadget::ExportLossless),
                 .kind = K::CheckBox,
                 .caption = Text(d, "WebP lossless"),
                 .x = 10,
                 .y = 160,
                 .width = 200,
                 .height = 22,
                 .value = 1},
                label("Quality (WebP, video)", 10, 190, 130),
                {.id = id(Gadget::ExportQuality),
                 .kind = K::TrackBar,
                 .min = 0,
                 .max = 100,
                 .x = 140,
                 .y = 190,
                 .width = 200,
                 .height = 22,
                 .value = 90},
                {.id = id(Gadget::ExportOk),
                 .kind = K::Button,
                 .caption = Text(d, "BtnOk"),
                 .x = 150,
                 .y = 280,
                 .width = 90,
                 .height = 26},
                {.id = id(Gadget::ExportCancel),
                 .kind = K::Button,
                 .caption = Text(d, "BtnCancel"),
                 .x = 250,
                 .y = 280,
                 .width = 90,
                 .height = 26},
            },
    };
}

void closeExportDialog(App& app) {
    app.ui.closeWindow(id(Window::Export));
    closeWindow(app, id(Window::Export));
    focusCanvas(app);
}

// The options as the window shows them; the file is asked for next.
void exportWithChoices(App& app) {
    const int last = lastDocumentFrame(app.doc, app.viewState);
    const FormatRow& row =
        kFormats[size_t(stateIn(app, Gadget::ExportFormat, 0, int(kFormats.size()) - 1))];
    AnimationExportOptions options;
    options.format = row.format;
    options.firstFrame = stateIn(app, Gadget::ExportFirstFrame, 1, last);
    options.lastFrame = stateIn(app, Gadget::ExportLastFrame, 1, last);
    options.scalePercent = stateIn(app, Gadget::ExportScale, 1, kMaxScale);
    options.encode.loop = stateIn(app, Gadget::ExportLoop, 0, 1) != 0;
    options.encode.dither = GifDither(stateIn(app, Gadget::ExportDither, 0, 2));
    options.encode.lossless = stateIn(app, Gadget::ExportLossless, 0, 1) != 0;
    options.encode.quality = stateIn(app, Gadget::ExportQuality, 0, 100);
    const bool paper = stateIn(app, Gadget::ExportPaper, 0, 1) != 0;
    if (paper && app.paperImage8.width == app.doc.Width && app.paperImage8.height == app.doc.Height)
        options.paper = &app.paperImage8;
    if (options.firstFrame > options.lastFrame) {
        app.ui.messageBox(Text(app.dictionary, "error"),
                          "The first frame comes after the last one.");
        return;
    }

    const auto choice = app.ui.saveFileRequester(
        {Text(app.dictionary, "ExportAnimationAsVideo"), "", row.pattern, 0, false});
    if (!choice || choice->paths.empty() || choice->paths.front().empty()) return;  // stays open
    std::string path = choice->paths.front();
    if (fileName(path).find('.') == std::string::npos) path += row.extension;
    if (fileExists(path) &&
        !app.ui.askYesNo(app.prefs.programName,
                         Text(app.dictionary, "Overwrite this file?") + " " + path))
        return;

    options.path = path;
    // A long export shows its progress and can be cancelled; a cancelled one leaves no file.
    const std::string title = Text(app.dictionary, "ExportAnimationAsVideo");
    const std::string error =
        exportAnimation(app.doc, app.viewState, options, [&app, &title](int done, int total) {
            app.ui.setStatusProgress(3, done, total);
            return app.ui.taskProgress(title, done, total);
        });
    app.ui.taskProgress(title, 0, 0);
    app.ui.setStatusProgress(3, 0, 0);
    if (error == kEncodeCancelled) return;  // the window stays open for another try
    if (!error.empty()) {
        app.ui.messageBox(Text(app.dictionary, "error"), error);
        return;
    }
    closeExportDialog(app);
}

}  // namespace

void openExportDialog(App& app) {
    if (windowIsOpen(app, id(Window::Export))) return;
    app.ui.showWindow(exportWindow(app));
    openWindow(app, id(Window::Export));
}

bool handleExportControl(App& app, int gadget) {
    if (gadget < id(Gadget::ExportFormat) || gadget > id(Gadget::ExportCancel)) return false;
    if (!windowIsOpen(app, id(Window::Export))) return true;
    const int last = lastDocumentFrame(app.doc, app.viewState);
    switch (static_cast<Gadget>(gadget)) {
        case Gadget::ExportFormat:
            stateIn(app, Gadget::ExportFormat, 0, int(kFormats.size()) - 1);
            break;
        case Gadget::ExportFirstFrame:
        case Gadget::ExportLastFrame:
            stateIn(app, static_cast<Gadget>(gadget), 1, last);
            break;
        case Gadget::ExportScale:
            stateIn(app, Gadget::ExportScale, 1, kMaxScale);
            break;
        case Gadget::ExportLoop:
        case Gadget::ExportPaper:
        case Gadget::ExportLossless:
            stateIn(app, static_cast<Gadget>(gadget), 0, 1);
            break;
        case Gadget::ExportDither:
            stateIn(app, Gadget::ExportDither, 0, 2);
            break;
        case Gadget::ExportQuality:
            stateIn(app, Gadget::ExportQuality, 0, 100);
            break;
        case Gadget::ExportOk:
            exportWithChoices(app);
            break;
        case Gadget::ExportCancel:
            closeExportDialog(app);
            break;
        default:
            break;
    }
    return true;
}

}  // namespace qm
