// The program's main window. For now a window with the canvas area; menus, panels and the
// canvas interaction are built on top of it.
#pragma once

#include <QMainWindow>

namespace qm {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
};

}  // namespace qm
