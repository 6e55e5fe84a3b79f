// The pen through the canvas events: pressure and tilt reach the brush, a pen with its
// settings off paints what a mouse paints, the steady line, the eraser end, the pen settings'
// controls and the pressure curve of the preferences.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "brush/pressure_curve.h"
#include "shell/commands/brush_commands.h"
#include "shell/panels/brush_fields.h"
#include "shell/settings/preferences_file.h"
#include "shell_fixture.h"
#include "support/pixels.h"
#include "support/plain_brush.h"

namespace qm::test {
namespace {

using T = CanvasEventType;

constexpr uint32_t kRed = rgba(255, 0, 0, 255);

// One sample of a stroke: where, how hard, how the pen leans (a mouse: pen = false).
struct Sample {
    double x, y;
    double pressure = 1.0;
    double tiltX = 0, tiltY = 0;
    bool pen = true;
    bool eraser = false;
    double time = 0;
};

class PenTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        newDocument("240", "100");
        // A plain round brush without jitter, decay or scatter, so that strokes can be
        // measured and compared.
        setPlainRoundBrush(app.brush, kRed);
        app.brush.pas = 2;
        colourChanged(app, false);
    }
    Layer& layer() { return *currentLayer(app.doc); }

    // A canvas event at view point (x, y) of the document, sub-pixel parts included.
    void send(T type, const Sample& s) {
        CanvasEvent e;
        e.type = type;
        const double cx = s.x + app.ViewOffsetX, cy = s.y + app.ViewOffsetY;
        e.x = int(std::lround(cx));
        e.y = int(std::lround(cy));
        e.subX = cx - e.x;
        e.subY = cy - e.y;
        e.leftHeld = type == T::Move;
        e.pen = s.pen;
        e.pressure = s.pressure;
        e.tiltX = s.tiltX;
        e.tiltY = s.tiltY;
        e.hasTilt = s.pen;
        e.eraser = s.eraser;
        e.time = s.time;
        onCanvasEvent(app, e);
    }
    // Press at the first sample, a move to each of the others, release at the last.
    void stroke(const std::vector<Sample>& samples) {
        send(T::LeftDown, samples.front());
        for (size_t i = 1; i < samples.size(); ++i) send(T::Move, samples[i]);
        send(T::LeftUp, samples.back());
    }
    // A stroke along y = 50 from x = 20 to 220 in steps of 10, its pressure given by `p`.
    std::vector<Sample> line(double (*p)(double t), bool pen = true) {
        std::vector<Sample> out;
        for (int x = 20; x <= 220; x += 10) {
            Sample s{double(x), 50.0, p((x - 20) / 200.0)};
            s.pen = pen;
            s.time = x;
            out.push_back(s);
        }
        return out;
    }
    // Rows of column x with paint on them.
    int paintedHeight(int x) {
        int n = 0;
        for (int y = 0; y < layer().image.height; ++y) n += alpha(layer().image.at(x, y)) > 0;
        return n;
    }
    void clearLayer() {
        {
            Image whole = layer().image.toImage();
            std::fill(whole.pixels.begin(), whole.pixels.end(), 0u);
            layer().image = whole;
        }
    }
};

// Rising pressure with the size following it: a narrow start, the full size at the end (the
// release reports no pressure, as a lifted pen does, and the mark keeps the last one).
TEST_F(PenTest, RisingPressureTapersTheStroke) {
    control(Gadget::SizeVsPressure, 1);
    const std::vector<Sample> samples = line([](double t) { return 0.1 + 0.9 * t; });
    send(T::LeftDown, samples.front());
    for (size_t i = 1; i < samples.size(); ++i) send(T::Move, samples[i]);
    send(T::LeftUp, {232, 50, 0.0});  // the pen lifted: it reports no pressure
    const int start = paintedHeight(30), middle = paintedHeight(120), end = paintedHeight(210);
    EXPECT_LE(start, 5);
    EXPECT_LT(start, middle);
    EXPECT_LT(middle, end);
    EXPECT_GE(end, 18);
    EXPECT_LE(end, 21);
    EXPECT_GE(paintedHeight(228), 18) << "the release keeps the last pressure";

    // Opacity following the pressure: the light start lets more of the red through.
    clearLayer();
    control(Gadget::SizeVsPressure, 0);
    control(Gadget::AlphaVsPressure, 1);
    stroke(line([](double t) { return 0.1 + 0.9 * t; }));
    EXPECT_LT(alpha(layer().image.at(25, 50)), alpha(layer().image.at(215, 50)));
}

// With its settings off a pen paints what the mouse paints, whatever its pressure and tilt; so
// does a pen pressing fully and upright with size and opacity following the pressure.
TEST_F(PenTest, PenWithoutItsSettingsPaintsAsTheMouse) {
    stroke(line([](double) { return 1.0; }, false));
    const auto mouse = pixelsOf(layer().image);
    ASSERT_GT(paintedHeight(120), 0);
    struct Case {
        const char* what;
        bool sizeVsPressure, alphaVsPressure, rotateVsTilt;
        double pressure, tiltX;
    } cases[] = {
        {"settings off, light pen, leaning", false, false, false, 0.3, 40},
        {"full pressure, size and opacity follow it", true, true, false, 1.0, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clearLayer();
        app.brush.sizeVsPressure = c.sizeVsPressure;
        app.brush.alphaVsPressure = c.alphaVsPressure;
        app.brush.rotateVsTilt = c.rotateVsTilt;
        std::vector<Sample> samples = line([](double) { return 1.0; });
        for (Sample& s : samples) {
            s.pressure = c.pressure;
            s.tiltX = c.tiltX;
        }
        stroke(samples);
        EXPECT_EQ(pixelsOf(layer().image), mouse);
    }
}

// The steady line: a jagged path gives a smoother mark that still reaches the release point.
TEST_F(PenTest, SteadyLineSmoothsAJaggedPathAndCatchesUp) {
    std::vector<Sample> jagged;
    for (int i = 0; i <= 40; ++i)
        jagged.push_back({20.0 + 5 * i, i % 2 ? 38.0 : 62.0, 1.0, 0, 0, true, false, 8.0 * i});
    jagged.back().y = 50;
    const auto spread = [&] {
        int lo = 100, hi = -1;
        for (int y = 0; y < layer().image.height; ++y)
            if (alpha(layer().image.at(120, y))) lo = std::min(lo, y), hi = std::max(hi, y);
        return hi - lo;
    };
    app.brush.size = 4;
    rebuildBrushTip(app);
    stroke(jagged);
    const int raw = spread();
    clearLayer();
    control(Gadget::Stabiliser, 50);
    stroke(jagged);
    EXPECT_LT(spread(), raw / 2);
    EXPECT_GT(alpha(layer().image.at(220, 50)), 0) << "the line catches up with the release";

    // A mouse stroke takes the steady line too.
    clearLayer();
    for (Sample& s : jagged) s.pen = false;
    stroke(jagged);
    EXPECT_LT(spread(), raw / 2);
}

// The eraser end erases while it touches, and the painter's tool, mode and colour come back.
TEST_F(PenTest, EraserEndErasesThenGivesTheToolBack) {
    stroke(line([](double) { return 1.0; }, false));
    ASSERT_GT(alpha(layer().image.at(120, 50)), 0);
    for (const Cmd tool : {Cmd::Brush, Cmd::Hand, Cmd::FillTool}) {
        SCOPED_TRACE(int(tool));
        menu(tool);
        const Tool toolBefore = app.CurrentTool;
        const uint32_t colour = app.brush.color, selected = app.brush.selectedColor;
        Sample a{110, 50}, b{130, 50};
        a.eraser = b.eraser = true;
        send(T::LeftDown, a);
        send(T::Move, b);
        EXPECT_EQ(app.brush.tool, 2);
        send(T::LeftUp, b);
        EXPECT_EQ(alpha(layer().image.at(120, 50)), 0);
        EXPECT_GT(alpha(layer().image.at(60, 50)), 0);
        EXPECT_EQ(app.CurrentTool, toolBefore);
        EXPECT_EQ(app.brush.tool, 0);
        EXPECT_EQ(app.brush.color, colour);
        EXPECT_EQ(app.brush.selectedColor, selected);
        stroke(line([](double) { return 1.0; }));  // the pen's tip paints again
        if (tool == Cmd::Brush) {
            EXPECT_EQ(layer().image.at(120, 50), kRed);
        }
    }
    // A release that never came: the next press of the tip gives the tool back first.
    menu(Cmd::Brush);
    Sample e{100, 50};
    e.eraser = true;
    send(T::LeftDown, e);
    stroke({{100, 30}, {140, 30}});
    EXPECT_EQ(app.brush.tool, 0);
    EXPECT_EQ(layer().image.at(120, 30), kRed);
}

// The pen settings' controls store into the brush within their ranges and the brush editor
// shows the same gadgets.
TEST_F(PenTest, PenControlsStoreWithinTheirRanges) {
    struct Case {
        Gadget gadget;
        int state, kept;
        uint8_t BrushSettings::*field;
    } cases[] = {
        {Gadget::SizeVsPressure, 1, 1, &BrushSettings::sizeVsPressure},
        {Gadget::SizeVsPressure, 7, 1, &BrushSettings::sizeVsPressure},
        {Gadget::AlphaVsPressure, -4, 0, &BrushSettings::alphaVsPressure},
        {Gadget::RotateVsTilt, 1, 1, &BrushSettings::rotateVsTilt},
        {Gadget::Stabiliser, 40, 40, &BrushSettings::stabiliser},
        {Gadget::Stabiliser, 70000, 100, &BrushSettings::stabiliser},
        {Gadget::Stabiliser, -1, 0, &BrushSettings::stabiliser},
    };
    for (const Case& c : cases) {
        control(c.gadget, c.state);
        EXPECT_EQ(app.brush.*c.field, c.kept) << id(c.gadget) << " <- " << c.state;
        EXPECT_EQ(ui.gadgetState(id(c.gadget)), c.kept);
    }
    menu(Cmd::BrushEditor);
    const WindowDescription* editor = ui.shownWindow(id(Window::BrushEditor));
    ASSERT_NE(editor, nullptr);
    for (const Gadget g : {Gadget::SizeVsPressure, Gadget::AlphaVsPressure, Gadget::RotateVsTilt,
                           Gadget::Stabiliser}) {
        const auto it = std::find_if(editor->controls.begin(), editor->controls.end(),
                                     [&](const ControlDescription& c) { return c.id == id(g); });
        ASSERT_NE(it, editor->controls.end()) << id(g);
        EXPECT_EQ(it->value, brushRow(id(g))->show(app.brush));
    }
    control(Gadget::Stabiliser, 25);  // from the editor: the same gadget
    EXPECT_EQ(app.brush.stabiliser, 25);
}

// The curve of the preferences comes before the brush: a flat curve at 0.2 makes a full
// pressure paint as a light touch does with the straight line.
TEST_F(PenTest, PressureCurveShapesThePressureTheBrushSees) {
    control(Gadget::SizeVsPressure, 1);
    stroke(line([](double) { return 0.2; }));
    const auto light = pixelsOf(layer().image);
    clearLayer();
    app.prefs.pressureCurve = "0,0.2 1,0.2";
    stroke(line([](double) { return 1.0; }));
    EXPECT_EQ(pixelsOf(layer().image), light);
    // A mouse presses fully whatever the curve.
    clearLayer();
    stroke(line([](double) { return 1.0; }, false));
    EXPECT_GE(paintedHeight(120), 18);
}

// The curve in the Preferences window: a press beside the points adds one, a drag moves it, a
// right press removes it; the end points keep their pressure; the button makes it straight.
TEST_F(PenTest, PressureCurveWindowDragsItsPoints) {
    menu(Cmd::Preferences);
    const Image* picture = ui.gadgetImage(id(Gadget::PrefPressureCurve));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width, 150);
    const auto straight = picture->pixels;
    const auto pointer = [&](ControlEventType type, int x, int y, bool held = false) {
        ControlEvent e;
        e.gadget = id(Gadget::PrefPressureCurve);
        e.type = type;
        e.x = x;
        e.y = y;
        e.leftHeld = held;
        onControlEvent(app, e);
    };
    const auto points = [&] { return pressureCurveFromText(app.prefs.pressureCurve).points; };
    pointer(ControlEventType::LeftDown, 149 / 2, 74);  // on the straight line: a new point
    pointer(ControlEventType::Move, 149 / 2 + 300, 149 - 120, true);
    pointer(ControlEventType::LeftUp, 149 / 2, 29);
    ASSERT_EQ(points().size(), 3u);
    EXPECT_NEAR(points()[1].x, 148.0 / 149, 1e-9) << "kept left of the last point";
    EXPECT_NEAR(points()[1].y, 120.0 / 149, 1e-9);
    EXPECT_NE(ui.gadgetImage(id(Gadget::PrefPressureCurve))->pixels, straight);
    pointer(ControlEventType::RightDown, 148, 29);
    EXPECT_EQ(points().size(), 2u);
    pointer(ControlEventType::RightDown, 0, 149);  // an end stays
    EXPECT_EQ(points().size(), 2u);
    pointer(ControlEventType::LeftDown, 149, 0);  // the top end: its pressure stays 1
    pointer(ControlEventType::Move, 20, 89, true);
    EXPECT_EQ(app.prefs.pressureCurve,
              pressureCurveText(*normalisedPressureCurve({{0, 0}, {1, 60.0 / 149}})));
    control(Gadget::PrefPressureCurveLinear, 0, ControlEventType::Click);
    EXPECT_EQ(app.prefs.pressureCurve, "0,0 1,1");
    // Closed, the window's curve takes no events.
    control(Gadget::PrefOk, 0, ControlEventType::Click);
    pointer(ControlEventType::LeftDown, 70, 20);
    EXPECT_EQ(app.prefs.pressureCurve, "0,0 1,1");
}

// pref.ini's curve: a usable text is kept in its clean form, anything else is the straight line.
TEST_F(PenTest, PressureCurveFromPrefIni) {
    const std::string path = ::testing::TempDir() + "qm_pen_pref.ini";
    struct Case {
        const char* text;
        const char* kept;
    } cases[] = {
        {"0,0 0.5,0.8 1,1", "0,0 0.5,0.8 1,1"},
        {"1,1 0,0", "0,0 1,1"},
        {"0,0.5 0.5,0.2 1,1", "0,0.5 0.5,0.5 1,1"},
        {"soft", "0,0 1,1"},
        {"", "0,0 1,1"},
        {"0,0 nan,1", "0,0 1,1"},
        {"0,0 0.1,0 0.2,0 0.3,0 0.4,0 0.5,0 0.6,0 0.7,0 1,1", "0,0 1,1"},
    };
    for (const Case& c : cases) {
        std::ofstream(path) << "PressureCurve = " << c.text << "\n";
        ASSERT_TRUE(readPreferencesFile(path, app));
        EXPECT_EQ(app.prefs.pressureCurve, c.kept) << c.text;
    }
    std::ofstream(path) << "grid = 1\n";
    ASSERT_TRUE(readPreferencesFile(path, app));
    EXPECT_EQ(app.prefs.pressureCurve, "0,0 1,1") << "a file without the key";
    app.prefs.pressureCurve = "0,0 0.25,0.5 1,1";
    std::string error;
    ASSERT_TRUE(writePreferencesFile(path, app, error)) << error;
    app.prefs.pressureCurve.clear();
    ASSERT_TRUE(readPreferencesFile(path, app));
    EXPECT_EQ(app.prefs.pressureCurve, "0,0 0.25,0.5 1,1");
    std::remove(path.c_str());
}

}  // namespace
}  // namespace qm::test
