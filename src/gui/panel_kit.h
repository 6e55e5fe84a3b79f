// Small makers for the panels' controls. Each control is made with its gadget and its size; its
// range, items and tool tip come from the gadget table (shell/gadget_table.h), the very rows the
// shell keeps the states within. Every control is noted in the kit's list, from which the
// window registers the gadgets and gives the tool tips their dictionary texts.
#pragma once

#include <QSize>
#include <QString>
#include <string>
#include <vector>

#include "shell/ids.h"

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
    // the work space's applyTexts. A gadget's range, items and tool tip are its row's; a
    // mirror takes the same row (the options bar's rotation check box that of the spin).
    QSpinBox* spin(Gadget gadget, int width);
    QSlider* track(Gadget gadget, int width);
    QCheckBox* check(Gadget gadget, std::string caption);
    QComboBox* combo(Gadget gadget, int width);
    QGroupBox* frame(Gadget gadget, std::string title);
    QPushButton* button(Gadget gadget, std::string caption, QSize size);
    QToolButton* imageButton(Gadget gadget, const QString& iconFile, QSize size, bool toggle);
    // An image gadget; `clickable` ones (the colour previews) are flat buttons sending Click.
    QWidget* image(Gadget gadget, QSize size, bool clickable = false);
    CanvasWidget* canvas(Gadget gadget, QSize size);
    QScrollArea* scroll(Gadget gadget, QWidget* inner);
    QLabel* text(Gadget gadget, std::string caption);
    // A caption that is no gadget (the words beside a spin).
    QLabel* label(std::string caption);
    // Any widget's caption (a dock's or a bar's window title).
    void caption(QWidget* widget, std::string key, int item = -1);
    // Any other widget (containers, splitters, tab panels, trees) under its gadget, with its
    // row's tool tip.
    void note(Gadget gadget, QWidget* widget);
    // Adds `page` to `tabs` with its title (see PageTitle).
    void addPage(QTabWidget* tabs, QWidget* page, std::string title);
    // A spin and its track bar side by side, each with its own row's range.
    QWidget* spinTrackRow(Gadget spin, Gadget track);

    // Gadgets that are no rows of the gadget table: the work space's containers, and the tool
    // column's buttons, whose tips are the tool table's.
    void note(int id, QWidget* widget);
    QToolButton* imageButton(int id, const QString& iconFile, QSize size, bool toggle,
                             std::string tip = {}, bool tool = false);
    QWidget* image(int id, QSize size, bool clickable = false, std::string tip = {});
};

}  // namespace qm
