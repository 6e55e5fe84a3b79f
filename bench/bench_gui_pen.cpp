// Pen latency in the Qt program: from a tablet sample arriving at the main window's canvas to its
// dabs handed to the screen.
//
// The program is put together as main() does (the Qt port, the main window, the loop driver) on
// the offscreen platform, with the reference scene: a 3000 x 3000 document at 100 %, 10 visible
// layers (Normal, Multiply, Screen, Overlay, Darken, repeated), half of every layer transparent,
// the canvas as large as the window gives it (counter canvas_w x canvas_h). The brush is the
// reference brush (Circle Hard, size 32, opaque black, the default spacing, no opacity decay)
// with its size (from 10 %) and opacity following the pressure.
//
// One iteration is one sample: a hand-made QTabletEvent (a move of 200 pixels from the previous
// sample, pressure 0.6 to 1) sent to the canvas. It is timed from before the event is sent to
// when the canvas has the new pixels in its image and has asked for a repaint of them (the send
// returns only after the shell painted the dabs into the layer, made the display pixels of what
// they touched and recomposed the canvas there, and the canvas copied that part into its
// image): counter handed_us. painted_us adds the repaint itself, drawn into the window's backing
// store (canvas.repaint() of the changed part). Arg 0 sends the same moves as mouse events (no
// pressure) for comparison. The press before each segment and the release after it (which
// commits the undo step) are not timed; rows advance so that dabs land on fresh pixels.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTabletEvent>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "gui/canvas_widget.h"
#include "gui/loop_driver.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "reference_scene.h"
#include "shell/app.h"
#include "shell/commands/layer_commands.h"
#include "shell/commands/zoom_commands.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/view/canvas_frame.h"

namespace qm {
namespace {

constexpr int kDocSide = 3000;

struct QtScene {
    QtScene() {
        workDir = std::filesystem::temp_directory_path() / "qm_bench_gui_pen";
        std::filesystem::create_directories(workDir);
        app.workDir = workDir.string();
        ui.attach(&window);
        window.prepareGeometry();
        if (!startUp(app)) return;
        window.rebuildMenus(app.dictionary);
        driver.markStartedUp();
        window.resize(1900, 1150);
        window.show();
        driver.start();
        QCoreApplication::processEvents();
        buildReferenceScene(app, kDocSide);
        BrushSettings& b = app.brush;
        b.size = 32;
        b.sizemini = 10;
        b.type = 0;
        b.tool = 0;
        b.alpha = 255;
        b.alphaVsTime = 0;
        b.randRot = 0;
        b.selectedColor = rgba(0, 0, 0, 255);
        b.color = rgba(0, 0, 0, 255);
        b.sizeVsPressure = 1;
        b.alphaVsPressure = 1;
        recomposeView(app, false);
        QCoreApplication::processEvents();
    }
    ~QtScene() {
        std::error_code ignored;
        std::filesystem::remove_all(workDir, ignored);
    }

    std::filesystem::path workDir;
    QtUi ui;
    App app{ui};
    MainWindow window{QString::fromStdString(app.prefs.programName)};
    LoopDriver driver{app, window, ui, [this] {
                          return LoopDriver::ShellState{app.QuitRequested, false, true,
                                                        app.iface.Interface, true};
                      }};
};

QPointingDevice& stylus() {
    static QPointingDevice pen(
        "bench pen", 301, QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Pen,
        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure |
            QInputDevice::Capability::XTilt | QInputDevice::Capability::YTilt,
        1, 2);
    return pen;
}

void send(CanvasWidget& canvas, bool pen, QEvent::Type tablet, QEvent::Type mouse, QPointF at,
          double pressure, ulong time) {
    const bool move = tablet == QEvent::TabletMove;
    const Qt::MouseButton button = move ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = tablet == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton;
    if (pen) {
        QTabletEvent event(tablet, &stylus(), at, canvas.mapToGlobal(at), pressure, 20, 10, 0, 0, 0,
                           Qt::NoModifier, button, held);
        event.setTimestamp(time);
        QCoreApplication::sendEvent(&canvas, &event);
    } else {
        QMouseEvent event(mouse, at, canvas.mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&canvas, &event);
    }
}

void BM_PenSampleToScreen_Segment200(benchmark::State& state) {
    static std::unique_ptr<QtScene> scene;
    if (!scene) scene = std::make_unique<QtScene>();
    App& app = scene->app;
    CanvasWidget& canvas = scene->window.canvas();
    const bool pen = state.range(0) != 0;
    const int x0 = std::max(20, canvas.width() / 2 - 100);
    int y = 100;
    ulong time = 0;
    double handed = 0, painted = 0;
    int64_t samples = 0;
    for (auto _ : state) {
        state.PauseTiming();
        y = y + 9 > std::min(canvas.height(), 850) - 20 ? 100 : y + 9;
        send(canvas, pen, QEvent::TabletPress, QEvent::MouseButtonPress, QPointF(x0 + 0.5, y), 0.6,
             time += 8);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        send(canvas, pen, QEvent::TabletMove, QEvent::MouseMove, QPointF(x0 + 200.5, y), 1.0,
             time += 8);
        const auto t1 = std::chrono::steady_clock::now();
        canvas.repaint(QRect(x0 - 40, y - 40, 280, 80));
        const auto t2 = std::chrono::steady_clock::now();
        state.PauseTiming();
        handed += std::chrono::duration<double, std::micro>(t1 - t0).count();
        painted += std::chrono::duration<double, std::micro>(t2 - t0).count();
        ++samples;
        send(canvas, pen, QEvent::TabletRelease, QEvent::MouseButtonRelease, QPointF(x0 + 200.5, y),
             0.0, time += 8);
        state.ResumeTiming();
    }
    state.counters["handed_us"] = handed / double(std::max<int64_t>(samples, 1));
    state.counters["painted_us"] = painted / double(std::max<int64_t>(samples, 1));
    state.counters["canvas_w"] = canvas.width();
    state.counters["canvas_h"] = canvas.height();
    state.counters["layers"] = double(app.doc.layers.size());
}
BENCHMARK(BM_PenSampleToScreen_Segment200)
    ->Arg(1)
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program: every sample is delivered as it comes.
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, false);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
