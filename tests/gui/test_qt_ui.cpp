// The Ui port's requesters on real dialogs, answered as a user would.
#include <gtest/gtest.h>
#include <unistd.h>
#include <string>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <chrono>
#include <filesystem>
#include <thread>

#include "gui/qt_ui.h"
#include "qt_test_env.h"

namespace qm {
namespace {

TEST(QtUi, FileRequesterOffersThePatternsAndReportsTheChosenOne) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("qm_test_gui_requester_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    QtUi ui;
    QStringList offered;
    QString preselected, proposedName;
    const auto answer = test::answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        offered = dialog->nameFilters();
        preselected = dialog->selectedNameFilter();
        proposedName = QFileInfo(dialog->selectedFiles().value(0)).fileName();
        dialog->selectNameFilter(offered.value(0));
        dialog->selectFile(QString::fromStdString((folder / "out.png").string()));
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides accept()
    });
    FileRequest request;
    request.title = "Save";
    request.defaultPath = (folder / "rb.jpg").string();
    request.patterns = "PNG|*.png|JPG (best)|*.jpg;*.jpeg";
    request.patternIndex = 1;
    const std::optional<FileChoice> choice = ui.saveFileRequester(request);

    EXPECT_EQ(offered, (QStringList{"PNG (*.png)", "JPG [best] (*.jpg *.jpeg)"}));
    EXPECT_EQ(preselected, "JPG [best] (*.jpg *.jpeg)");
    EXPECT_EQ(proposedName, "rb.jpg");
    ASSERT_TRUE(choice);
    ASSERT_EQ(choice->paths.size(), 1u);
    EXPECT_EQ(std::filesystem::path(choice->paths[0]).filename(), "out.png");
    EXPECT_EQ(choice->patternIndex, 0);
    std::filesystem::remove_all(folder);
}

// A quick task shows no box; one that runs past a second shows its progress, and its Cancel
// button stops the task.
TEST(QtUi, LongTaskShowsProgressAndCanBeCancelled) {
    MainWindow window("progress");
    QtUi ui;
    ui.attach(&window);
    window.show();
    auto shownBox = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) return p;
        return static_cast<QProgressDialog*>(nullptr);
    };
    EXPECT_TRUE(ui.taskProgress("Export", 1, 4));
    EXPECT_EQ(shownBox(), nullptr);
    EXPECT_TRUE(ui.taskProgress("Export", 0, 0));

    EXPECT_TRUE(ui.taskProgress("Export", 0, 4));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_TRUE(ui.taskProgress("Export", 1, 4));
    EXPECT_TRUE(ui.taskProgress("Export", 2, 4));
    QProgressDialog* shown = shownBox();
    ASSERT_NE(shown, nullptr);
    shown->cancel();
    EXPECT_FALSE(ui.taskProgress("Export", 3, 4));
    EXPECT_FALSE(ui.taskProgress("Export", 0, 0));
    EXPECT_EQ(shownBox(), nullptr);
}

TEST(QtUi, CancelledRequestersAnswerNothing) {
    QtUi ui;
    const auto reject = [](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); };
    {
        const auto answer = test::answerNextModal(reject);
        FileRequest request;
        request.patterns = "*.qmb";
        EXPECT_FALSE(ui.openFileRequester(request));
    }
    {
        const auto answer = test::answerNextModal(reject);
        EXPECT_FALSE(ui.inputText("Modify", "Name of the Layer", "Layer1"));
    }
    // Closing the question counts as No.
    const auto answer = test::answerNextModal([](QWidget* modal) { modal->close(); });
    EXPECT_FALSE(ui.askYesNo("Quillmoth", "Quit?"));
}

// A popup answers the command id of the item chosen, or nothing when it is dismissed; the
// item's own signal reports the id as well (the loop driver holds that back while the shell
// waits for the answer).
TEST(QtUi, PopupMenuAnswersTheItemChosen) {
    MainWindow window("popup");
    QtUi ui;
    ui.attach(&window);
    window.show();
    QMenu* popup = window.popupMenu(2);
    ASSERT_NE(popup, nullptr);
    QTimer choose;
    choose.setInterval(5);
    QObject::connect(&choose, &QTimer::timeout, [&] {
        if (!popup->isVisible()) return;
        choose.stop();
        popup->setActiveAction(window.menuAction(89));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(popup, &enter);
    });
    choose.start();
    EXPECT_EQ(ui.popupMenu(2, 12345), std::optional<int>(89));  // no such gadget: at the pointer

    QTimer dismiss;
    dismiss.setInterval(5);
    QObject::connect(&dismiss, &QTimer::timeout, [&] {
        if (!popup->isVisible()) return;
        dismiss.stop();
        popup->close();
    });
    dismiss.start();
    EXPECT_EQ(ui.popupMenu(2, 0), std::nullopt);
    EXPECT_EQ(ui.popupMenu(7, 0), std::nullopt);  // no such popup: nothing opens
}

// The question before unsaved changes are lost shows the shell's button texts; each button
// gives its answer, and closing the box (Escape) is a Cancel.
TEST(QtUi, YesNoCancelShowsItsButtonTextsAndClosingCancels) {
    QtUi ui;
    const std::vector<std::string> texts{"Enregistrer", "Ne pas enregistrer", "Annuler"};
    const struct {
        QMessageBox::StandardButton button;
        YesNoCancel answer;
    } cases[] = {{QMessageBox::Yes, YesNoCancel::Yes},
                 {QMessageBox::No, YesNoCancel::No},
                 {QMessageBox::Cancel, YesNoCancel::Cancel}};
    for (const auto& c : cases) {
        QStringList shown;
        const auto answer = test::answerNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            for (auto kind : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                shown << box->button(kind)->text();
            box->button(c.button)->click();
        });
        EXPECT_EQ(ui.askYesNoCancel("Quillmoth", "Save?", texts), c.answer);
        EXPECT_EQ(shown, (QStringList{"Enregistrer", "Ne pas enregistrer", "Annuler"}));
    }
    const auto answer = test::answerNextModal([](QWidget* modal) { modal->close(); });
    EXPECT_EQ(ui.askYesNoCancel("Quillmoth", "Save?", texts), YesNoCancel::Cancel);
}

TEST(QtUi, TextInputReturnsTheAnswer) {
    QtUi ui;
    QString shownDefault;
    const auto answer = test::answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        shownDefault = dialog->textValue();
        dialog->setTextValue("Sky");
        dialog->accept();
    });
    EXPECT_EQ(ui.inputText("", "Name of the layerAnim", "Layer Normal1"), "Sky");
    EXPECT_EQ(shownDefault, "Layer Normal1");
}

// The buttons of the port's boxes speak the dictionary's language once it is given; before,
// they have the built-in words.
TEST(QtUi, MessageBoxButtonsTakeTheDictionaryTexts) {
    QtUi ui;
    QStringList buttons;
    const auto texts = [&](QWidget* modal) {
        for (QAbstractButton* b : modal->findChildren<QAbstractButton*>()) buttons << b->text();
        buttons.sort();
    };
    {
        const auto answer = test::answerNextModal([&](QWidget* modal) {
            texts(modal);
            modal->close();
        });
        ui.askYesNo("Quillmoth", "?");
    }
    EXPECT_EQ(buttons, (QStringList{"No", "Yes"}));
    ui.setMenuTexts(
        {{"BtnYes", "Oui"}, {"BtnNo", "Non"}, {"BtnOk", "D'accord"}, {"BtnCancel", "Annuler"}});
    for (const int box : {0, 1, 2}) {
        buttons.clear();
        const auto answer = test::answerNextModal([&](QWidget* modal) {
            texts(modal);
            static_cast<QDialog*>(modal)->reject();
        });
        if (box == 0) ui.askYesNo("Quillmoth", "?");
        if (box == 1) ui.messageBox("Erreur", "!");
        if (box == 2) ui.inputText("", "Nom", "");
        EXPECT_EQ(buttons, box == 0   ? (QStringList{"Non", "Oui"})
                           : box == 1 ? QStringList{"D'accord"}
                                      : (QStringList{"Annuler", "D'accord"}))
            << box;
    }
}

// Names are written in the interface font, whole: accents and brackets included, in the
// colour asked, within the row, on 24- and 32-bit images.
TEST(QtUi, InterfaceTextIsWrittenIntoTheImage) {
    QtUi ui;
    for (const int depth : {24, 32}) {
        Image image = *createImage(200, 60, depth);
        std::fill(image.pixels.begin(), image.pixels.end(), 0xFF202020u);
        ui.drawInterfaceText(image, 36, 20, 20, "Été (gauche)", 0xFFFFFFu);
        int white = 0, outside = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                if (image.at(x, y) == 0xFF202020u) continue;
                ++(y >= 20 && y < 40 && x >= 36 ? white : outside);
            }
        EXPECT_GT(white, 40) << depth;
        EXPECT_EQ(outside, 0) << depth;
        EXPECT_EQ(image.at(5, 5), 0xFF202020u);
    }
}

// Without a main window the port answers calm defaults instead of failing.
TEST(QtUi, UnattachedPortIgnoresWindowCalls) {
    QtUi ui;
    ui.setWindowTitle("x");
    ui.setStatusText(0, "Zoom");
    ui.setMenuChecked(34, true);
    ui.presentCanvas(Image{});
    EXPECT_EQ(ui.canvasSize().width, 0);
    EXPECT_FALSE(ui.windowPixel(0, 0));
    EXPECT_TRUE(ui.desktopSize());
}

// A described window becomes a dialog whose controls are gadgets; closing it, even from one of
// its own buttons, takes them out of the registry and deletes the dialog afterwards.
TEST(QtUi, ShowsADescribedWindowAndClosesIt) {
    QtUi ui;
    ui.showWindow(
        {7,
         "Preferences",
         400,
         300,
         {{.id = 101, .kind = ControlKind::Spin, .min = 1, .max = 500, .tab = "Interface"},
          {.id = 102, .kind = ControlKind::CheckBox, .caption = "ShowPixel", .tab = "Performance"},
          {.id = 104, .kind = ControlKind::Spin, .min = 4, .max = 24, .tab = "Interface"},
          {.id = 103, .kind = ControlKind::Button, .caption = "OK"}}});
    QDialog* dialog = ui.shownWindow(7);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), "Preferences");
    EXPECT_EQ(dialog->size(), QSize(400, 300));
    auto* tabs = dialog->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "Interface");
    EXPECT_EQ(tabs->tabText(1), "Performance");
    EXPECT_TRUE(tabs->widget(0)->isAncestorOf(ui.gadgets().widget(104)));

    EXPECT_EQ(ui.gadgetState(101), 1);
    ui.setGadgetState(101, 9999);
    EXPECT_EQ(ui.gadgetState(101), 500) << "the spin keeps its range";
    EXPECT_EQ(ui.gadgetText(102), "ShowPixel");

    std::vector<int> clicked;
    ui.gadgets().setControlSink([&](const ControlEvent& e) {
        clicked.push_back(e.gadget);
        ui.closeWindow(7);
    });
    QPointer<QDialog> guard(dialog);
    qobject_cast<QPushButton*>(ui.gadgets().widget(103))->click();
    EXPECT_EQ(clicked, std::vector<int>{103});
    EXPECT_EQ(ui.shownWindow(7), nullptr);
    EXPECT_EQ(ui.gadgets().widget(101), nullptr);
    EXPECT_EQ(ui.gadgetState(101), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());

    // Closed by its frame: the port forgets it too, and the number can be shown again.
    ui.showWindow({7, "Again", 0, 0, {{.id = 105, .kind = ControlKind::Label, .caption = "x"}}});
    ui.shownWindow(7)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ui.shownWindow(7), nullptr);
    EXPECT_EQ(ui.gadgets().widget(105), nullptr);
    ui.closeWindow(7);
}

TEST(QtUi, ClockIsMonotonicMilliseconds) {
    QtUi ui;
    const int64_t start = ui.clockMilliseconds();
    EXPECT_GE(start, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const int64_t later = ui.clockMilliseconds();
    EXPECT_GE(later - start, 25);
    EXPECT_LT(later - start, 10000);
}

}  // namespace
}  // namespace qm
