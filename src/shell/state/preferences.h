// The settings record and the record of interface state, and the ranges that pref.ini and the
// controls share. Most fields persist in "pref.ini".
#pragma once

#include <cstdint>
#include <string>

namespace qm {

// Undo steps kept when pref.ini names no number (the history also stops at a memory cap).
constexpr uint8_t kDefaultUndoSteps = 50;

// The onion-skin spins (155, 156) and pref.ini count at most this many frames each way.
constexpr int kMostOnionFrames = 10;

struct Preferences {
    std::string programName = "Quillmoth";
    uint8_t grid = 1;
    int16_t gridW = 32, gridH = 32;
    uint32_t gridColor = 0;
    std::string brushdir = "orrindal";
    std::string presetdir = "presets\\brushPresets\\orrindal";
    std::string version = "0.2987";
    std::string revision = "426";
    uint8_t brushPresetsavecolor = 0;
    std::string lang = "eng";
    uint8_t AnimationLoop = 1;
    int8_t playback = 0;  // 0 stopped, 1 playing, -1 stop requested; not saved
    uint8_t SpeedAnimation = 1;
    uint8_t quality = 1;
    uint8_t autosave = 1;
    uint8_t confirmExit = 1;
    // Painting where an animation layer holds a drawing from an earlier frame: 0 paints the held
    // drawing, 1 starts a new blank drawing at the current frame, 2 a copy of the held one.
    uint8_t AnimNewDrawing = 0;

    // Persisted globals of other owners.
    uint32_t ColorBG = 150 | (150 << 8) | (150 << 16);
    uint8_t Undo = kDefaultUndoSteps;
    uint8_t ScreenRealTime = 0;
    std::string IconPath = "Data\\ui\\icone\\";
    int16_t docWidth = 3000, docHeight = 3000;
    // The pen's pressure curve, as the text of brush/pressure_curve.h ("PressureCurve").
    std::string pressureCurve = "0,0 1,1";
};

struct InterfaceOptions {
    uint8_t Interface = 1;  // work space: 1 paint, 0 classic
    uint8_t animBarre = 0;  // timeline style: 0 bars, 1 line
    uint8_t fullscreen = 0;
    uint8_t statusBar = 1;
    uint8_t animationPanel = 1;
    uint8_t KeyLatch = 0;     // set by a handled key press on the canvas until the release
    int frameCellWidth = 20;  // timeline cell width, 4..24
    uint32_t backgroundColor = 0xFFFFFFFFu;  // the background swatch colour (alpha = transparency)
    uint8_t foregroundActive = 1;            // which colour swatch is active
    // Panel layout (pixels).
    int leftPanelWidth = 180, rightPanelWidth = 180;
    int canvasWidth = 1200, canvasHeight = 800;
};

}  // namespace qm
