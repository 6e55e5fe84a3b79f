#include "qt_test_env.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <memory>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // Offscreen, on a screen of the size a painter's desktop has (the platform's own is
        // 800 x 800, smaller than the window's panels need).
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        if (platform.isEmpty() || platform == "offscreen") {
            config_ = QDir::temp().filePath(
                QString("qm_test_gui_screen_%1.json").arg(QCoreApplication::applicationPid()));
            QFile file(config_);
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                file.write(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": 1600,)"
                           R"( "height": 1000, "logicalDpi": 96, "logicalBaseDpi": 96,)"
                           R"( "dpr": 1}]})");
                file.close();
                qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config_).toLocal8Bit());
            } else {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
        }
        app_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override {
        app_.reset();
        if (!config_.isEmpty()) QFile::remove(config_);
    }

private:
    int argc_ = 1;
    char name_[16] = "test_gui";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
    QString config_;
};

[[maybe_unused]] auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
