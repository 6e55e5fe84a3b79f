// A Ui without a display, for tests and the headless script runner.
//
// It records every call that shows something or asks the user as one readable line (see
// calls()); plain getters are not recorded. Gadgets keep what was set, so a get returns it.
//
// Requesters take their answers from a FIFO queue of scripted answers, strictly in order: each
// requester (Yes/No box, text input, file requester, colour requester, popup menu) takes the
// next answer.
// - No answer left: the requester behaves as a cancel, and a Yes/No question as "No" (closing
//   a Yes/No box is a No, so a script that forgot an answer never confirms anything); a popup
//   menu is dismissed. A Yes/No/Cancel question takes a yes, a no or a cancel answer; without
//   one it is cancelled.
// - An answer of the wrong kind (a colour for a file requester, say) is used up, recorded as a
//   mismatch and behaves as a cancel, so one missing answer cannot shift every later answer
//   onto the wrong requester unnoticed.
// OK boxes take no answer.
//
// Dialog windows are kept as described while shown; their controls are gadgets from the show
// (the start value, kept in a spin's range; a caption as the text; a combo's items) until the
// close. The clock stands still until
// a test or script advances it.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace qm {

struct ScriptedAnswer {
    enum class Kind { Cancel, Yes, No, Text, Files, Colour, Popup };
    Kind kind = Kind::Cancel;
    std::string text;
    FileChoice files;
    uint32_t colour = 0;
    int item = 0;  // the command id a popup menu answers

    static ScriptedAnswer cancel() { return {}; }
    static ScriptedAnswer yes() { return {Kind::Yes, {}, {}, 0, 0}; }
    static ScriptedAnswer no() { return {Kind::No, {}, {}, 0, 0}; }
    static ScriptedAnswer textAnswer(std::string t) { return {Kind::Text, std::move(t), {}, 0, 0}; }
    static ScriptedAnswer filesAnswer(std::vector<std::string> paths, int patternIndex = 0) {
        return {Kind::Files, {}, {std::move(paths), patternIndex}, 0, 0};
    }
    static ScriptedAnswer colourAnswer(uint32_t c) { return {Kind::Colour, {}, {}, c, 0}; }
    // The item of a popup menu chosen, by its command id; a cancel dismisses the menu.
    static ScriptedAnswer popupAnswer(int commandId) { return {Kind::Popup, {}, {}, 0, commandId}; }
};

class FakeUi : public Ui {
public:
    // --- Script and test side. ---

    void queueAnswer(ScriptedAnswer answer) { answers_.push_back(std::move(answer)); }
    // The next long task is cancelled at its `step`-th progress report (1 = the first); the
    // painter presses Cancel once, so the task after it runs to its end again.
    void cancelTaskAt(int step) { cancelTaskAt_ = step; }
    size_t pendingAnswers() const { return answers_.size(); }
    // Answers of the wrong kind met so far (see the header comment).
    int answerMismatches() const { return mismatches_; }

    // Every recorded call, oldest first, e.g. "messageBox Error|cannot open a.png",
    // "setGadgetState 44 20", "saveFileRequester Save|default|*.qmd|0 -> cancel".
    const std::vector<std::string>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }

    // The OK and Yes/No boxes shown, in order, as "title|text".
    const std::vector<std::string>& messageBoxes() const { return boxes_; }
    const std::string& windowTitle() const { return title_; }
    std::string statusText(int field) const;
    // {value, maximum} of the last progress shown in the field, if any.
    std::optional<std::pair<int, int>> statusProgress(int field) const;
    std::vector<std::string> gadgetItems(int id) const;
    bool gadgetVisible(int id) const;  // gadgets are visible until hidden
    bool gadgetEnabled(int id) const;  // and enabled until disabled
    const Image* gadgetImage(int id) const;
    int focusedGadget() const { return focus_; }  // -1 before any setFocus
    bool menuChecked(int commandId) const;
    bool menuEnabled(int commandId) const;  // items are enabled until disabled
    CursorShape cursor() const { return cursor_; }
    // The last image passed to presentCanvas or presentCanvasPart.
    const std::optional<Image>& lastCanvas() const { return canvas_; }
    // The rectangle of the last presentCanvasPart; cleared by presentCanvas.
    const std::optional<Rect>& lastCanvasPart() const { return canvasPart_; }
    // Addresses passed to openWithShell, in order.
    const std::vector<std::string>& shellOpened() const { return shellOpened_; }

    void setCanvasSize(int width, int height) { canvasSize_ = {width, height}; }
    void setDesktopSize(std::optional<UiSize> size) { desktop_ = size; }
    void setClipboardImage(std::optional<Image> image) { clipboard_ = std::move(image); }
    // What the main window shows, for windowPixel. Without one, the window shows the last
    // presented canvas at `canvasOrigin`.
    void setWindowImage(std::optional<Image> image) { window_ = std::move(image); }
    void setCanvasOrigin(int x, int y) { originX_ = x, originY_ = y; }
    void setOpenWithShellResult(bool ok) { shellResult_ = ok; }

    // The numbers of the windows shown now, in the order they were shown.
    std::vector<int> shownWindows() const;
    // The description of a shown window; null when it is not shown.
    const WindowDescription* shownWindow(int number) const;
    // The texts the menus were last given by setMenuTexts (empty before any).
    const std::map<std::string, std::string>& menuTexts() const { return menuTexts_; }
    // Moves the clock on by `milliseconds`; a negative step is ignored (the clock never goes
    // back).
    void advanceClock(int64_t milliseconds);

    // --- The Ui port. ---

    void messageBox(const std::string& title, const std::string& text) override;
    bool askYesNo(const std::string& title, const std::string& text) override;
    YesNoCancel askYesNoCancel(const std::string& title, const std::string& text,
                               const std::vector<std::string>& buttons = {}) override;
    std::optional<std::string> inputText(const std::string& title, const std::string& message,
                                         const std::string& defaultText) override;
    std::optional<FileChoice> openFileRequester(const FileRequest& request) override;
    std::optional<FileChoice> saveFileRequester(const FileRequest& request) override;
    std::optional<uint32_t> colourRequester(uint32_t initial) override;
    std::optional<int> popupMenu(int number, int anchor) override;

    int gadgetState(int id) const override;
    void setGadgetState(int id, int value) override;
    std::string gadgetText(int id) const override;
    void setGadgetText(int id, const std::string& text) override;
    void clearGadgetItems(int id) override;
    void addGadgetItem(int id, const std::string& text, int level = 0) override;
    int gadgetItemCount(int id) const override;
    std::string gadgetItemText(int id, int index) const override;
    void setGadgetItemChecked(int id, int index, bool checked) override;
    bool gadgetItemChecked(int id, int index) const override;
    void setGadgetImage(int id, const Image& image) override;
    void showGadget(int id, bool visible) override;
    void enableGadget(int id, bool enabled) override;
    void setFocus(int id) override;

    void setMenuChecked(int commandId, bool checked) override;
    void setMenuEnabled(int commandId, bool enabled) override;
    void setWindowTitle(const std::string& title) override;
    void setStatusText(int field, const std::string& text) override;
    void setStatusProgress(int field, int value, int maximum) override;
    // Recorded as "taskProgress DONE/TOTAL"; answers false from the step set by
    // cancelTaskAt on, until the task ends.
    bool taskProgress(const std::string& title, int done, int total) override;

    void presentCanvas(const Image& canvas) override;
    void presentCanvasPart(const Image& canvas, const Rect& changed) override;
    UiSize canvasSize() const override { return canvasSize_; }
    // Writes nothing; recorded as "drawInterfaceText X Y TEXT".
    void drawInterfaceText(Image& image, int x, int y, int height, const std::string& text,
                           uint32_t colour) override;
    std::optional<uint32_t> windowPixel(int x, int y) const override;
    std::optional<Image> clipboardImage() override;
    bool openWithShell(const std::string& pathOrAddress) override;
    void setCursor(CursorShape shape) override;
    std::optional<UiSize> desktopSize() const override { return desktop_; }

    void showWindow(const WindowDescription& window) override;
    void closeWindow(int number) override;
    void setMenuTexts(const std::map<std::string, std::string>& texts) override;
    int64_t clockMilliseconds() const override { return clock_; }

private:
    struct Gadget {
        int state = 0;
        std::string text;
        std::vector<std::string> items;
        std::vector<int> levels;
        std::vector<bool> checked;
        bool visible = true;
        bool enabled = true;
        std::optional<Image> image;
    };
    struct Status {
        std::string text;
        std::optional<std::pair<int, int>> progress;
    };

    // The next answer if it is one of `accepted` kinds (Cancel always is); nullopt otherwise.
    std::optional<ScriptedAnswer> takeAnswer(std::initializer_list<ScriptedAnswer::Kind> accepted,
                                             const std::string& requester);
    std::optional<FileChoice> fileRequester(const char* name, const FileRequest& request);
    void record(std::string entry) { calls_.push_back(std::move(entry)); }
    const Gadget* findGadget(int id) const;
    // Drops a shown window and its controls' gadgets.
    void forgetWindow(int number);

    std::deque<ScriptedAnswer> answers_;
    int mismatches_ = 0;
    int cancelTaskAt_ = 0;  // 0: no cancel asked
    int taskSteps_ = 0;     // progress reports of the running task
    bool taskCancelled_ = false;
    std::vector<std::string> calls_;
    std::vector<std::string> boxes_;
    std::string title_;
    std::map<int, Status> status_;
    std::map<int, Gadget> gadgets_;
    std::map<int, bool> menuChecked_;
    std::map<int, bool> menuEnabled_;
    int focus_ = -1;
    CursorShape cursor_ = CursorShape::Arrow;
    void recordPresent(const Image& canvas);

    std::optional<Image> canvas_;
    std::optional<Rect> canvasPart_;
    std::optional<Image> window_;
    std::optional<Image> clipboard_;
    std::vector<std::string> shellOpened_;
    bool shellResult_ = true;
    UiSize canvasSize_{1200, 800};
    std::optional<UiSize> desktop_ = UiSize{1920, 1080};
    int originX_ = 0;
    int originY_ = 0;
    std::vector<WindowDescription> windows_;  // shown now, in showing order
    std::map<std::string, std::string> menuTexts_;
    int64_t clock_ = 0;
};

}  // namespace qm
