// Quillmoth: the program's entry point.
#include <QApplication>

#include "gui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qm::MainWindow window;
    window.showMaximized();
    return QApplication::exec();
}
