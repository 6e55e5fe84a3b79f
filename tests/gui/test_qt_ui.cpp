// The Ui port's requesters on real dialogs, answered as a user would.
#include <gtest/gtest.h>
#include <unistd.h>
#include <string>

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <filesystem>

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

}  // namespace
}  // namespace qm
