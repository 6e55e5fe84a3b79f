// The Ui port: everything the program asks of a windowing toolkit.
//
// This is the only abstract class of the core. The shell talks to the user only through it, so
// the whole program runs without a display: the Qt build implements it over real widgets
// (gui/qt_ui), tests and the headless script runner use FakeUi (platform/fake_ui).
//
// Gadgets (controls), menu items and status-bar fields are addressed by the program's fixed
// integer ids. Calls naming an id the implementation does not know are ignored (getters give
// 0 / empty), as a control that was never built simply does not react.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "raster/image.h"
#include "raster/rect.h"

namespace qm {

// One entry of a file requester's pattern list.
struct FilePattern {
    std::string description;  // "PNG"
    std::string pattern;      // "*.png", possibly several separated by ";"
};

// Splits a pattern list "PNG|*.png|JPEG|*.jpg" into its pairs; a last description without a
// pattern gets "*". A list without "|" ("*.qmb") is one pattern described by itself.
inline std::vector<FilePattern> parseFilePatterns(std::string_view list) {
    std::vector<FilePattern> out;
    if (list.empty()) return out;
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t bar = list.find('|', start);
        parts.emplace_back(list.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    if (parts.size() == 1) return {{parts[0], parts[0]}};
    for (size_t i = 0; i < parts.size(); i += 2)
        out.push_back({parts[i], i + 1 < parts.size() ? parts[i + 1] : std::string("*")});
    return out;
}

struct FileRequest {
    std::string title;
    std::string defaultPath;  // folder and/or file name proposed; may be empty
    std::string patterns;     // "PNG|*.png|JPEG|*.jpg" (see parseFilePatterns)
    int patternIndex = 0;     // the pattern selected when the requester opens
    bool multiple = false;    // open requester only: several files may be chosen
};

struct FileChoice {
    std::vector<std::string> paths;  // at least one on success
    int patternIndex = 0;            // the pattern selected when the user confirmed
};

// The answer to a box with Yes, No and Cancel buttons.
enum class YesNoCancel { Yes, No, Cancel };

struct UiSize {
    int width = 0;
    int height = 0;
};

enum class CursorShape { Arrow, Cross, Hand, Move, Picker, Paint, Eraser, Busy };

// What a control of a dialog window is.
// Track bars, image buttons, panels (tab pages, named by `items`) and scroll areas (holding the
// one control that names them as its container) follow the first eight.
enum class ControlKind {
    Label,
    Button,
    CheckBox,
    Spin,
    Combo,
    TextField,
    Image,
    Frame,
    TrackBar,
    ImageButton,
    Panel,
    ScrollArea,
    Canvas,  // an image that reports the pointer (LeftDown, Move, LeftUp, RightDown with x, y)
};

// One control of a dialog window. It becomes the gadget `id` while the window is shown, so the
// shell reads and sets it like any other gadget.
//
// Everything after `tab` may be left out: a control without a size is laid out below the one
// before it, and starts empty (a spin or track bar at its minimum).
struct ControlDescription {
    int id = 0;  // 0 for a fixed text or picture that is no gadget
    ControlKind kind = ControlKind::Label;
    std::string caption = {};  // the text of labels, buttons, check boxes, frames, text fields
    int min = 0, max = 0;      // the range of a spin or track bar
    std::string tab = {};      // the tab page it sits on; "" for none (below the pages)
    // Its place (x, y, width, height) in its tab page, its container or the window.
    int x = 0, y = 0, width = 0, height = 0;
    int value = 0;  // the start state: spins and track bars (kept in range), check boxes,
                    // the selected item of a combo, the page a panel shows
    std::vector<std::string> items = {};  // the items of a combo; the tab pages of a panel
    std::string tooltip = {};
    int container = 0;        // the scroll area or panel it sits in; 0 for the window
    bool alignRight = false;  // labels: the text against the right edge
    bool numeric = false;     // text fields: digits only
    int fontSize = 0;         // labels: a point size; 0 for the usual one
    bool bold = false;        // labels
    std::optional<uint32_t> background = {};  // images, labels and scroll areas: an rgb colour
};

// A dialog window as the shell describes it; the port builds it, as a tool window above the
// main window, centred on it. A control naming a tab goes on that page of the panel it names as
// container (or of the first panel); without any panel, tab pages come in the order in which
// the controls name them first. Controls follow one another in the order given; frames stay
// behind the controls they surround.
struct WindowDescription {
    int number = 0;  // the window's number, which closes it
    std::string title = {};
    int width = 0, height = 0;
    std::vector<ControlDescription> controls = {};
    // A modal window takes all input until it closes (the shell still goes on); a resizable one
    // can also be minimised; one on top stays above every other window.
    bool modal = false;
    bool resizable = false;
    bool onTop = false;
};

class Ui {
public:
    virtual ~Ui() = default;

    // --- Message boxes and requesters. Each waits for the user's answer. ---

    // A box with an OK button.
    virtual void messageBox(const std::string& title, const std::string& text) = 0;
    // A box with Yes and No buttons; true for Yes. Closing it counts as No.
    virtual bool askYesNo(const std::string& title, const std::string& text) = 0;
    // A box with Yes, No and Cancel buttons, which show the texts of `buttons` when they are given
    // ({"Save", "Discard", "Cancel"} for the question asked before unsaved changes would be
    // lost). Closing it counts as Cancel. A port without such a box asks Yes/No, and No then
    // counts as Cancel, so that nothing is ever discarded by default.
    virtual YesNoCancel askYesNoCancel(const std::string& title, const std::string& text,
                                       const std::vector<std::string>& buttons = {}) {
        (void)buttons;
        return askYesNo(title, text) ? YesNoCancel::Yes : YesNoCancel::Cancel;
    }
    // A one-line text input; nullopt on cancel.
    virtual std::optional<std::string> inputText(const std::string& title,
                                                 const std::string& message,
                                                 const std::string& defaultText) = 0;
    // File requesters; nullopt on cancel.
    virtual std::optional<FileChoice> openFileRequester(const FileRequest& request) = 0;
    virtual std::optional<FileChoice> saveFileRequester(const FileRequest& request) = 0;
    // A colour requester starting at `initial`; the answer's alpha byte is 0 (a colour built
    // from red, green and blue). nullopt on cancel.
    virtual std::optional<uint32_t> colourRequester(uint32_t initial) = 0;
    // Popup menu `number` (1: animation-layer kinds, 2: blend modes), shown at gadget `anchor`
    // (at the pointer when there is no such gadget); waits like a requester. The command id of
    // the item chosen; nullopt when the menu is dismissed. Choosing an item sends nothing else:
    // the caller acts on the answer.
    virtual std::optional<int> popupMenu(int number, int anchor) = 0;

    // --- Gadgets, by id. ---

    // The state: the value of spins, track bars, check boxes (0/1), toggle buttons (0/1) and
    // progress bars; for combos, lists and trees the selected item index (-1 for none), so
    // selecting an item is setGadgetState(id, index).
    virtual int gadgetState(int id) const = 0;
    virtual void setGadgetState(int id, int value) = 0;
    // The text of string fields, labels, buttons and frames; for combos the selected item's.
    virtual std::string gadgetText(int id) const = 0;
    virtual void setGadgetText(int id, const std::string& text) = 0;
    // Items of combos, lists and trees. `level` is the depth in a tree (0 = top level).
    // Clearing sets the state to -1; adding items leaves the state as it is.
    virtual void clearGadgetItems(int id) = 0;
    virtual void addGadgetItem(int id, const std::string& text, int level = 0) = 0;
    virtual int gadgetItemCount(int id) const = 0;
    virtual std::string gadgetItemText(int id, int index) const = 0;
    // The check box of an item of a list or tree (the layer list's visibility ticks). Items are
    // added unticked; an index out of range is ignored, and reads as unticked.
    virtual void setGadgetItemChecked(int id, int index, bool checked) {
        (void)id, (void)index, (void)checked;
    }
    virtual bool gadgetItemChecked(int id, int index) const {
        (void)id, (void)index;
        return false;
    }
    // Shows an image in an image gadget, image button or secondary canvas (swatch previews,
    // brush preview, navigator, timeline); the gadget keeps its own copy.
    virtual void setGadgetImage(int id, const Image& image) = 0;
    virtual void showGadget(int id, bool visible) = 0;
    virtual void enableGadget(int id, bool enabled) = 0;
    virtual void setFocus(int id) = 0;

    // --- Main window. ---

    // Menu items by command id.
    virtual void setMenuChecked(int commandId, bool checked) = 0;
    virtual void setMenuEnabled(int commandId, bool enabled) = 0;
    virtual void setWindowTitle(const std::string& title) = 0;
    // Status-bar field `field` (0-based) shows `text`, or a progress bar at value of maximum.
    virtual void setStatusText(int field, const std::string& text) = 0;
    virtual void setStatusProgress(int field, int value, int maximum) = 0;
    // A long task on the calling thread (an export) reports that `done` of `total` steps are
    // finished. Once the task has run for about a second the port shows its progress with a
    // Cancel button and keeps the window alive; the answer is false once the painter has asked
    // to cancel, and the task then stops. `total` 0 ends the task and closes the box. A port
    // without such a box shows nothing and never cancels.
    virtual bool taskProgress(const std::string& title, int done, int total) {
        (void)title, (void)done, (void)total;
        return true;
    }

    // --- Canvas and system services. ---

    // Shows the composed canvas image; its size is canvasSize().
    virtual void presentCanvas(const Image& canvas) = 0;
    // Shows the canvas again when only `changed` was redrawn since it was last shown, so a port
    // may copy and repaint just that rectangle. By default the whole canvas is shown.
    virtual void presentCanvasPart(const Image& canvas, const Rect& changed) {
        (void)changed;
        presentCanvas(canvas);
    }
    // The size of the canvas control, in pixels.
    virtual UiSize canvasSize() const = 0;
    // Writes `text` into `image` in the interface's small font and in `colour` (opaque), from
    // x, centred on the rows y .. y + height - 1, cut at the image's edges. Any character the
    // font has is shown (accents, symbols). A port without fonts writes nothing.
    virtual void drawInterfaceText(Image& image, int x, int y, int height, const std::string& text,
                                   uint32_t colour) {
        (void)image, (void)x, (void)y, (void)height, (void)text, (void)colour;
    }
    // The colour of the main window's pixel at (x, y) as shown on screen (window coordinates),
    // alpha 0; nullopt outside the window.
    virtual std::optional<uint32_t> windowPixel(int x, int y) const = 0;
    // The image on the clipboard, nullopt when it holds none.
    virtual std::optional<Image> clipboardImage() = 0;
    // Opens a file with its associated program, or a web address in the browser.
    virtual bool openWithShell(const std::string& pathOrAddress) = 0;
    virtual void setCursor(CursorShape shape) = 0;
    // The size of the first desktop; nullopt when it cannot be examined.
    virtual std::optional<UiSize> desktopSize() const = 0;

    // --- Dialog windows and time. ---

    // Shows the described window (not modal: the main loop goes on). A window of the same
    // number that is already shown is replaced.
    virtual void showWindow(const WindowDescription& window) = 0;
    // Closes the window of that number; its controls are gadgets no more. Unknown numbers are
    // ignored.
    virtual void closeWindow(int number) = 0;
    // The menus take the texts of `texts` (dictionary key -> text), whenever the dictionary is
    // loaded: an item whose key `texts` lacks shows empty. Check marks and enabled states are
    // kept. The port's own words (the buttons of its message boxes and requesters) come from
    // the same texts.
    virtual void setMenuTexts(const std::map<std::string, std::string>& texts) { (void)texts; }
    // Milliseconds of a clock that never goes back (its start is arbitrary), for playback and
    // other timing.
    virtual int64_t clockMilliseconds() const = 0;
};

}  // namespace qm
