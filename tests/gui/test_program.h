// The program as main() puts it together, on the Qt port, in a working folder of its own: the
// fixture of the GUI tests that drive the whole program.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "gui/loop_driver.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "shell/app.h"
#include "shell/events.h"
#include "support/tool_print.h"

namespace qm::test {

struct TestProgram {
    // `name` keeps the working folders of the test programs apart; `state` stands in for what
    // main() reports of the shell after each call (by default the same).
    explicit TestProgram(const std::string& name, LoopDriver::ShellStateFn state = {})
        : stateOverride(std::move(state)) {
        workDir = std::filesystem::temp_directory_path() /
                  ("qm_test_gui_" + name + "_" + std::to_string(::getpid()));
        std::filesystem::create_directories(workDir);
        app.workDir = workDir.string();
        ui.attach(&window);
        window.prepareGeometry();
    }
    ~TestProgram() {
        std::error_code ignored;
        std::filesystem::remove_all(workDir, ignored);
    }
    TestProgram(const TestProgram&) = delete;
    TestProgram& operator=(const TestProgram&) = delete;

    // Start-up, and the menus in the dictionary's texts, as main() does before the loop.
    void startUp() {
        EXPECT_TRUE(qm::startUp(app));
        window.rebuildMenus(app.dictionary);
        driver.markStartedUp();
    }

    std::filesystem::path workDir;
    QtUi ui;
    App app{ui};
    MainWindow window{QString::fromStdString(app.prefs.programName)};
    LoopDriver::ShellStateFn stateOverride;
    LoopDriver driver{app, window, ui, [this] {
                          if (stateOverride) return stateOverride();
                          return LoopDriver::ShellState{
                              app.QuitRequested, app.iface.fullscreen != 0,
                              app.iface.statusBar != 0, app.iface.Interface,
                              app.iface.animationPanel != 0};
                      }};
};

}  // namespace qm::test
