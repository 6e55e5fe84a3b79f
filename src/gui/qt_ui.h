// The Ui port over real Qt widgets.
//
// Message boxes and requesters are modal dialogs: they run a nested event loop, so the window
// keeps painting while the shell waits for the answer (the loop driver holds back its idle
// passes meanwhile). Gadgets are reached through the registry; the main window provides the
// menus, the status bar and the canvas.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <functional>
#include <map>
#include <vector>

#include "gui/dialog_builder.h"
#include "gui/gadget_registry.h"
#include "gui/main_window.h"
#include "platform/ui.h"

namespace qm {

class QtUi : public Ui {
public:
    QtUi() { clock_.start(); }

    // Connects the port to the main window and registers its canvas as gadget 3.
    void attach(MainWindow* window);
    MainWindow* window() const { return window_.data(); }
    GadgetRegistry& gadgets() { return gadgets_; }

    void messageBox(const std::string& title, const std::string& text) override;
    bool askYesNo(const std::string& title, const std::string& text) override;
    YesNoCancel askYesNoCancel(const std::string& title, const std::string& text,
                               const std::vector<std::string>& buttons = {}) override;
    std::optional<std::string> inputText(const std::string& title, const std::string& message,
                                         const std::string& defaultText) override;
    std::optional<FileChoice> openFileRequester(const FileRequest& request) override;
    std::optional<FileChoice> saveFileRequester(const FileRequest& request) override;
    std::optional<uint32_t> colourRequester(uint32_t initial) override;
    // The main window's popup, opened below the anchor gadget's widget (at the pointer without
    // one) in a nested event loop like the requesters'.
    std::optional<int> popupMenu(int number, int anchor) override;

    int gadgetState(int id) const override { return gadgets_.state(id); }
    void setGadgetState(int id, int value) override;
    std::string gadgetText(int id) const override { return gadgets_.text(id); }
    void setGadgetText(int id, const std::string& text) override { gadgets_.setText(id, text); }
    void clearGadgetItems(int id) override { gadgets_.clearItems(id); }
    void addGadgetItem(int id, const std::string& text, int level = 0) override {
        gadgets_.addItem(id, text, level);
    }
    int gadgetItemCount(int id) const override { return gadgets_.itemCount(id); }
    std::string gadgetItemText(int id, int index) const override {
        return gadgets_.itemText(id, index);
    }
    void setGadgetItemChecked(int id, int index, bool checked) override {
        gadgets_.setItemChecked(id, index, checked);
    }
    bool gadgetItemChecked(int id, int index) const override {
        return gadgets_.itemChecked(id, index);
    }
    void setGadgetImage(int id, const Image& image) override { gadgets_.setImage(id, image); }
    void showGadget(int id, bool visible) override { gadgets_.show(id, visible); }
    void enableGadget(int id, bool enabled) override { gadgets_.enable(id, enabled); }
    void setFocus(int id) override { gadgets_.focus(id); }

    void setMenuChecked(int commandId, bool checked) override;
    void setMenuEnabled(int commandId, bool enabled) override;
    void setWindowTitle(const std::string& title) override;
    void setStatusText(int field, const std::string& text) override;
    void setStatusProgress(int field, int value, int maximum) override;
    bool taskProgress(const std::string& title, int done, int total) override;

    void presentCanvas(const Image& canvas) override;
    void presentCanvasPart(const Image& canvas, const Rect& changed) override;
    UiSize canvasSize() const override;
    void drawInterfaceText(Image& image, int x, int y, int height, const std::string& text,
                           uint32_t colour) override;
    std::optional<uint32_t> windowPixel(int x, int y) const override;
    std::optional<Image> clipboardImage() override;
    bool openWithShell(const std::string& pathOrAddress) override;
    void setCursor(CursorShape shape) override;
    std::optional<UiSize> desktopSize() const override;

    // A window is built from its description (gui/dialog_builder.h): controls with a place
    // sit there, the others one below the other. Closing it, by the port or by its frame,
    // deletes it, and its controls leave the gadget registry with it.
    void showWindow(const WindowDescription& window) override;
    void closeWindow(int number) override;
    void setMenuTexts(const std::map<std::string, std::string>& texts) override;
    int64_t clockMilliseconds() const override { return clock_.elapsed(); }
    // The dialog of a shown window; null when it is not shown.
    QDialog* shownWindow(int number) const;
    // Where a close request of a shown window (its frame's close box, Escape) goes: the shell,
    // which closes it with closeWindow. Without a sink the window closes at once.
    void setWindowCloseSink(std::function<void(int number)> sink) {
        windowCloseSink_ = std::move(sink);
    }

    // The gadget id of the main window's painting canvas.
    static constexpr int kCanvasGadget = 3;
    // The tool column's buttons: gadget id = tool code.
    static constexpr int kFirstToolGadget = 4, kLastToolGadget = 17;

private:
    std::optional<FileChoice> fileRequester(const FileRequest& request, bool save);
    // The dictionary's text of `key`; `builtIn` while it has none (a button must say something).
    QString word(const char* key, const char* builtIn) const;
    // The window a dialog belongs to: the active one, else the main window.
    QWidget* dialogParent() const;

    QPointer<MainWindow> window_;
    GadgetRegistry gadgets_;
    struct ShownWindow {
        QPointer<DescribedDialog> dialog;
        std::vector<int> controls;
    };
    std::map<int, ShownWindow> windows_;
    std::function<void(int)> windowCloseSink_;
    std::map<std::string, std::string> texts_;  // the dictionary, as setMenuTexts gave it
    QElapsedTimer clock_;
    QPointer<QProgressDialog> progress_;  // the running long task's box, made on its first report
};

}  // namespace qm
