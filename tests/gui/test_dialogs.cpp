// The dialog windows on screen, over the real main window, App and loop driver: each opens from
// its menu item with the controls of its description and their start values, sends its events
// through the main dispatch, and closes by its buttons, its close box or Escape.
//
// With QM_DIALOG_SHOTS set to a folder, each window is also saved there as a PNG: the screen
// around it under a real display (xcb, e.g. Xvfb), the window itself otherwise.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QThread>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "gui/canvas_widget.h"
#include "gui/loop_driver.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "qt_test_env.h"
#include "shell/app.h"
#include "shell/events.h"
#include "test_program.h"

namespace qm {
namespace {

struct Program : test::TestProgram {
    Program() : TestProgram("dialogs") {
        startUp();
        window.openMaximized();
    }
    void command(int id) {
        QAction* action = window.menuAction(id);
        ASSERT_NE(action, nullptr) << id;
        action->trigger();
    }
    template <typename T = QWidget>
    T* gadget(int id) {
        return qobject_cast<T*>(ui.gadgets().widget(id));
    }
    void click(int id) {
        auto* button = gadget<QAbstractButton>(id);
        ASSERT_NE(button, nullptr) << id;
        button->click();
    }
};

void settle() {
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
}

void saveShot(QDialog* dialog, const std::string& name) {
    const char* folder = std::getenv("QM_DIALOG_SHOTS");
    if (!folder || !*folder) return;
    settle();
    QPixmap shot;
    if (QGuiApplication::platformName() == "xcb" && dialog->screen()) {
        const QRect around = dialog->frameGeometry().adjusted(-20, -20, 20, 20);
        shot = dialog->screen()->grabWindow(0, around.x(), around.y(), around.width(),
                                            around.height());
    } else {
        shot = dialog->grab();
    }
    shot.save(QString::fromStdString(std::string(folder) + "/" + name + ".png"));
}

// Ids of the menu commands, windows and controls (the numbers scripts address them by).
constexpr int kNew = 0, kBrightness = 26, kImageSize = 30, kCanvasSize = 31, kBrushEditor = 71,
              kBrushAnimated = 72, kAnimationWindow = 78, kAbout = 82;

TEST(Dialogs, EachMenuItemShowsItsWindowWithItsControls) {
    Program p;
    struct Case {
        const char* name;
        int command;
        int window;
        QString title;
        QSize size;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"new_document",
         kNew,
         4,
         "New Document",
         {400, 300},
         [&] {
             auto* width = p.gadget<QLineEdit>(173);
             ASSERT_NE(width, nullptr);
             EXPECT_EQ(width->text(), "3000");
             EXPECT_EQ(width->pos(), QPoint(80, 50));
             EXPECT_NE(width->validator(), nullptr);
             EXPECT_EQ(p.gadget<QLineEdit>(174)->text(), "3000");
             EXPECT_EQ(p.gadget<QPushButton>(172)->text(), "Ok");
             EXPECT_EQ(p.gadget<QGroupBox>(171)->title(), "Image Dimension");
         }},
        {"image_size",
         kImageSize,
         3,
         "Image Size",
         {400, 300},
         [&] {
             auto* quality = p.gadget<QComboBox>(170);
             ASSERT_NE(quality, nullptr);
             EXPECT_EQ(quality->count(), 2);
             EXPECT_EQ(quality->currentText(), "Smooth mode");
             EXPECT_FALSE(p.gadget<QCheckBox>(169)->isChecked());
             EXPECT_EQ(p.gadget<QLineEdit>(164)->text(), "3000");
         }},
        {"canvas_size",
         kCanvasSize,
         3,
         "Canvas Size",
         {400, 300},
         [&] {
             EXPECT_EQ(p.gadget(169), nullptr);
             EXPECT_EQ(p.gadget(170), nullptr);
             EXPECT_EQ(p.gadget<QPushButton>(167)->text(), "Cancel");
         }},
        {"brightness",
         kBrightness,
         7,
         "Brightness/Contrast",
         {300, 200},
         [&] {
             auto* bar = p.gadget<QSlider>(160);
             ASSERT_NE(bar, nullptr);
             EXPECT_EQ(bar->value(), 150);
             EXPECT_EQ(bar->maximum(), 300);
             EXPECT_NE(bar->tickPosition(), QSlider::NoTicks);
             EXPECT_EQ(bar->geometry().x(), 10);
         }},
        {"animation_settings",
         kAnimationWindow,
         11,
         "Quillmoth",
         {400, 300},
         [&] {
             auto* tabs = p.gadget<QTabWidget>(212);
             ASSERT_NE(tabs, nullptr);
             ASSERT_EQ(tabs->count(), 2);
             EXPECT_EQ(tabs->tabText(0), "General");
             EXPECT_EQ(tabs->tabText(1), "Document");
             auto* fps = p.gadget<QSpinBox>(217);
             ASSERT_NE(fps, nullptr);
             EXPECT_TRUE(tabs->widget(1)->isAncestorOf(fps));
             EXPECT_EQ(fps->value(), 12);
             EXPECT_EQ(fps->maximum(), 48);
             EXPECT_EQ(fps->toolTip(), "FPS");
             EXPECT_EQ(p.gadget<QSpinBox>(216)->value(), 120);
             EXPECT_EQ(p.gadget<QSpinBox>(218)->value(), 1);
         }},
        {"about",
         kAbout,
         9,
         "Quillmoth",
         {400, 500},
         [&] {
             EXPECT_EQ(p.ui.shownWindow(9)->windowModality(), Qt::ApplicationModal);
             auto* header = p.gadget<QLabel>(208);
             ASSERT_NE(header, nullptr);
             EXPECT_EQ(header->pixmap().width(), 380);
             auto* scroll = p.gadget<QScrollArea>(210);
             ASSERT_NE(scroll, nullptr);
             EXPECT_EQ(scroll->widget(), p.gadget(209));
             EXPECT_TRUE(p.gadget<QLabel>(209)->text().contains("libtiff"));
         }},
        {"animated_brush",
         kBrushAnimated,
         10,
         "Brush Animated",
         {400, 300},
         [&] {
             EXPECT_EQ(p.ui.shownWindow(10)->windowModality(), Qt::ApplicationModal);
             for (int id = 223; id <= 237; ++id) EXPECT_NE(p.gadget(id), nullptr) << id;
             EXPECT_EQ(p.gadget<QLineEdit>(227)->text(), "brush\\brushAnim1\\");
             EXPECT_EQ(p.gadget<QLabel>(223)->pixmap().width(), 80);
             EXPECT_FALSE(p.gadget<QToolButton>(228)->icon().isNull());
             EXPECT_TRUE(p.gadget<QLabel>(232)->alignment() & Qt::AlignRight);
         }},
        {"brush_editor",
         kBrushEditor,
         5,
         "Brush Editor",
         {400, 300},
         [&] {
             QDialog* editor = p.ui.shownWindow(5);
             EXPECT_TRUE(editor->windowFlags() & Qt::WindowStaysOnTopHint);
             EXPECT_TRUE(editor->windowFlags() & Qt::WindowMinimizeButtonHint);
             EXPECT_NE(editor->minimumSize(), editor->maximumSize());
             auto* tabs = p.gadget<QTabWidget>(207);
             ASSERT_NE(tabs, nullptr);
             EXPECT_EQ(tabs->tabText(1), "Brush");
             auto* size = p.gadget<QSpinBox>(242);
             ASSERT_NE(size, nullptr);
             EXPECT_TRUE(tabs->widget(1)->isAncestorOf(size));
             EXPECT_EQ(size->value(), p.app.brush.size);
             EXPECT_EQ(p.gadget<QComboBox>(241)->count(), 7);
             EXPECT_EQ(p.gadget<QSlider>(245)->maximum(), 360);
             EXPECT_FALSE(p.gadget<QLabel>(240)->pixmap().isNull());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        p.command(c.command);
        QDialog* dialog = p.ui.shownWindow(c.window);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->windowTitle(), c.title);
        EXPECT_EQ(dialog->size(), c.size);
        EXPECT_EQ(dialog->parentWidget(), &p.window);
        if (c.window != 5) {
            EXPECT_EQ(dialog->windowType(), Qt::Tool);
        }
        c.check();
        saveShot(dialog, c.name);

        // The close box asks the shell, which closes the window.
        QPointer<QDialog> guard(dialog);
        dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(guard.isNull());
        EXPECT_EQ(p.ui.shownWindow(c.window), nullptr);
        EXPECT_EQ(p.app.openWindows, std::vector<int>{0});
    }
}

TEST(Dialogs, EventsGoThroughTheMainDispatch) {
    Program p;
    // New document: a bad size keeps the window, a good one makes the document.
    p.command(kNew);
    p.gadget<QLineEdit>(173)->setText("0");
    QString boxText;
    auto answer = test::answerNextModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxText = box->text();
            box->accept();
        }
    });
    p.click(172);
    EXPECT_EQ(boxText, "The width and the Height should be > 0");
    ASSERT_NE(p.ui.shownWindow(4), nullptr);
    p.gadget<QLineEdit>(173)->setText("320");
    p.gadget<QLineEdit>(174)->setText("200");
    p.click(172);
    EXPECT_EQ(p.app.doc.Width, 320);
    EXPECT_EQ(p.app.doc.Height, 200);
    EXPECT_EQ(p.ui.shownWindow(4), nullptr);

    // Image size: the combo's choice and OK.
    p.command(kImageSize);
    p.gadget<QLineEdit>(164)->setText("160");
    auto* quality = p.gadget<QComboBox>(170);
    quality->setCurrentIndex(1);
    emit quality->activated(1);
    EXPECT_EQ(p.app.sizeDialogQuality, 1);
    p.click(166);
    EXPECT_EQ(p.app.doc.Width, 160);
    EXPECT_EQ(p.ui.shownWindow(3), nullptr);

    // Brightness: the bar previews, OK closes.
    p.command(kBrightness);
    p.gadget<QSlider>(160)->setValue(210);
    EXPECT_EQ(p.app.brightnessPreview, 210);
    p.click(161);
    EXPECT_EQ(p.ui.shownWindow(7), nullptr);
    EXPECT_EQ(p.app.brightnessPreview, 150);

    // Animation settings: the spins store at once.
    p.command(kAnimationWindow);
    p.gadget<QSpinBox>(217)->setValue(24);
    p.gadget<QSpinBox>(218)->setValue(5);
    EXPECT_EQ(p.app.doc.Fps, 24);
    EXPECT_EQ(p.app.prefs.SpeedAnimation, 5);

    // Brush editor: its size spin is the brush's size.
    p.command(kBrushEditor);
    p.gadget<QSpinBox>(242)->setValue(50);
    EXPECT_EQ(p.app.brush.size, 50);
    auto* shape = p.gadget<QComboBox>(241);
    shape->setCurrentIndex(1);
    emit shape->activated(1);
    EXPECT_EQ(p.app.brush.type, 1);
    EXPECT_EQ(p.app.openWindows, (std::vector<int>{0, 11, 5}));

    // About: Escape asks to close like the close box.
    p.command(kAbout);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(p.ui.shownWindow(9), &escape);
    EXPECT_EQ(p.ui.shownWindow(9), nullptr);

    // Animated brush: Cancel closes it; nothing of the brush changed.
    p.command(kBrushAnimated);
    p.gadget<QSpinBox>(233)->setValue(40);
    p.click(237);
    EXPECT_EQ(p.ui.shownWindow(10), nullptr);
    EXPECT_EQ(p.app.brush.size, 50);
}

// Toolkit requesters: several files from one open requester, and the colour requester, which
// starts at the colour it is given and answers red, green and blue only.
TEST(Requesters, OpenRequesterTakesSeveralFiles) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("qm_test_gui_multiple_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (const char* name : {"a.png", "b.png"})
        std::fclose(std::fopen((folder / name).c_str(), "w"));
    QtUi ui;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    const auto answer = test::answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        mode = dialog->fileMode();
        dialog->selectFile("\"a.png\" \"b.png\"");
        static_cast<QDialog*>(dialog)->accept();
    });
    FileRequest request;
    request.defaultPath = folder.string() + "/";
    request.patterns = "PNG|*.png";
    request.multiple = true;
    const auto choice = ui.openFileRequester(request);
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    ASSERT_TRUE(choice);
    ASSERT_EQ(choice->paths.size(), 2u);
    EXPECT_EQ(std::filesystem::path(choice->paths[0]).filename(), "a.png");
    EXPECT_EQ(std::filesystem::path(choice->paths[1]).filename(), "b.png");
    std::filesystem::remove_all(folder);
}

TEST(Requesters, ColourRequesterStartsAtTheColourAndAnswersItsChannels) {
    QtUi ui;
    QColor shown;
    {
        const auto answer = test::answerNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QColorDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            shown = dialog->currentColor();
            dialog->setCurrentColor(QColor(10, 20, 30));
            dialog->accept();
        });
        EXPECT_EQ(ui.colourRequester(rgba(200, 100, 50, 127)), rgb(10, 20, 30));
        EXPECT_EQ(shown, QColor(200, 100, 50));
    }
    const auto answer =
        test::answerNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(ui.colourRequester(0));
}

}  // namespace
}  // namespace qm
