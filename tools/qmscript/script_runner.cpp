#include "qmscript/script_runner.h"

#include <filesystem>
#include <memory>

#include "codecs/codecs.h"
#include "document/document_ops.h"
#include "platform/fake_ui.h"
#include "platform/paths.h"
#include "qmscript/state_dump.h"
#include "shell/app.h"
#include "shell/events.h"
#include "shell/panels/playback.h"

namespace qm::script {

namespace {

namespace fs = std::filesystem;

bool isEvent(Op op) {
    switch (op) {
        case Op::Menu:
        case Op::Control:
        case Op::Down:
        case Op::Move:
        case Op::Up:
        case Op::KeyDown:
        case Op::KeyUp:
        case Op::Wheel:
        case Op::Playback:
        case Op::CloseWindow:
            return true;
        default:
            return false;
    }
}

class Runner {
public:
    explicit Runner(const RunOptions& options) : options_(options), app_(ui_) {}

    int run(const std::vector<Command>& commands, std::string& error);

private:
    bool execute(const Command& c, std::string& error);
    // A write path: relative to the script folder, and never leaving it.
    std::optional<std::string> outputPath(const std::string& path, std::string& error) const;
    std::string answerPath(const std::string& path) const;
    CanvasEvent canvasEvent(CanvasEventType type, const Command& c) const;
    // The canvas as the program last showed it.
    const Image& shownCanvas() const {
        return ui_.lastCanvas() ? *ui_.lastCanvas() : app_.canvasImage;
    }
    // write-canvas / write-layer save `image` to the command's file; expect-canvas /
    // expect-layer compare it with that file, `what` naming it in the error.
    bool writeOrExpect(const Command& c, const Image& image, const std::string& what,
                       std::string& error) const;

    const RunOptions& options_;
    FakeUi ui_;
    App app_;
    int pointerX_ = 0, pointerY_ = 0;
    bool leftHeld_ = false;
};

// Empty error when both images hold the same pixels; otherwise the first difference.
static bool sameImage(const Image& got, const std::string& what, const Image& expected,
                      const std::string& name, std::string& error) {
    if (got.width != expected.width || got.height != expected.height) {
        error = what + " is " + std::to_string(got.width) + "x" + std::to_string(got.height) +
                ", " + name + " is " + std::to_string(expected.width) + "x" +
                std::to_string(expected.height);
        return false;
    }
    for (int y = 0; y < got.height; ++y)
        for (int x = 0; x < got.width; ++x)
            if (got.at(x, y) != expected.at(x, y)) {
                error = what + " differs from " + name + " first at (" + std::to_string(x) + ", " +
                        std::to_string(y) + ")";
                return false;
            }
    return true;
}

// Whether the file starts as a file of `format` does (png, apng, gif, webp, mp4, webm); an
// animated PNG also holds its animation chunk before the first image data.
static bool holdsFormat(const std::string& path, const std::string& format) {
    std::string error;
    const auto bytes = readFileLimited(path, size_t(1) << 30, error);
    if (!bytes) return false;
    const std::string_view b(*bytes);
    if (format == "gif") return b.starts_with("GIF89a") || b.starts_with("GIF87a");
    if (format == "webp")
        return b.size() >= 12 && b.starts_with("RIFF") && b.substr(8, 4) == "WEBP";
    if (format == "mp4") return b.size() >= 8 && b.substr(4, 4) == "ftyp";
    if (format == "webm") return b.starts_with("\x1a\x45\xdf\xa3");
    if (!b.starts_with("\x89PNG\r\n\x1a\n")) return false;
    if (format == "png") return true;
    const size_t actl = b.find("acTL"), idat = b.find("IDAT");
    return actl != std::string_view::npos && actl < idat;
}

bool Runner::writeOrExpect(const Command& c, const Image& image, const std::string& what,
                           std::string& error) const {
    const auto path = outputPath(c.paths[0], error);
    if (!path) return false;
    if (c.op == Op::WriteCanvas || c.op == Op::WriteLayer) return savePngFile(image, *path, error);
    // The pixels must equal those of an image file beside the script.
    auto expected = loadImageFile(*path, error);
    if (!expected) return false;
    return sameImage(image, what, *expected, c.paths[0], error);
}

std::optional<std::string> Runner::outputPath(const std::string& path, std::string& error) const {
    const fs::path relative(normalizeSeparators(path));
    bool escapes = relative.empty() || relative.is_absolute() || !pathIsUsable(path);
    for (const auto& part : relative)
        if (part == "..") escapes = true;
    if (escapes) {
        error = "\"" + path + "\" must be a relative path inside the script's folder";
        return std::nullopt;
    }
    return (fs::path(options_.scriptFolder) / relative).string();
}

// A requester returns full paths: relative answers are taken from the script's folder.
std::string Runner::answerPath(const std::string& path) const {
    const fs::path p(normalizeSeparators(path));
    return p.is_absolute() ? p.string() : (fs::path(options_.scriptFolder) / p).string();
}

CanvasEvent Runner::canvasEvent(CanvasEventType type, const Command& c) const {
    CanvasEvent e;
    e.type = type;
    e.x = pointerX_;
    e.y = pointerY_;
    e.shift = c.shift;
    e.ctrl = c.ctrl;
    e.alt = c.alt;
    e.leftHeld = leftHeld_;
    return e;
}

bool Runner::execute(const Command& c, std::string& error) {
    switch (c.op) {
        case Op::CanvasSize:
            return true;  // applied before the start-up
        case Op::Menu:
            onMenuCommand(app_, int(c.a));
            return true;
        case Op::CloseWindow:
            onCloseWindow(app_, int(c.a));
            return true;
        case Op::Control: {
            const int gadget = int(c.a);
            if (c.state) ui_.setGadgetState(gadget, *c.state);
            if (c.tick) ui_.setGadgetItemChecked(gadget, ui_.gadgetState(gadget), *c.tick != 0);
            if (c.gadgetText) ui_.setGadgetText(gadget, *c.gadgetText);
            ControlEvent e;
            e.gadget = gadget;
            e.type = c.event;
            e.x = int(c.b);
            e.y = int(c.c);
            e.shift = c.shift;
            e.ctrl = c.ctrl;
            e.alt = c.alt;
            e.leftHeld = c.leftHeld;
            e.rightHeld = c.rightHeld;
            e.middleHeld = c.middleHeld;
            onControlEvent(app_, e);
            return true;
        }
        case Op::Down:
        case Op::Move:
        case Op::Up: {
            pointerX_ = int(c.a);
            pointerY_ = int(c.b);
            const auto type = c.op == Op::Down ? CanvasEventType::LeftDown
                              : c.op == Op::Up ? CanvasEventType::LeftUp
                                               : CanvasEventType::Move;
            if (c.op == Op::Down) leftHeld_ = true;
            if (c.op == Op::Up) leftHeld_ = false;
            CanvasEvent e = canvasEvent(type, c);
            e.pen = c.pen;
            e.pressure = c.pressure;
            e.tiltX = c.tiltX;
            e.tiltY = c.tiltY;
            e.hasTilt = c.hasTilt;
            e.eraser = c.eraser;
            onCanvasEvent(app_, e);
            return true;
        }
        case Op::KeyDown:
        case Op::KeyUp: {
            CanvasEvent e = canvasEvent(
                c.op == Op::KeyDown ? CanvasEventType::KeyDown : CanvasEventType::KeyUp, c);
            e.key = int(c.a);
            onCanvasEvent(app_, e);
            return true;
        }
        case Op::Wheel: {
            CanvasEvent e = canvasEvent(CanvasEventType::Wheel, c);
            e.wheel = int(c.a);
            onCanvasEvent(app_, e);
            return true;
        }
        case Op::AnswerFile: {
            std::vector<std::string> paths;
            for (const std::string& p : c.paths) paths.push_back(answerPath(p));
            ui_.queueAnswer(ScriptedAnswer::filesAnswer(std::move(paths), int(c.a)));
            return true;
        }
        case Op::AnswerCancel:
            ui_.queueAnswer(ScriptedAnswer::cancel());
            return true;
        case Op::AnswerYes:
            ui_.queueAnswer(ScriptedAnswer::yes());
            return true;
        case Op::AnswerNo:
            ui_.queueAnswer(ScriptedAnswer::no());
            return true;
        case Op::AnswerText:
            ui_.queueAnswer(ScriptedAnswer::textAnswer(c.text));
            return true;
        case Op::AnswerColour:
            ui_.queueAnswer(
                ScriptedAnswer::colourAnswer(rgb(uint32_t(c.a), uint32_t(c.b), uint32_t(c.c))));
            return true;
        case Op::AnswerPopup:
            ui_.queueAnswer(ScriptedAnswer::popupAnswer(int(c.a)));
            return true;
        case Op::Playback:
            // Each step is taken when it falls due: the fake clock moves on to it.
            for (int64_t i = 0; i < c.a; ++i) {
                if (const int wait = playbackWaitMs(app_); wait > 0) ui_.advanceClock(wait);
                playbackStep(app_, app_.PlayStartFrame);
            }
            return true;
        case Op::WriteCanvas:
        case Op::ExpectCanvas:
            return writeOrExpect(c, shownCanvas(), "the canvas", error);
        case Op::WriteLayer:
        case Op::ExpectLayer: {
            const Layer* layer = layerAtPosition(app_.doc, int(c.a));
            if (!layer || layer->image.empty()) {
                error = "there is no layer image at position " + std::to_string(c.a);
                return false;
            }
            return writeOrExpect(c, layer->image.toImage(), "the layer", error);
        }
        case Op::Clipboard: {  // the clipboard holds the image file beside the script
            const auto path = outputPath(c.paths[0], error);
            if (!path) return false;
            auto image = loadImageFile(*path, error);
            if (!image) return false;
            ui_.setClipboardImage(std::move(*image));
            return true;
        }
        case Op::CancelTask:
            ui_.cancelTaskAt(int(c.a));
            return true;
        case Op::ExpectFile:
        case Op::ExpectNoFile: {
            const auto path = outputPath(c.paths[0], error);
            if (!path) return false;
            std::error_code ec;
            const bool exists = fs::is_regular_file(*path, ec);
            if (c.op == Op::ExpectNoFile) {
                if (exists) error = "\"" + c.paths[0] + "\" should not exist";
                return !exists;
            }
            if (!exists) {
                error = "\"" + c.paths[0] + "\" was not written";
                return false;
            }
            if (!c.text.empty() && !holdsFormat(*path, c.text)) {
                error = "\"" + c.paths[0] + "\" is not a " + c.text + " file";
                return false;
            }
            return true;
        }
        case Op::WriteState: {
            const auto path = outputPath(c.paths[0], error);
            if (!path) return false;
            return writeFileAtomically(*path, dumpState(app_, ui_), error);
        }
    }
    return true;
}

int Runner::run(const std::vector<Command>& commands, std::string& error) {
    // The canvas size is that of the control the start-up finds: only before any event.
    bool eventSeen = false;
    for (const Command& c : commands) {
        if (c.op == Op::CanvasSize) {
            if (eventSeen) {
                error =
                    "line " + std::to_string(c.line) + ": canvas-size must come before any event";
                return 2;
            }
            ui_.setCanvasSize(int(c.a), int(c.b));
        }
        eventSeen = eventSeen || isEvent(c.op);
    }
    if (options_.seed) app_.random.seed(*options_.seed);
    app_.workDir = workingDirectory();
    if (!startUp(app_)) {
        error = "the start-up failed";
        for (const std::string& box : ui_.messageBoxes()) error += "; " + box;
        return 1;
    }
    for (const Command& c : commands) {
        // The program has ended: later events have no window to go to, but the script may
        // still write what it ended with.
        if (app_.QuitRequested && isEvent(c.op)) continue;
        std::string reason;
        if (!execute(c, reason)) {
            error = "line " + std::to_string(c.line) + ": " + reason;
            return 1;
        }
    }
    shutDown(app_);
    return 0;
}

}  // namespace

int runScript(const std::vector<Command>& commands, const RunOptions& options, std::string& error) {
    // The App holds the document's images; keep it off the stack's way and alive for the run.
    auto runner = std::make_unique<Runner>(options);
    return runner->run(commands, error);
}

}  // namespace qm::script
