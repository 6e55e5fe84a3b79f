#include <algorithm>
// The real main window over a real App on the offscreen platform: menus and accelerators from
// the tables, the loop driver's idle passes, and the quit rules end to end.
#include <gtest/gtest.h>
#include <unistd.h>
#include <string>

#include <QAbstractButton>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QStatusBar>
#include <filesystem>
#include <set>

#include "gui/canvas_widget.h"
#include "gui/key_codes.h"
#include "gui/loop_driver.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "qt_test_env.h"
#include "shell/app.h"
#include "shell/events.h"
#include "test_program.h"

namespace qm {
namespace {

constexpr int kQuit = 17;

struct Program : test::TestProgram {
    Program() : TestProgram("main_window") {}
    // Start-up, then the window is shown and the loop begins.
    void open() {
        startUp();
        window.openMaximized();
        driver.start();
    }
};

QAbstractButton* button(QWidget* modal, QMessageBox::StandardButton which) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    return box ? box->button(which) : nullptr;
}

TEST(MainWindow, MenusHoldEveryItemOfTheTablesWithItsState) {
    Program program;
    std::set<int> ids;
    for (const auto& table : {mainMenuTable(), layerKindPopupTable(), blendModePopupTable()}) {
        for (const MenuEntry& entry : table) {
            if (entry.kind != MenuEntry::Kind::Item) continue;
            ids.insert(entry.id);
            QAction* action = program.window.menuAction(entry.id);
            ASSERT_NE(action, nullptr) << "id " << entry.id;
            EXPECT_EQ(action->isEnabled(), !entry.disabled) << "id " << entry.id;
            EXPECT_EQ(action->isCheckable(), entry.checkable) << "id " << entry.id;
            // Captions show the label but bind nothing: keys are the accelerators' alone.
            EXPECT_TRUE(action->shortcut().isEmpty()) << "id " << entry.id;
            if (*entry.label) {
                EXPECT_TRUE(action->text().endsWith(QString("\t") + entry.label));
            }
        }
    }
    EXPECT_TRUE(ids.count(kQuit));
    EXPECT_NE(program.window.popupMenu(1), nullptr);
    EXPECT_NE(program.window.popupMenu(2), nullptr);

    // Choosing an item reports its id.
    std::vector<int> sent;
    QObject::connect(&program.window, &MainWindow::commandTriggered,
                     [&](int id) { sent.push_back(id); });
    program.window.menuAction(38)->trigger();
    program.window.popupMenu(1)->actions().first()->trigger();
    EXPECT_EQ(sent, (std::vector<int>{38, 101}));
}

TEST(MainWindow, EveryAcceleratorIsBoundToItsCommand) {
    Program program;
    const auto& shortcuts = program.window.accelerators();
    for (const Accelerator& accelerator : acceleratorTable()) {
        const bool pad = accelerator.key >= 0x60 && accelerator.key <= 0x6F;
        if (pad) continue;  // matched by virtual key code in the window's key filter
        const auto [first, last] = shortcuts.equal_range(accelerator.id);
        EXPECT_TRUE(std::any_of(first, last, [&](const auto& entry) {
            return entry.second->key() == acceleratorSequence(accelerator);
        })) << "id " << accelerator.id;
    }
}

TEST(MainWindow, RebuildingMenusKeepsChecksAndDisabledItems) {
    Program program;
    program.ui.setMenuChecked(34, false);
    program.ui.setMenuEnabled(38, false);
    program.window.rebuildMenus({{"Grid", "Grille"}});
    EXPECT_FALSE(program.window.menuAction(34)->isChecked());
    EXPECT_FALSE(program.window.menuAction(38)->isEnabled());
    EXPECT_TRUE(program.window.menuAction(34)->text().startsWith("Grille"));
    // A key the dictionary lacks shows empty, as the program's texts do.
    EXPECT_TRUE(program.window.menuAction(38)->text().startsWith("\t"));
}

TEST(MainWindow, StatusBarHasFourFieldsOfFixedWidth) {
    Program program;
    program.ui.setStatusText(1, "Doc : 10/20");
    program.ui.setStatusText(7, "ignored");
    const QList<QLabel*> labels = program.window.statusBar()->findChildren<QLabel*>();
    ASSERT_GE(labels.size(), 4);
    for (int field = 0; field < MainWindow::kStatusFields; ++field)
        EXPECT_EQ(labels[field]->minimumWidth(), MainWindow::kStatusFieldWidths[size_t(field)]);
    EXPECT_EQ(program.window.statusText(1), "Doc : 10/20");
}

// Ctrl held on the canvas, then a dialog takes the keyboard and the Ctrl release: once the
// shell is back from the dialog, Control is no longer believed held.
TEST(MainWindow, KeysReleasedInADialogAreNotHeldAfterIt) {
    Program program;
    program.startUp();
    program.driver.sendCanvas({.type = CanvasEventType::KeyDown, .key = vk::Control});
    ASSERT_EQ(program.app.TempPickMode, 2);
    bool asked = false;
    const auto answer = test::answerNextModal([&](QWidget* modal) {
        asked = true;
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(&program.window.canvas(), &out);
        EXPECT_EQ(program.app.TempPickMode, 2);  // the shell is in the dialog: held back
        button(modal, QMessageBox::No)->click();
    });
    emit program.window.commandTriggered(kQuit);
    EXPECT_TRUE(asked);
    EXPECT_EQ(program.app.TempPickMode, 0);
    EXPECT_EQ(program.app.ZoomDirection, 1);
}

// Quit always asks; No keeps the loop turning, Yes ends it. While the question is open the
// shell is not re-entered by idle passes.
TEST(MainWindow, QuitAsksAndOnlyYesEndsTheLoop) {
    Program program;
    program.open();
    long long passesWhenAsked = -1, passesBeforeAnswer = -1;
    QString question;

    std::unique_ptr<QTimer> answerYes;
    const auto answerNo = test::answerNextModal([&](QWidget* modal) {
        question = modal->windowTitle();
        passesWhenAsked = program.driver.passes();
        QTimer::singleShot(30, [&, modal] {
            passesBeforeAnswer = program.driver.passes();
            button(modal, QMessageBox::No)->click();
            // Then ask again and answer Yes.
            QTimer::singleShot(30, [&] {
                answerYes = test::answerNextModal(
                    [](QWidget* again) { button(again, QMessageBox::Yes)->click(); });
                emit program.window.commandTriggered(kQuit);
            });
        });
    });
    QTimer::singleShot(20, [&] { emit program.window.commandTriggered(kQuit); });
    const auto guard = test::guardLoop(15000);

    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(question, "Quillmoth");
    EXPECT_GT(passesWhenAsked, 0);  // the loop ran before the question
    EXPECT_EQ(passesBeforeAnswer, passesWhenAsked);
    EXPECT_GT(program.driver.passes(), passesBeforeAnswer);  // it ran on after No
    EXPECT_TRUE(program.app.QuitRequested);
    EXPECT_FALSE(program.window.isVisible());
    EXPECT_FALSE(program.driver.running());
    shutDown(program.app);
}

TEST(MainWindow, ClosingWithoutConfirmExitQuitsAtOnce) {
    Program program;
    program.open();
    program.app.prefs.confirmExit = 0;
    bool asked = false;
    const auto answer = test::answerNextModal([&](QWidget* modal) {
        asked = true;
        modal->close();
    });
    QTimer::singleShot(20, [&] { program.window.close(); });
    const auto guard = test::guardLoop(15000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(asked);
    EXPECT_TRUE(program.app.QuitRequested);
    EXPECT_FALSE(program.window.isVisible());
}

// The canvas's key events reach the shell as virtual key codes: "K" picks the fill tool.
TEST(MainWindow, CanvasKeysReachTheShell) {
    Program program;
    program.open();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_K, Qt::NoModifier, "k");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_K, Qt::NoModifier, "k");
    QCoreApplication::sendEvent(&program.window.canvas(), &press);
    QCoreApplication::sendEvent(&program.window.canvas(), &release);
    EXPECT_EQ(program.app.CurrentTool, Tool::Fill);
    EXPECT_EQ(program.app.iface.KeyLatch, 0);
}

TEST(MainWindow, PresentedCanvasFillsTheCanvasControl) {
    Program program;
    program.open();
    QCoreApplication::processEvents();
    const QImage& shown = program.window.canvas().image();
    EXPECT_EQ(shown.size(), program.window.canvas().size());
    EXPECT_EQ(shown.format(), QImage::Format_RGBX8888);
}

}  // namespace
}  // namespace qm
