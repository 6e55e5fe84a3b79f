#include "gui/main_window.h"

#include <QLabel>
#include <QStatusBar>

namespace qm {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle("Quillmoth");
    auto* canvas = new QLabel(this);
    canvas->setAutoFillBackground(true);
    QPalette pal = canvas->palette();
    pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    canvas->setPalette(pal);
    setCentralWidget(canvas);
    statusBar()->showMessage("Ready");
}

}  // namespace qm
