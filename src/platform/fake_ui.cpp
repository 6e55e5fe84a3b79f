#include "platform/fake_ui.h"

#include <algorithm>
#include <cstdio>

#include "raster/draw_image.h"

namespace qm {

namespace {

const char* kindName(ScriptedAnswer::Kind kind) {
    switch (kind) {
        case ScriptedAnswer::Kind::Cancel:
            return "cancel";
        case ScriptedAnswer::Kind::Yes:
            return "yes";
        case ScriptedAnswer::Kind::No:
            return "no";
        case ScriptedAnswer::Kind::Text:
            return "text";
        case ScriptedAnswer::Kind::Files:
            return "files";
        case ScriptedAnswer::Kind::Colour:
            return "color";
        case ScriptedAnswer::Kind::Popup:
            return "popup";
    }
    return "?";
}

const char* cursorName(CursorShape shape) {
    switch (shape) {
        case CursorShape::Arrow:
            return "Arrow";
        case CursorShape::Cross:
            return "Cross";
        case CursorShape::Hand:
            return "Hand";
        case CursorShape::Move:
            return "Move";
        case CursorShape::Picker:
            return "Picker";
        case CursorShape::Paint:
            return "Paint";
        case CursorShape::Eraser:
            return "Eraser";
        case CursorShape::Busy:
            return "Busy";
    }
    return "?";
}

std::string hexColour(uint32_t c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", unsigned(c));
    return buffer;
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += separator;
        out += parts[i];
    }
    return out;
}

}  // namespace

std::optional<ScriptedAnswer> FakeUi::takeAnswer(
    std::initializer_list<ScriptedAnswer::Kind> accepted, const std::string& requester) {
    if (answers_.empty()) return std::nullopt;
    ScriptedAnswer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.kind == ScriptedAnswer::Kind::Cancel) return answer;
    for (ScriptedAnswer::Kind kind : accepted)
        if (answer.kind == kind) return answer;
    ++mismatches_;
    record("answer mismatch: " + std::string(kindName(answer.kind)) + " for " + requester);
    return std::nullopt;
}

void FakeUi::messageBox(const std::string& title, const std::string& text) {
    boxes_.push_back(title + "|" + text);
    record("messageBox " + title + "|" + text);
}

bool FakeUi::askYesNo(const std::string& title, const std::string& text) {
    boxes_.push_back(title + "|" + text);
    const auto answer =
        takeAnswer({ScriptedAnswer::Kind::Yes, ScriptedAnswer::Kind::No}, "askYesNo");
    const bool yes = answer && answer->kind == ScriptedAnswer::Kind::Yes;
    record("askYesNo " + title + "|" + text + " -> " + (yes ? "yes" : "no"));
    return yes;
}

YesNoCancel FakeUi::askYesNoCancel(const std::string& title, const std::string& text,
                                   const std::vector<std::string>& buttons) {
    boxes_.push_back(title + "|" + text);
    const auto answer =
        takeAnswer({ScriptedAnswer::Kind::Yes, ScriptedAnswer::Kind::No}, "askYesNoCancel");
    YesNoCancel result = YesNoCancel::Cancel;
    if (answer && answer->kind == ScriptedAnswer::Kind::Yes) result = YesNoCancel::Yes;
    if (answer && answer->kind == ScriptedAnswer::Kind::No) result = YesNoCancel::No;
    static const char* const kNames[] = {"yes", "no", "cancel"};
    record("askYesNoCancel " + title + "|" + text + "|" + joined(buttons, "/") + " -> " +
           kNames[int(result)]);
    return result;
}

std::optional<std::string> FakeUi::inputText(const std::string& title, const std::string& message,
                                             const std::string& defaultText) {
    const auto answer = takeAnswer({ScriptedAnswer::Kind::Text}, "inputText");
    std::optional<std::string> result;
    if (answer && answer->kind == ScriptedAnswer::Kind::Text) result = answer->text;
    record("inputText " + title + "|" + message + "|" + defaultText + " -> " +
           (result ? "\"" + *result + "\"" : std::string("cancel")));
    return result;
}

std::optional<FileChoice> FakeUi::fileRequester(const char* name, const FileRequest& request) {
    const auto answer = takeAnswer({ScriptedAnswer::Kind::Files}, name);
    std::optional<FileChoice> result;
    if (answer && answer->kind == ScriptedAnswer::Kind::Files && !answer->files.paths.empty()) {
        result = answer->files;
        // A single-selection requester gives one file, whatever the script queued.
        if (!request.multiple) result->paths.resize(1);
    }
    std::string entry = std::string(name) + " " + request.title + "|" + request.defaultPath + "|" +
                        request.patterns + "|" + std::to_string(request.patternIndex) +
                        (request.multiple ? "|multiple" : "") + " -> ";
    entry += result ? joined(result->paths, ";") + " (pattern " +
                          std::to_string(result->patternIndex) + ")"
                    : std::string("cancel");
    record(std::move(entry));
    return result;
}

std::optional<FileChoice> FakeUi::openFileRequester(const FileRequest& request) {
    return fileRequester("openFileRequester", request);
}

std::optional<FileChoice> FakeUi::saveFileRequester(const FileRequest& request) {
    return fileRequester("saveFileRequester", request);
}

std::optional<uint32_t> FakeUi::colourRequester(uint32_t initial) {
    const auto answer = takeAnswer({ScriptedAnswer::Kind::Colour}, "colorRequester");
    std::optional<uint32_t> result;
    // A requester answers red, green and blue only, like the real one.
    if (answer && answer->kind == ScriptedAnswer::Kind::Colour) result = answer->colour & 0xFFFFFFu;
    record("colorRequester " + hexColour(initial) + " -> " +
           (result ? hexColour(*result) : std::string("cancel")));
    return result;
}

std::optional<int> FakeUi::popupMenu(int number, int anchor) {
    const auto answer = takeAnswer({ScriptedAnswer::Kind::Popup}, "popupMenu");
    std::optional<int> result;
    if (answer && answer->kind == ScriptedAnswer::Kind::Popup) result = answer->item;
    record("popupMenu " + std::to_string(number) + " at " + std::to_string(anchor) + " -> " +
           (result ? std::to_string(*result) : std::string("cancel")));
    return result;
}

const FakeUi::Gadget* FakeUi::findGadget(int id) const {
    const auto it = gadgets_.find(id);
    return it == gadgets_.end() ? nullptr : &it->second;
}

int FakeUi::gadgetState(int id) const {
    const Gadget* g = findGadget(id);
    return g ? g->state : 0;
}

void FakeUi::setGadgetState(int id, int value) {
    gadgets_[id].state = value;
    record("setGadgetState " + std::to_string(id) + " " + std::to_string(value));
}

std::string FakeUi::gadgetText(int id) const {
    const Gadget* g = findGadget(id);
    if (!g) return {};
    if (!g->items.empty() && g->state >= 0 && size_t(g->state) < g->items.size())
        return g->items[size_t(g->state)];
    return g->text;
}

void FakeUi::setGadgetText(int id, const std::string& text) {
    gadgets_[id].text = text;
    record("setGadgetText " + std::to_string(id) + " " + text);
}

void FakeUi::clearGadgetItems(int id) {
    Gadget& g = gadgets_[id];
    g.items.clear();
    g.levels.clear();
    g.checked.clear();
    g.state = -1;
    record("clearGadgetItems " + std::to_string(id));
}

void FakeUi::addGadgetItem(int id, const std::string& text, int level) {
    Gadget& g = gadgets_[id];
    g.items.push_back(text);
    g.levels.push_back(level);
    g.checked.push_back(false);
    record("addGadgetItem " + std::to_string(id) + " " + text +
           (level ? " (level " + std::to_string(level) + ")" : ""));
}

int FakeUi::gadgetItemCount(int id) const {
    const Gadget* g = findGadget(id);
    return g ? int(g->items.size()) : 0;
}

std::string FakeUi::gadgetItemText(int id, int index) const {
    const Gadget* g = findGadget(id);
    if (!g || index < 0 || size_t(index) >= g->items.size()) return {};
    return g->items[size_t(index)];
}

void FakeUi::setGadgetItemChecked(int id, int index, bool checked) {
    Gadget& g = gadgets_[id];
    if (index < 0 || size_t(index) >= g.checked.size()) return;
    g.checked[size_t(index)] = checked;
    record("setGadgetItemChecked " + std::to_string(id) + " " + std::to_string(index) + " " +
           (checked ? "1" : "0"));
}

bool FakeUi::gadgetItemChecked(int id, int index) const {
    const Gadget* g = findGadget(id);
    return g && index >= 0 && size_t(index) < g->checked.size() && g->checked[size_t(index)];
}

std::vector<std::string> FakeUi::gadgetItems(int id) const {
    const Gadget* g = findGadget(id);
    return g ? g->items : std::vector<std::string>{};
}

void FakeUi::setGadgetImage(int id, const Image& image) {
    gadgets_[id].image = image;
    record("setGadgetImage " + std::to_string(id) + " " + std::to_string(image.width) + "x" +
           std::to_string(image.height));
}

const Image* FakeUi::gadgetImage(int id) const {
    const Gadget* g = findGadget(id);
    return g && g->image ? &*g->image : nullptr;
}

void FakeUi::showGadget(int id, bool visible) {
    gadgets_[id].visible = visible;
    record("showGadget " + std::to_string(id) + " " + (visible ? "1" : "0"));
}

bool FakeUi::gadgetVisible(int id) const {
    const Gadget* g = findGadget(id);
    return !g || g->visible;
}

void FakeUi::enableGadget(int id, bool enabled) {
    gadgets_[id].enabled = enabled;
    record("enableGadget " + std::to_string(id) + " " + (enabled ? "1" : "0"));
}

bool FakeUi::gadgetEnabled(int id) const {
    const Gadget* g = findGadget(id);
    return !g || g->enabled;
}

void FakeUi::setFocus(int id) {
    focus_ = id;
    record("setFocus " + std::to_string(id));
}

void FakeUi::setMenuChecked(int commandId, bool checked) {
    menuChecked_[commandId] = checked;
    record("setMenuChecked " + std::to_string(commandId) + " " + (checked ? "1" : "0"));
}

bool FakeUi::menuChecked(int commandId) const {
    const auto it = menuChecked_.find(commandId);
    return it != menuChecked_.end() && it->second;
}

void FakeUi::setMenuEnabled(int commandId, bool enabled) {
    menuEnabled_[commandId] = enabled;
    record("setMenuEnabled " + std::to_string(commandId) + " " + (enabled ? "1" : "0"));
}

bool FakeUi::menuEnabled(int commandId) const {
    const auto it = menuEnabled_.find(commandId);
    return it == menuEnabled_.end() || it->second;
}

void FakeUi::setWindowTitle(const std::string& title) {
    title_ = title;
    record("setWindowTitle " + title);
}

void FakeUi::setStatusText(int field, const std::string& text) {
    Status& s = status_[field];
    s.text = text;
    s.progress.reset();
    record("setStatusText " + std::to_string(field) + " " + text);
}

void FakeUi::setStatusProgress(int field, int value, int maximum) {
    status_[field].progress = std::make_pair(value, maximum);
    record("setStatusProgress " + std::to_string(field) + " " + std::to_string(value) + "/" +
           std::to_string(maximum));
}

bool FakeUi::taskProgress(const std::string& title, int done, int total) {
    (void)title;
    record("taskProgress " + std::to_string(done) + "/" + std::to_string(total));
    if (total <= 0) {  // the task ended
        const bool cancelled = taskCancelled_;
        taskSteps_ = 0;
        taskCancelled_ = false;
        return !cancelled;
    }
    ++taskSteps_;
    if (!taskCancelled_ && cancelTaskAt_ > 0 && taskSteps_ >= cancelTaskAt_) {
        taskCancelled_ = true;
        cancelTaskAt_ = 0;
    }
    return !taskCancelled_;
}

std::string FakeUi::statusText(int field) const {
    const auto it = status_.find(field);
    return it == status_.end() ? std::string() : it->second.text;
}

std::optional<std::pair<int, int>> FakeUi::statusProgress(int field) const {
    const auto it = status_.find(field);
    return it == status_.end() ? std::nullopt : it->second.progress;
}

void FakeUi::presentCanvas(const Image& canvas) {
    canvas_ = canvas;
    canvasPart_.reset();
    recordPresent(canvas);
}

void FakeUi::recordPresent(const Image& canvas) {
    record("presentCanvas " + std::to_string(canvas.width) + "x" + std::to_string(canvas.height));
}

void FakeUi::presentCanvasPart(const Image& canvas, const Rect& changed) {
    // Like the real canvas, only the changed rectangle is copied into the one already shown.
    if (canvas_ && canvas_->width == canvas.width && canvas_->height == canvas.height &&
        canvas_->depth == canvas.depth) {
        drawImagePart(*canvas_, canvas, changed, changed.x, changed.y, DrawMode::AllChannels, 255);
        recordPresent(canvas);
    } else {
        presentCanvas(canvas);
    }
    canvasPart_ = changed;
}

void FakeUi::drawInterfaceText(Image&, int x, int y, int, const std::string& text, uint32_t) {
    record("drawInterfaceText " + std::to_string(x) + " " + std::to_string(y) + " " + text);
}

std::optional<uint32_t> FakeUi::windowPixel(int x, int y) const {
    const Image* shown = window_ ? &*window_ : canvas_ ? &*canvas_ : nullptr;
    if (!window_) x -= originX_, y -= originY_;
    if (!shown || !shown->contains(x, y)) return std::nullopt;
    return shown->at(x, y) & 0xFFFFFFu;
}

std::optional<Image> FakeUi::clipboardImage() {
    record(clipboard_ ? "clipboardImage -> " + std::to_string(clipboard_->width) + "x" +
                            std::to_string(clipboard_->height)
                      : std::string("clipboardImage -> none"));
    return clipboard_;
}

bool FakeUi::openWithShell(const std::string& pathOrAddress) {
    shellOpened_.push_back(pathOrAddress);
    record("openWithShell " + pathOrAddress);
    return shellResult_;
}

void FakeUi::setCursor(CursorShape shape) {
    cursor_ = shape;
    record(std::string("setCursor ") + cursorName(shape));
}

std::vector<int> FakeUi::shownWindows() const {
    std::vector<int> numbers;
    for (const WindowDescription& w : windows_) numbers.push_back(w.number);
    return numbers;
}

const WindowDescription* FakeUi::shownWindow(int number) const {
    for (const WindowDescription& w : windows_)
        if (w.number == number) return &w;
    return nullptr;
}

void FakeUi::showWindow(const WindowDescription& window) {
    forgetWindow(window.number);
    record("showWindow " + std::to_string(window.number) + " " + window.title + " " +
           std::to_string(window.width) + "x" + std::to_string(window.height) + " controls " +
           std::to_string(window.controls.size()));
    for (const ControlDescription& c : window.controls) {
        if (c.id <= 0) continue;  // a fixed text or picture
        Gadget g;
        const bool ranged = c.kind == ControlKind::Spin || c.kind == ControlKind::TrackBar;
        g.state = ranged ? std::clamp(c.value, c.min, std::max(c.min, c.max)) : c.value;
        g.text = c.caption;
        if (c.kind == ControlKind::Combo) {
            g.items = c.items;
            g.levels.assign(c.items.size(), 0);
            if (g.state < 0 || size_t(g.state) >= g.items.size()) g.state = -1;
        }
        gadgets_[c.id] = std::move(g);
    }
    windows_.push_back(window);
}

void FakeUi::setMenuTexts(const std::map<std::string, std::string>& texts) {
    record("setMenuTexts " + std::to_string(texts.size()));
    menuTexts_ = texts;
}

void FakeUi::closeWindow(int number) {
    record("closeWindow " + std::to_string(number));
    forgetWindow(number);
}

void FakeUi::forgetWindow(int number) {
    const auto it = std::find_if(windows_.begin(), windows_.end(),
                                 [&](const WindowDescription& w) { return w.number == number; });
    if (it == windows_.end()) return;
    for (const ControlDescription& c : it->controls)
        if (c.id > 0) gadgets_.erase(c.id);
    windows_.erase(it);
}

void FakeUi::advanceClock(int64_t milliseconds) {
    if (milliseconds > 0) clock_ += std::min(milliseconds, INT64_MAX - clock_);
}

}  // namespace qm
