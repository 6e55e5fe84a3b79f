// The generator of random events, as a user (or a damaged script) could send them: every menu
// item, controls with states far beyond their ranges, strokes with every tool, keys, the wheel,
// and answers to whatever the program asks. The same seed gives the same events.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "codecs/codecs.h"
#include "shell/commands/zoom_commands.h"
#include "shell/menu_table.h"
#include "shell_fixture.h"

namespace qm::test {

class RandomEventTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        app.prefs.docWidth = 64;  // what the New dialog offers
        app.prefs.docHeight = 48;
        newDocument("64", "48");
        for (const MenuEntry& e : mainMenuTable())
            if (e.kind == MenuEntry::Kind::Item && e.id >= 0) menuIds.push_back(e.id);
        // Files chosen in requesters land here: documents saved and opened again, images,
        // strips, sequences, names that are odd or point nowhere.
        folder =
            (std::filesystem::temp_directory_path() / ("qm-random-" + std::to_string(::getpid())))
                .string();
        std::filesystem::create_directories(folder);
        // A document and a picture for Open and Open as to replace the document with.
        ui.queueAnswer(ScriptedAnswer::filesAnswer({folder + "/doc.qmd"}));
        menu(Cmd::Save);
        std::vector<uint8_t> png;
        std::string error;
        ASSERT_TRUE(encodePng(*createImage(40, 30, 32), png, error)) << error;
        std::ofstream(folder + "/picture.png", std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        ShellTest::TearDown();
    }

    // The commands that put another document in place of the open one.
    static bool replacesDocument(Cmd cmd) {
        return cmd == Cmd::New || cmd == Cmd::Open || cmd == Cmd::OpenAs ||
               cmd == Cmd::OpenGroupImageAsAnimation;
    }

    std::string someFile() {
        static const char* kNames[] = {"doc.qmd",
                                       "doc",
                                       "Doc.QMD",
                                       "picture.png",
                                       "picture",
                                       "shot.jpg",
                                       "shot.bmp",
                                       "frames.png",
                                       "a b/c.qmd",
                                       "missing/none.qmd",
                                       "doc_files/x.png",
                                       ".qmd",
                                       "..",
                                       ""};
        return folder + "/" + kNames[pick(int(std::size(kNames)))];
    }

    int pick(int n) { return n > 0 ? int(rng() % uint32_t(n)) : 0; }
    int between(int lo, int hi) { return lo + pick(hi - lo + 1); }

    void answerSomething() {
        switch (pick(7)) {
            case 6:  // an item of popup 1, another popup's or none of any
                ui.queueAnswer(ScriptedAnswer::popupAnswer(between(84, 110)));
                break;
            case 5: {
                std::vector<std::string> files{someFile()};
                if (pick(3) == 0) files.push_back(someFile());
                ui.queueAnswer(ScriptedAnswer::filesAnswer(files, between(-1, 4)));
                break;
            }
            case 0:
                ui.queueAnswer(ScriptedAnswer::yes());
                break;
            case 1:
                ui.queueAnswer(ScriptedAnswer::no());
                break;
            case 2:
                ui.queueAnswer(ScriptedAnswer::textAnswer(std::to_string(between(-50, 300))));
                break;
            case 3:
                ui.queueAnswer(ScriptedAnswer::colourAnswer(uint32_t(rng())));
                break;
            default:
                ui.queueAnswer(ScriptedAnswer::cancel());
                break;
        }
    }

    // New, Open or Open as, whatever the document holds: the question asked before unsaved
    // changes are lost gets a random answer (Save, Discard, Cancel) or none, and the command's own
    // requester or dialog a fitting one.
    void replaceDocument() {
        const int reply = pick(4);  // 3: left unanswered
        const bool asked = app.Modified;
        if (asked && reply == 0) {
            ui.queueAnswer(ScriptedAnswer::yes());
            if (app.documentPath.empty())  // Save asks for a name
                ui.queueAnswer(ScriptedAnswer::filesAnswer({someFile()}));
        }
        if (asked && reply == 1) ui.queueAnswer(ScriptedAnswer::no());
        if (asked && reply == 2) ui.queueAnswer(ScriptedAnswer::cancel());
        const bool goesOn = !asked || reply <= 1;
        switch (pick(3)) {
            case 0: {
                menu(Cmd::New);
                ui.setGadgetText(id(Gadget::NewDocWidth), std::to_string(between(-2, 96)));
                ui.setGadgetText(id(Gadget::NewDocHeight), std::to_string(between(1, 96)));
                ControlEvent ok;
                ok.gadget = id(Gadget::NewDocOk);
                ok.type = ControlEventType::Click;
                onControlEvent(app, ok);
                break;
            }
            case 1:
                if (goesOn) ui.queueAnswer(ScriptedAnswer::filesAnswer({folder + "/doc.qmd"}));
                menu(Cmd::Open);
                break;
            default:
                if (goesOn) ui.queueAnswer(ScriptedAnswer::filesAnswer({folder + "/picture.png"}));
                menu(Cmd::OpenAs);
                break;
        }
    }

    void randomEvent() {
        const int ox = app.ViewOffsetX, oy = app.ViewOffsetY;
        switch (pick(14)) {
            case 0: {
                for (int n = pick(3) == 0 ? 1 + pick(3) : 0; n > 0; --n) answerSomething();
                // Quitting is a request the loop acts on; the run goes on regardless.
                const Cmd cmd = Cmd(menuIds[size_t(pick(int(menuIds.size())))]);
                if (keepDocument && replacesDocument(cmd)) break;
                menu(cmd);
                break;
            }
            case 1:
            case 2: {
                const int gadget = between(1, 360);  // the pen settings end at 353
                if (keepDocument && gadget == id(Gadget::PrefUndo)) break;
                ControlEvent e;
                e.gadget = gadget;
                e.type = ControlEventType(pick(9));
                e.x = between(-20, 300);
                e.y = between(-20, 300);
                e.leftHeld = pick(2);
                const int state = pick(4) == 0 ? between(-70000, 70000) : between(-2, 20);
                ui.setGadgetState(gadget, state);
                ui.setGadgetText(
                    gadget, std::to_string(pick(3) == 0 ? between(-10, 100000) : between(1, 90)));
                if (pick(4) == 0) answerSomething();
                if (pick(6) == 0 && ui.gadgetItemCount(gadget) > 0)
                    ui.setGadgetItemChecked(gadget, pick(ui.gadgetItemCount(gadget)), pick(2));
                onControlEvent(app, e);
                break;
            }
            case 3:
            case 4:
            case 5: {  // a stroke, from the mouse or from a pen
                penStroke = penRng() % 3 == 0;
                canvas(CanvasEventType::LeftDown, ox + between(-10, 80), oy + between(-10, 60),
                       pick(4) == 0, pick(6) == 0);
                for (int i = pick(5); i > 0; --i)
                    canvas(CanvasEventType::Move, ox + between(-10, 80), oy + between(-10, 60),
                           pick(5) == 0, pick(8) == 0, true);
                if (pick(8))
                    canvas(CanvasEventType::LeftUp, ox + between(-10, 80), oy + between(-10, 60));
                penStroke = false;
                break;
            }
            case 6: {
                static constexpr int kKeys[] = {vk::Control,  vk::Space,    'B',     'E',
                                                'K',          'V',          'Z',     'Y',
                                                vk::OemClose, vk::OemTilde, vk::Add, vk::Subtract};
                CanvasEvent e;
                e.type = pick(2) ? CanvasEventType::KeyDown : CanvasEventType::KeyUp;
                e.key = kKeys[pick(int(std::size(kKeys)))];
                e.ctrl = pick(3) == 0;
                e.shift = pick(4) == 0;
                onCanvasEvent(app, e);
                break;
            }
            case 7: {
                CanvasEvent e;
                e.type = CanvasEventType::Wheel;
                e.wheel = pick(10) == 0 ? between(-100000, 100000) : between(-3, 3);
                onCanvasEvent(app, e);
                break;
            }
            case 8:
                menu(pick(2) ? Cmd::Undo : Cmd::Redo);
                break;
            case 9:
                menu(Cmd::NewLayer);
                break;
            case 12:
                if (!keepDocument) replaceDocument();
                break;
            case 13:
                animationEvent();
                break;
            default: {  // a tool chosen from the tool bar
                static constexpr Cmd kTools[] = {
                    Cmd::Brush, Cmd::Eraser,   Cmd::MoveTool,    Cmd::FillTool,
                    Cmd::Hand,  Cmd::ZoomTool, Cmd::ColorPicker, Cmd::Box,
                    Cmd::Line,  Cmd::Ellipse,  Cmd::Gradient,    Cmd::RadialSpeedLine};
                menu(kTools[pick(int(std::size(kTools)))]);
                break;
            }
        }
        // Deep zoom makes every display image thousands of pixels wide; the view keeps to a few
        // hundred percent here (the clamps of the zoom have their own tests).
        if (app.viewState.Zoom > 800) setZoomAndApply(app, 800);
    }

    // Painting into an animation layer (a click on its row in the list, or a layer chosen
    // again), or an Alt drag of a drawing on the timeline, with Ctrl for a copy.
    void animationEvent() {
        ControlEvent e;
        e.type = ControlEventType::LeftDown;
        switch (pick(3)) {
            case 0:
                e.gadget = id(Gadget::AnimationLayerList);
                e.x = between(41, 200);
                e.y = 21 + kTimelineRow * between(0, 3) + between(1, 18);
                onControlEvent(app, e);
                break;
            case 1:
                e.gadget = id(Gadget::LayerTree);
                ui.setGadgetState(e.gadget, between(-1, 3));
                onControlEvent(app, e);
                break;
            default:
                e.gadget = id(Gadget::Timeline);
                e.alt = true;
                e.ctrl = pick(2);
                e.x = between(0, 400);
                e.y = 20 + kTimelineRow * between(0, 2) + between(0, 19);
                onControlEvent(app, e);
                e.type = ControlEventType::Move;
                e.x = between(-20, 600);
                onControlEvent(app, e);
                e.type = ControlEventType::LeftUp;
                e.alt = pick(2);
                onControlEvent(app, e);
                break;
        }
    }
    static constexpr int kTimelineRow = 20;

    // Pen samples: pressures, tilts, sub-pixel parts and times, some of them far beyond what a
    // device reports (the pen's own draws, so that the other events stay as they were).
    void penSample(CanvasEvent& e) override {
        if (!penStroke) return;
        const auto real = [&](double lo, double hi) {
            return lo + (hi - lo) * double(penRng() % 10001) / 10000.0;
        };
        static constexpr double kOdd[] = {std::numeric_limits<double>::quiet_NaN(),
                                          std::numeric_limits<double>::infinity(), -1e300, 1e300};
        const auto odd = [&](double usual) {
            return penRng() % 16 == 0 ? kOdd[penRng() % std::size(kOdd)] : usual;
        };
        e.pen = true;
        e.pressure = odd(real(-0.2, 1.2));
        e.tiltX = odd(real(-95, 95));
        e.tiltY = odd(real(-95, 95));
        e.hasTilt = penRng() % 2;
        e.subX = odd(real(-0.6, 0.6));
        e.subY = odd(real(-0.6, 0.6));
        e.time = odd(penTime += real(-2, 12));
        e.eraser = penRng() % 5 == 0;
    }

    std::mt19937 rng{20261210};
    std::mt19937 penRng{977};
    bool penStroke = false;
    double penTime = 0;
    std::string folder;
    std::vector<int> menuIds;
    // Events that would replace the document (New, Open, Open as, opening frames as an
    // animation) are left out, and so is the Undo steps preference: the document stays the
    // one the run started with, and every step it took stays in the history.
    bool keepDocument = false;
};

}  // namespace qm::test
