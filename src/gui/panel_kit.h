// Small makers for the panels' controls. Each control is made with its gadget id, range, size
// and tool tip, and noted in the kit's list, from which the window registers the gadgets and
// gives the tool tips their dictionary texts.
#pragma once

#include <QSize>
#include <QString>
#include <string>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class QTabWidget;
class QToolButton;
class QWidget;

namespace qm {

class CanvasWidget;

struct PanelGadget {
    int id = 0;
    QWidget* widget = nullptr;
    // Tool tip: a dictionary key, or with a leading '=' a literal text; empty for none.
    std::string tip;
    bool mirror = false;  // a second widget of the same gadget (see GadgetRegistry::addMirror)
};

// An image button and the interface image it shows.
struct IconUse {
    QAbstractButton* button = nullptr;
    QString file;       // in the icon folder
    bool tool = false;  // a tool button: its checked state shows the "selected" overlay
};

// A tab page and the title it takes: a dictionary key, or with a leading '=' a literal text.
struct PageTitle {
    QWidget* page = nullptr;
    std::string title;
};

// A caption a widget shows, as a dictionary key (or with a leading '=' a literal text): a frame's
// title, a button's, check box's or label's text, an item of a combo (`item` >= 0), or the
// window title of a dock or a bar.
struct Caption {
    QWidget* widget = nullptr;
    std::string key;
    int item = -1;
};

class PanelKit {
public:
    std::vector<PanelGadget> gadgets;
    std::vector<IconUse> icons;
    std::vector<PageTitle> pages;
    std::vector<Caption> captions;
    // While set, the controls made are mirrors of gadgets made earlier.
    bool mirrors = false;

    // Captions, titles and items are dictionary keys (see Caption); the texts are given by
    // the work space's applyTexts.
    QSpinBox* spin(int id, int min, int max, int width, std::string tip = {});
    QSlider* track(int id, int min, int max, int width, std::string tip = {});
    QCheckBox* check(int id, std::string caption, std::string tip = {});
    QComboBox* combo(int id, const std::vector<std::string>& items, int width,
                     std::string tip = {});
    QGroupBox* frame(int id, std::string title);
    QPushButton* button(int id, std::string caption, QSize size, std::string tip = {});
    QToolButton* imageButton(int id, const QString& iconFile, QSize size, bool toggle,
                             std::string tip = {}, bool tool = false);
    // An image gadget; `clickable` ones (the colour previews) are flat buttons sending Click.
    QWidget* image(int id, QSize size, bool clickable = false, std::string tip = {});
    CanvasWidget* canvas(int id, QSize size, std::string tip = {});
    QScrollArea* scroll(int id, QWidget* inner);
    QLabel* text(int id, std::string caption);
    // A caption that is no gadget (the words beside a spin).
    QLabel* label(std::string caption);
    // Any widget's caption (a dock's or a bar's window title).
    void caption(QWidget* widget, std::string key, int item = -1);
    // Any other widget (containers, splitters, tab panels) under its id.
    void note(int id, QWidget* widget);
    // Adds `page` to `tabs` with its title (see PageTitle).
    void addPage(QTabWidget* tabs, QWidget* page, std::string title);
    // A spin and its track bar side by side.
    QWidget* spinTrackRow(int spinId, int trackId, int min, int max, int trackMax,
                          std::string tip = {});
};

}  // namespace qm
