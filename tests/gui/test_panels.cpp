// The main window's panels over a started program on the offscreen platform: every gadget of
// the panels exists with its range and sends its events, the controls show the records, the
// work spaces switch cleanly, the layer ticks hide layers, and the interface images load.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gui/canvas_widget.h"
#include "gui/loop_driver.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "gui/work_space.h"
#include "io/animation_files.h"
#include "qt_test_env.h"
#include "shell/app.h"
#include "shell/commands/animation_commands.h"
#include "shell/commands/brush_commands.h"
#include "shell/commands/preset_commands.h"
#include "shell/events.h"
#include "shell/gadget_table.h"
#include "shell/panels/brush_fields.h"
#include "shell/panels/colour_panel.h"
#include "shell/panels/navigator.h"
#include "shell/panels/panels.h"
#include "shell/panels/preset_panel.h"
#include "shell/panels/swatch.h"
#include "shell/panels/timeline.h"
#include "shell/settings/dictionary.h"
#include "test_program.h"

namespace qm {
namespace {

// Full screen stays off and the status bar on, whatever the shell's flags.
struct Program : test::TestProgram {
    Program()
        : TestProgram("panels", [this] {
              return LoopDriver::ShellState{app.QuitRequested, false, true, app.iface.Interface,
                                            app.iface.animationPanel != 0};
          }) {
        startUp();
    }
    void command(int id) { emit window.commandTriggered(id); }
};

enum class Kind { Spin, Track, Check, Combo, Button, Image, Canvas, Tree, Other };

// The ranges and items are the gadget table's, the very rows the shell keeps states within.
struct GadgetCase {
    int id;
    Kind kind;
};

// Every gadget of the main window's panels, tool column and tool options.
const std::vector<GadgetCase> kGadgets = {
    // Tool column and its previews.
    {4, Kind::Button},
    {5, Kind::Button},
    {8, Kind::Button},
    {9, Kind::Button},
    {10, Kind::Button},
    {11, Kind::Button},
    {12, Kind::Button},
    {13, Kind::Button},
    {14, Kind::Button},
    {15, Kind::Button},
    {16, Kind::Button},
    {17, Kind::Button},
    {18, Kind::Button},
    {20, Kind::Button},
    {81, Kind::Image},
    // Colour tab.
    {21, Kind::Button},
    {22, Kind::Button},
    {23, Kind::Image},
    {28, Kind::Image},
    {118, Kind::Image},
    {119, Kind::Canvas},
    {120, Kind::Canvas},
    {121, Kind::Other},
    {122, Kind::Other},
    {123, Kind::Other},
    {29, Kind::Other},
    {30, Kind::Other},
    {124, Kind::Other},
    // Tool options, "Brush".
    {32, Kind::Combo},
    {33, Kind::Combo},
    {52, Kind::Spin},
    {53, Kind::Check},
    {43, Kind::Other},
    {44, Kind::Spin},
    {45, Kind::Track},
    {46, Kind::Spin},
    {47, Kind::Spin},
    {48, Kind::Spin},
    {49, Kind::Spin},
    {50, Kind::Spin},
    {51, Kind::Spin},
    {36, Kind::Other},
    {37, Kind::Track},
    {38, Kind::Track},
    {39, Kind::Track},
    {40, Kind::Track},
    {41, Kind::Track},
    {42, Kind::Track},
    // "Alpha", "Dyn", "Color".
    {54, Kind::Other},
    {56, Kind::Spin},
    {55, Kind::Track},
    {60, Kind::Check},
    {58, Kind::Spin},
    {59, Kind::Spin},
    {73, Kind::Other},
    {74, Kind::Spin},
    {75, Kind::Spin},
    {76, Kind::Other},
    {78, Kind::Spin},
    {79, Kind::Track},
    {80, Kind::Check},
    // The pen's settings on the "Dyn" tab.
    {350, Kind::Check},
    {351, Kind::Check},
    {352, Kind::Check},
    {353, Kind::Track},
    {64, Kind::Other},
    {65, Kind::Spin},
    {66, Kind::Track},
    {68, Kind::Spin},
    {69, Kind::Track},
    {70, Kind::Other},
    {71, Kind::Spin},
    {72, Kind::Track},
    // Swatch, roughboard, gradient.
    {109, Kind::Button},
    {107, Kind::Button},
    {108, Kind::Button},
    {105, Kind::Other},
    {106, Kind::Canvas},
    {114, Kind::Button},
    {112, Kind::Button},
    {113, Kind::Button},
    {110, Kind::Other},
    {111, Kind::Canvas},
    {115, Kind::Track},
    // Layer panel.
    {83, Kind::Other},
    {85, Kind::Combo},
    {86, Kind::Track},
    {84, Kind::Tree},
    {87, Kind::Button},
    {88, Kind::Button},
    {89, Kind::Button},
    {90, Kind::Button},
    {91, Kind::Button},
    {93, Kind::Button},
    {95, Kind::Button},
    {94, Kind::Button},
    {92, Kind::Tree},
    {96, Kind::Other},
    {97, Kind::Other},
    {99, Kind::Button},
    {98, Kind::Button},
    {100, Kind::Other},
    {101, Kind::Button},
    {102, Kind::Other},
    {103, Kind::Other},
    // Lower right panel and navigator.
    {104, Kind::Other},
    {125, Kind::Other},
    {117, Kind::Combo},
    {116, Kind::Canvas},
    // Animation panel.
    {126, Kind::Other},
    {130, Kind::Other},
    {131, Kind::Other},
    {140, Kind::Button},
    {141, Kind::Button},
    {154, Kind::Image},
    {155, Kind::Spin},
    {156, Kind::Spin},
    {158, Kind::Spin},
    {157, Kind::Spin},
    {159, Kind::Spin},
    {147, Kind::Button},
    {146, Kind::Button},
    {145, Kind::Button},
    {144, Kind::Button},
    {149, Kind::Button},
    {139, Kind::Other},
    {142, Kind::Canvas},
    {135, Kind::Button},
    {136, Kind::Button},
    {137, Kind::Other},
    {138, Kind::Canvas},
};

// Acts on the widget as a user would; the event goes through the registry's signals.
void actOn(QWidget* w, Kind kind) {
    switch (kind) {
        case Kind::Spin: {
            auto* spin = qobject_cast<QSpinBox*>(w);
            spin->setValue(spin->value() == spin->minimum() ? spin->minimum() + 1
                                                            : spin->minimum());
            break;
        }
        case Kind::Track: {
            auto* slider = qobject_cast<QSlider*>(w);
            slider->setValue(slider->value() == slider->minimum() ? slider->maximum()
                                                                  : slider->minimum());
            break;
        }
        case Kind::Check:
        case Kind::Button:
            qobject_cast<QAbstractButton*>(w)->click();
            break;
        case Kind::Combo:
            emit qobject_cast<QComboBox*>(w)->activated(0);
            break;
        case Kind::Canvas: {
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w, &press);
            break;
        }
        case Kind::Tree: {
            auto* tree = qobject_cast<QTreeWidget*>(w);
            if (tree->topLevelItemCount() == 0) new QTreeWidgetItem(tree, {"row"});
            emit tree->itemClicked(tree->topLevelItem(0), 0);
            QCoreApplication::processEvents();
            break;
        }
        default:
            break;
    }
}

TEST(Panels, EveryGadgetIsRegisteredWithItsRangeAndSendsItsEvent) {
    Program program;
    std::vector<ControlEvent> sent;
    program.ui.gadgets().setControlSink([&](const ControlEvent& e) { sent.push_back(e); });
    for (const GadgetCase& g : kGadgets) {
        SCOPED_TRACE("gadget " + std::to_string(g.id));
        QWidget* w = program.ui.gadgets().widget(g.id);
        ASSERT_NE(w, nullptr);
        if (g.kind == Kind::Spin || g.kind == Kind::Track || g.kind == Kind::Combo) {
            const GadgetRow* row = gadgetRow(g.id);
            ASSERT_NE(row, nullptr);
            const bool ofItsKind = (g.kind == Kind::Spin && qobject_cast<QSpinBox*>(w)) ||
                                   (g.kind == Kind::Track && qobject_cast<QSlider*>(w)) ||
                                   (g.kind == Kind::Combo && qobject_cast<QComboBox*>(w));
            ASSERT_TRUE(ofItsKind);
            // The widget and its mirrors of the same type (the options bar's rotation is a
            // check box) offer the row's range or items.
            for (QWidget* shown : program.ui.gadgets().widgets(g.id)) {
                if (const auto* spin = qobject_cast<QSpinBox*>(shown)) {
                    EXPECT_EQ(spin->minimum(), row->min);
                    EXPECT_EQ(spin->maximum(), row->max);
                } else if (const auto* slider = qobject_cast<QSlider*>(shown)) {
                    EXPECT_EQ(slider->minimum(), row->min);
                    EXPECT_EQ(slider->maximum(), row->max);
                } else if (const auto* combo = qobject_cast<QComboBox*>(shown)) {
                    EXPECT_EQ(combo->count(), int(row->items.size()));
                }
            }
        }
        if (g.kind == Kind::Other || g.kind == Kind::Image) continue;
        if (g.id == 12) {  // the pattern tool's button: disabled, it sends nothing
            EXPECT_FALSE(w->isEnabled());
            continue;
        }
        sent.clear();
        actOn(w, g.kind);
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front().gadget, g.id);
    }
    // Programmatic changes are not user events.
    sent.clear();
    program.ui.setGadgetState(44, 77);
    program.ui.setGadgetState(84, 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(sent.empty());
}

TEST(Panels, ControlsShowTheRecordsAndSpinsStayInStepWithTheirTrackBars) {
    Program program;
    auto* spin = qobject_cast<QSpinBox*>(program.ui.gadgets().widget(44));
    auto* track = qobject_cast<QSlider*>(program.ui.gadgets().widget(45));
    EXPECT_EQ(spin->value(), program.app.brush.size);
    EXPECT_EQ(track->value(), program.app.brush.size);

    program.app.brush.size = 40;
    program.app.brush.alpha = 99;
    refreshPanelControls(program.app);
    EXPECT_EQ(spin->value(), 40);
    EXPECT_EQ(track->value(), 40);
    EXPECT_EQ(program.ui.gadgetState(56), 99);
    // The options bar's mirror of the size shows the same.
    for (QWidget* w : program.ui.gadgets().widgets(44))
        EXPECT_EQ(qobject_cast<QSpinBox*>(w)->value(), 40);

    // The user drags the track bar: the spin follows, and the record.
    track->setValue(77);
    EXPECT_EQ(program.app.brush.size, 77);
    EXPECT_EQ(spin->value(), 77);
    // The spin goes past the track bar's end: the track bar stops at 300.
    spin->setValue(1000);
    EXPECT_EQ(program.app.brush.size, 1000);
    EXPECT_EQ(track->value(), 300);
    // A change in the classic options bar reaches the same record and the tabs' spin.
    const std::vector<QWidget*> sizes = program.ui.gadgets().widgets(44);
    ASSERT_EQ(sizes.size(), 2u);
    qobject_cast<QSpinBox*>(sizes[1])->setValue(12);
    EXPECT_EQ(program.app.brush.size, 12);
    EXPECT_EQ(spin->value(), 12);
}

int checkedColumnButtons(Program& program, int* which = nullptr) {
    int count = 0;
    for (int id = 4; id <= 17; ++id) {
        auto* b = qobject_cast<QAbstractButton*>(program.ui.gadgets().widget(id));
        if (b && b->isChecked()) {
            ++count;
            if (which) *which = id;
        }
    }
    return count;
}

int checkedToolBarButtons(Program& program, int* which = nullptr) {
    int count = 0;
    for (int id = 51; id <= 65; ++id) {
        QAction* a = program.window.workSpace().toolAction(id);
        if (a && a->isChecked()) {
            ++count;
            if (which) *which = id;
        }
    }
    return count;
}

TEST(Panels, SwitchingWorkSpacesLeavesOneSetOfToolButtonsWithTheToolHighlighted) {
    Program program;
    WorkSpace& space = program.window.workSpace();
    const auto visible = [&](QWidget* w) { return w->isVisibleTo(&program.window); };
    for (int i = 0; i < 10; ++i) {
        const bool classic = i % 2 == 0;
        program.command(classic ? 76 : 75);
        EXPECT_EQ(space.mode(), classic ? 0 : 1);
        EXPECT_NE(visible(space.toolBar()), visible(space.toolColumnDock()));
        EXPECT_EQ(visible(space.toolBar()), !classic);
        EXPECT_EQ(visible(space.toolOptionsDock()), !classic);
        EXPECT_EQ(visible(space.optionsBar()), classic);
        // The panels were not built again: one widget per gadget, two for the mirrored ones.
        EXPECT_EQ(program.ui.gadgets().widgets(4).size(), 1u);
        EXPECT_EQ(program.ui.gadgets().widgets(44).size(), 2u);
    }
    // A panel the user closed stays closed through other commands; choosing the work space
    // again brings it back.
    program.command(75);
    space.toolOptionsDock()->close();
    program.command(38);
    EXPECT_FALSE(visible(space.toolOptionsDock()));
    program.command(75);
    EXPECT_TRUE(visible(space.toolOptionsDock()));
    // The window's bar menu never offers the tool buttons' bars.
    EXPECT_FALSE(space.toolBar()->toggleViewAction()->isVisible());
    EXPECT_FALSE(space.toolColumnDock()->toggleViewAction()->isVisible());

    // Classic: the fill button of the column; the tool bar follows.
    program.command(76);
    qobject_cast<QAbstractButton*>(program.ui.gadgets().widget(10))->click();
    int column = 0, bar = 0;
    EXPECT_EQ(program.app.CurrentTool, Tool::Fill);
    EXPECT_EQ(checkedColumnButtons(program, &column), 1);
    EXPECT_EQ(column, 10);
    EXPECT_EQ(checkedToolBarButtons(program, &bar), 1);
    EXPECT_EQ(bar, 57);
    // Paint: the tool bar's zoom; the column follows.
    program.command(75);
    space.toolAction(64)->trigger();
    EXPECT_EQ(program.app.CurrentTool, Tool::Zoom);
    EXPECT_EQ(checkedToolBarButtons(program, &bar), 1);
    EXPECT_EQ(bar, 64);
    EXPECT_EQ(checkedColumnButtons(program, &column), 1);
    EXPECT_EQ(column, 16);
}

// Gadget 59 is shown twice, in the "Alpha" tab and on the options bar, each offering 1 to 15: a
// 0 set in either is shown and stored as 1.
TEST(Panels, OpacityJitterFactorOffersOneRangeInBothPlaces) {
    Program program;
    const std::vector<QWidget*> shown = program.ui.gadgets().widgets(59);
    ASSERT_EQ(shown.size(), 2u);
    auto* tab = qobject_cast<QSpinBox*>(shown[0]);
    auto* bar = qobject_cast<QSpinBox*>(shown[1]);
    ASSERT_TRUE(tab && bar);
    for (const QSpinBox* spin : {tab, bar}) {
        EXPECT_EQ(spin->minimum(), 1);
        EXPECT_EQ(spin->maximum(), 15);
    }
    program.command(75);
    tab->setValue(7);
    EXPECT_EQ(program.app.brush.alphaFactorVsTime, 7);
    tab->setValue(0);
    EXPECT_EQ(program.app.brush.alphaFactorVsTime, 1);
    EXPECT_EQ(bar->value(), 1);
}

// The options bar's brush mode and type combos offer every item of the tabs' ones, so a mode or
// type chosen in the "paint" work space is shown in the "classic" one.
TEST(Panels, OptionsBarCombosShowEveryModeAndType) {
    Program program;
    program.command(75);
    const std::vector<QWidget*> modes = program.ui.gadgets().widgets(32);
    const std::vector<QWidget*> types = program.ui.gadgets().widgets(33);
    ASSERT_EQ(modes.size(), 2u);
    ASSERT_EQ(types.size(), 2u);
    auto* modeTab = qobject_cast<QComboBox*>(modes[0]);
    auto* typeTab = qobject_cast<QComboBox*>(types[0]);
    ASSERT_TRUE(modeTab && typeTab);
    modeTab->setCurrentIndex(4);  // the last mode, "Smudge", chosen by the user
    emit modeTab->activated(4);
    typeTab->setCurrentIndex(6);  // the last type
    emit typeTab->activated(6);
    EXPECT_EQ(program.app.brush.tool, 4);
    EXPECT_EQ(program.app.brush.type, 6);
    program.command(76);
    EXPECT_EQ(qobject_cast<QComboBox*>(modes[1])->currentIndex(), 4);
    EXPECT_EQ(qobject_cast<QComboBox*>(types[1])->currentIndex(), 6);
    EXPECT_EQ(qobject_cast<QComboBox*>(modes[1])->currentText(), modeTab->itemText(4));
}

// With the full lists its combos are wider, yet the options bar still shows every control in
// the maximised window: none goes into the bar's overflow menu.
TEST(Panels, OptionsBarFitsTheWindow) {
    Program program;
    program.window.openMaximized();
    program.command(76);
    QCoreApplication::processEvents();
    const QToolBar* bar = program.window.workSpace().optionsBar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_LE(bar->sizeHint().width(), bar->width());
}

// The pattern tool has no behaviour: its buttons are disabled in both work spaces.
TEST(Panels, PatternButtonsAreDisabled) {
    Program program;
    EXPECT_FALSE(program.window.workSpace().toolAction(59)->isEnabled());
    EXPECT_TRUE(program.window.workSpace().toolAction(58)->isEnabled());
    EXPECT_FALSE(program.ui.gadgets().widget(12)->isEnabled());
    EXPECT_TRUE(program.ui.gadgets().widget(11)->isEnabled());
}

// The add-animation-layer button opens popup 1 below itself; the kind chosen is added once.
TEST(Panels, AddAnimationLayerButtonOpensThePopupOfKinds) {
    Program program;
    program.window.openMaximized();
    program.driver.start();
    QCoreApplication::processEvents();
    QWidget* button = program.ui.gadgets().widget(135);
    ASSERT_NE(button, nullptr);
    QMenu* popup = program.window.popupMenu(1);
    QPoint openedAt;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!popup->isVisible()) return;
        poll.stop();
        openedAt = popup->pos();
        QAction* camera = program.window.menuAction(104);
        popup->setActiveAction(camera);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(popup, &enter);
    });
    poll.start();
    QTimer::singleShot(5000, &poll, [popup] { popup->close(); });  // a failing test ends
    qobject_cast<QAbstractButton*>(button)->click();
    // Below the button's left edge (the screen may push it up to fit).
    EXPECT_EQ(openedAt.x(), button->mapToGlobal(QPoint(0, 0)).x());
    ASSERT_EQ(program.app.doc.animationLayers.size(), 2u);
    EXPECT_EQ(findCurrentAnimationLayer(program.app.doc)->Kind, 3);

    // Dismissed: nothing is added.
    QTimer::singleShot(50, popup, [popup] { popup->close(); });
    qobject_cast<QAbstractButton*>(button)->click();
    EXPECT_EQ(program.app.doc.animationLayers.size(), 2u);
}

TEST(Panels, UntickingALayerHidesItOnTheCanvasAndTickingShowsIt) {
    Program program;
    program.driver.start();
    QCoreApplication::processEvents();
    // The document is larger than the canvas and centred: the canvas's centre is on it.
    const QPoint at(program.window.canvas().image().width() / 2,
                    program.window.canvas().image().height() / 2);
    const QRgb paper = program.window.canvas().image().pixel(at);
    // A stroke of opaque red through the point.
    program.app.brush.alpha = 255;
    program.app.brush.selectedColor = 0xFF0000FFu;
    colourChanged(program.app, false);
    for (const auto& [type, x] : {std::pair{CanvasEventType::LeftDown, at.x() - 10},
                                  std::pair{CanvasEventType::Move, at.x() + 10},
                                  std::pair{CanvasEventType::LeftUp, at.x() + 10}})
        program.driver.sendCanvas({.type = type, .x = x, .y = at.y(), .leftHeld = true});
    QCoreApplication::processEvents();
    const QRgb painted = program.window.canvas().image().pixel(at);
    ASSERT_NE(painted, paper);

    auto* tree = qobject_cast<QTreeWidget*>(program.ui.gadgets().widget(84));
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* row = tree->topLevelItem(0);
    EXPECT_EQ(row->checkState(0), Qt::Checked);
    row->setCheckState(0, Qt::Unchecked);  // as a click on the box does
    QCoreApplication::processEvents();
    EXPECT_EQ(program.app.doc.layers[0].Visible, 0);
    EXPECT_EQ(program.window.canvas().image().pixel(at), paper);
    // The list was rebuilt from the document and keeps the tick off.
    EXPECT_EQ(tree->topLevelItem(0)->checkState(0), Qt::Unchecked);

    tree->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QCoreApplication::processEvents();
    EXPECT_EQ(program.app.doc.layers[0].Visible, 1);
    EXPECT_EQ(program.window.canvas().image().pixel(at), painted);

    // The tick of a row other than the current one hides that row's layer.
    program.command(48);  // a second layer, which becomes the current one
    QCoreApplication::processEvents();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    const int current = program.ui.gadgetState(84);
    const int other = 1 - current;
    tree->topLevelItem(other)->setCheckState(0, Qt::Unchecked);
    QCoreApplication::processEvents();
    EXPECT_EQ(program.app.doc.layers[size_t(other)].Visible, 0);
    EXPECT_EQ(program.app.doc.layers[size_t(current)].Visible, 1);
}

// The opacity track bar shows its value, whether the shell or the user moved it.
TEST(Panels, LayerOpacityTrackBarShowsItsValue) {
    Program program;
    auto* value = program.window.findChild<QLabel*>("LayerOpacityValue");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->text(), "255");
    program.ui.setGadgetState(86, 128);
    EXPECT_EQ(value->text(), "128");
    auto* track = qobject_cast<QSlider*>(program.ui.gadgets().widget(86));
    ASSERT_NE(track, nullptr);
    track->setValue(77);  // as a drag does
    QCoreApplication::processEvents();
    EXPECT_EQ(value->text(), "77");
    EXPECT_EQ(program.app.doc.layers[0].Opacity, 77);
}

TEST(Panels, ToolTipsAndTabTitlesComeFromTheDictionary) {
    Program program;
    program.window.rebuildMenus(
        {{"BrushSize", "Taille"}, {"Brush", "Pinceau"}, {"Layers", "Calques"}});
    EXPECT_EQ(program.ui.gadgets().widget(44)->toolTip(), "Taille");
    EXPECT_EQ(program.ui.gadgets().widget(45)->toolTip(), "Taille");
    EXPECT_EQ(program.ui.gadgets().widget(74)->toolTip(), "");  // "RotationOfBrush": no entry
    EXPECT_EQ(program.ui.gadgets().widget(46)->toolTip(), "");  // a key without an entry
    EXPECT_EQ(program.window.workSpace().toolAction(51)->toolTip(), "Pinceau (B)");
    auto* layers = qobject_cast<QTabWidget*>(program.ui.gadgets().widget(83));
    ASSERT_NE(layers, nullptr);
    EXPECT_EQ(layers->tabText(0), "Calques");
}

// The French language file of the sources, as the program reads it.
Dictionary french() {
    std::ifstream in(std::string(QM_SOURCE_DIR) + "/assets/lang/fra.ini");
    std::stringstream text;
    text << in.rdbuf();
    Dictionary d;
    loadDictionaryFromText(d, text.str());
    return d;
}

QStringList tabTitles(Program& program, int gadget) {
    QStringList titles;
    if (auto* tabs = qobject_cast<QTabWidget*>(program.ui.gadgets().widget(gadget)))
        for (int i = 0; i < tabs->count(); ++i) titles << tabs->tabText(i);
    return titles;
}

// The text a caption shows (a combo's item, a frame's title, a button's, a label's, a dock's).
QString shownCaption(const Caption& c) {
    if (auto* combo = qobject_cast<QComboBox*>(c.widget)) return combo->itemText(c.item);
    if (auto* group = qobject_cast<QGroupBox*>(c.widget)) return group->title();
    if (auto* button = qobject_cast<QAbstractButton*>(c.widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(c.widget)) return label->text();
    return c.widget->windowTitle();
}

TEST(Panels, FrenchReachesEveryTitleAndCaptionAndStaysThroughWorkSpaceSwitches) {
    Program program;
    program.window.rebuildMenus(french());
    WorkSpace& space = program.window.workSpace();
    const QStringList colours{"Couleur", "Nuancier", "Brouillon", "Dégradé"};
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(tabTitles(program, 30), colours);
        EXPECT_EQ(tabTitles(program, 29), (QStringList{"Brosse", "Alpha", "Dynamique", "Couleur"}));
        EXPECT_EQ(tabTitles(program, 83),
                  (QStringList{"Calques", "Préréglages", "Options", "Infos"}));
        EXPECT_EQ(tabTitles(program, 104), QStringList{"Navigateur"});
        program.command(76);  // classic: the colour pages move before the navigator
        EXPECT_EQ(tabTitles(program, 104),
                  (QStringList{"Nuancier", "Brouillon", "Dégradé", "Couleur", "Navigateur"}));
        program.command(75);
    }
    EXPECT_EQ(space.toolOptionsDock()->windowTitle(), "Options de l'outil");
    EXPECT_EQ(space.toolColumnDock()->windowTitle(), "Outils");
    EXPECT_EQ(space.layerDock()->windowTitle(), "Calques");
    EXPECT_EQ(space.navigatorDock()->windowTitle(), "Navigateur");
    const auto widget = [&](int id) { return program.ui.gadgets().widget(id); };
    EXPECT_EQ(qobject_cast<QGroupBox*>(widget(43))->title(), "Taille de la brosse");
    EXPECT_EQ(qobject_cast<QCheckBox*>(widget(60))->text(), "Garder l'alpha");
    EXPECT_EQ(qobject_cast<QComboBox*>(widget(85))->itemText(1), "Produit");
    EXPECT_EQ(qobject_cast<QComboBox*>(widget(117))->itemText(2), "Mode masqué");
    EXPECT_EQ(qobject_cast<QAbstractButton*>(widget(93))->text(), "Ouvrir");
    EXPECT_EQ(widget(74)->toolTip(), "Rotation de la brosse");
    // The menus' items without a key of their own are translated by their text.
    EXPECT_EQ(program.window.popupMenu(1)->actions().first()->text(), "Calque");
    EXPECT_EQ(program.window.menuAction(53)->text(), "Lignes de vitesse radiales");
    // Every caption has its French text: none is missing from the language file.
    for (const Caption& c : space.kit().captions) EXPECT_FALSE(shownCaption(c).isEmpty()) << c.key;

    // Started in the classic work space, after the texts were given (as the program starts).
    Program classic;
    classic.window.rebuildMenus(french());
    classic.window.applyWorkSpace(0, true);
    EXPECT_EQ(tabTitles(classic, 104),
              (QStringList{"Nuancier", "Brouillon", "Dégradé", "Couleur", "Navigateur"}));
}

// At the size the window opens with, every tab shows its whole title, in English and French,
// in both work spaces.
TEST(Panels, TabTitlesShowWhole) {
    Program program;
    program.window.openMaximized();
    Dictionary english;
    loadBuiltinDictionary(english);
    for (const Dictionary& texts : {english, french()}) {
        program.window.rebuildMenus(texts);
        for (const int mode : {76, 75}) {
            program.command(mode);
            QCoreApplication::processEvents();
            for (QTabWidget* tabs : program.window.findChildren<QTabWidget*>()) {
                if (!tabs->isVisible()) continue;
                const QTabBar* bar = tabs->tabBar();
                for (int i = 0; i < tabs->count(); ++i) {
                    const QString title = tabs->tabText(i);
                    const QRect r = bar->tabRect(i).translated(bar->pos());
                    EXPECT_TRUE(tabs->rect().contains(r)) << title.toStdString();
                    EXPECT_GE(r.width(), bar->fontMetrics().horizontalAdvance(title))
                        << title.toStdString();
                }
            }
        }
    }
}

// Closing the layer panel leaves the navigator; "Show the Layer Panel" brings it back.
TEST(Panels, LayerPanelClosesAloneAndTheWindowMenuShowsItAgain) {
    Program program;
    program.window.openMaximized();
    WorkSpace& space = program.window.workSpace();
    const auto visible = [&](QWidget* w) { return w->isVisibleTo(&program.window); };
    space.layerDock()->close();
    EXPECT_FALSE(visible(space.layerDock()));
    EXPECT_TRUE(visible(space.navigatorDock()));
    program.command(73);
    EXPECT_TRUE(visible(space.layerDock()));
    EXPECT_TRUE(visible(space.navigatorDock()));
}

// Switching work spaces shows and hides panels; the maximised window keeps the screen's work
// area, in English and in French (whose titles make the panels wider).
TEST(Panels, WorkSpaceSwitchKeepsTheWindowOnTheScreen) {
    Program program;
    program.window.openMaximized();
    QCoreApplication::processEvents();
    const QRect screen = program.window.screen()->availableGeometry();
    const QRect opened = program.window.frameGeometry();
    ASSERT_TRUE(screen.contains(opened));
    for (const int mode : {76, 75, 76, 75}) {
        program.command(mode);
        QCoreApplication::processEvents();
        EXPECT_EQ(program.window.frameGeometry(), opened)
            << mode << ": " << program.window.frameGeometry().width() << " x "
            << program.window.frameGeometry().height();
        if (mode == 75) program.window.rebuildMenus(french());
    }
}

// With the built-in texts every control a user can act on explains itself, and so does every
// button of the tool bar.
TEST(Panels, EveryControlHasABuiltInToolTip) {
    Program program;
    for (const GadgetCase& g : kGadgets) {
        if (g.kind == Kind::Other || g.kind == Kind::Image) continue;
        for (QWidget* w : program.ui.gadgets().widgets(g.id))
            EXPECT_FALSE(w->toolTip().isEmpty()) << "gadget " << g.id;
    }
    for (const int command : {51, 52, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65})
        EXPECT_FALSE(program.window.workSpace().toolAction(command)->toolTip().isEmpty())
            << "tool bar command " << command;
}

TEST(Panels, MissingInterfaceImagesAreEachReportedAndShowBlack) {
    Program program;
    std::set<std::string> reported;
    int messages = 0;
    program.window.workSpace().loadIcons("no/such/folder", [&](const std::string& path) {
        reported.insert(path);
        ++messages;
    });
    EXPECT_EQ(messages, int(reported.size()));  // one message per file
    EXPECT_TRUE(reported.count("no/such/folder/brush.png"));
    EXPECT_TRUE(reported.count("no/such/folder/file.ico"));
    EXPECT_TRUE(reported.count("no/such/folder/selected.png"));
    const QIcon icon = program.window.workSpace().toolAction(51)->icon();
    const QImage shown = icon.pixmap(QSize(25, 25)).toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(qRed(shown.pixel(12, 12)), 0);
    EXPECT_EQ(qAlpha(shown.pixel(12, 12)), 255);
}

TEST(Panels, GeneratedInterfaceImagesAreAllThere) {
    // The build's working-folder template, beside the tests' folder.
    const std::filesystem::path icons =
        std::filesystem::current_path() / "../workdir/data/ui/icone";
    if (!std::filesystem::exists(icons)) GTEST_SKIP() << "no generated working folder";
    Program program;
    std::vector<std::string> missing;
    program.window.workSpace().loadIcons(icons.string(),
                                         [&](const std::string& path) { missing.push_back(path); });
    EXPECT_TRUE(missing.empty()) << missing.front();
}

TEST(Panels, IdleLoopSleepsUntilSomethingIsDue) {
    Program program;
    program.driver.start();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const long long passes = program.driver.passes();
    EXPECT_GT(passes, 0);
    EXPECT_FALSE(program.driver.idleArmed());
    // Nothing happens while nothing is due.
    QEventLoop wait;
    QTimer::singleShot(50, &wait, &QEventLoop::quit);
    wait.exec();
    EXPECT_EQ(program.driver.passes(), passes);
    // Playback asks for its frames.
    qobject_cast<QAbstractButton*>(program.ui.gadgets().widget(145))->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(program.driver.idleArmed());
}

}  // namespace
}  // namespace qm
