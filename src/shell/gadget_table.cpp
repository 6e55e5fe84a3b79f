#include "shell/gadget_table.h"

#include <algorithm>
#include <cstdint>

#include "io/tileset.h"
#include "shell/state/preferences.h"

namespace qm {

namespace {

using G = Gadget;
using K = ControlKind;
using Items = std::span<const char* const>;

constexpr GadgetRow spin(G g, int min, int max, const char* tip = "") {
    return {g, K::Spin, min, max, {}, tip};
}
constexpr GadgetRow track(G g, int min, int max, const char* tip = "") {
    return {g, K::TrackBar, min, max, {}, tip};
}
constexpr GadgetRow check(G g, const char* tip = "") {
    return {g, K::CheckBox, 0, 1, {}, tip};
}
constexpr GadgetRow combo(G g, Items items, const char* tip = "") {
    return {g, K::Combo, 0, int(items.size()) - 1, items, tip};
}
constexpr GadgetRow button(G g, const char* tip) {
    return {g, K::Button, 0, 0, {}, tip};
}
constexpr GadgetRow imageButton(G g, const char* tip) {
    return {g, K::ImageButton, 0, 0, {}, tip};
}
// An image gadget the program draws; the panels' canvases also report the pointer.
constexpr GadgetRow image(G g, const char* tip) {
    return {g, K::Image, 0, 0, {}, tip};
}
constexpr GadgetRow tree(G g, const char* tip) {
    return {g, K::ScrollArea, 0, 0, {}, tip};
}

// Combo items: dictionary keys. The brush editor's shape offers the types of the panel.
constexpr const char* kBrushModes[] = {"Brush", "Pencil", "Eraser", "Water", "Smudge"};
constexpr const char* kBrushTypes[] = {"Circle Hard",  "Box",         "Ellipse",      "BrushCustom",
                                       "Circle Shine", "Circle Soft", "Circle Custom"};
constexpr const char* kBlendModes[] = {"Normal",     "Multiply",   "Add",        "Screen",
                                       "Overlay",    "Invert",     "Color Burn", "Dissolve",
                                       "Difference", "Exclusion",  "Lighten",    "Darken",
                                       "HardLight",  "ClearLight", "ColorLight"};
constexpr const char* kNavigatorModes[] = {"Mode Normal", "Mode Zoom", "Mode Hiden"};
constexpr const char* kResizeQualities[] = {"Smooth mode", "Hard mode"};
constexpr const char* kFrameUnits[] = {"Frame", "Seconde"};
constexpr const char* kTimelineStyles[] = {"Barre", "Line"};
constexpr const char* kNewDrawingModes[] = {"PaintHeldDrawing", "PaintNewDrawing",
                                            "PaintCopiedDrawing"};
constexpr const char* kTilePositions[] = {"Begining of the image", "End of the image"};

// The frame spins' largest frame.
constexpr int kLastFrameSpin = 10000;

const GadgetRow kRows[] = {
    // Colour previews: the tool column's and the "Color" page's.
    imageButton(G::ColorSwatch, "ForegroundColor"),
    imageButton(G::ColorForeground, "ForegroundColor"),
    imageButton(G::ColorBackground, "BackgroundColor"),
    // Tool options, "Brush" tab.
    combo(G::BrushMode, kBrushModes, "BrushMode"),
    combo(G::BrushType, kBrushTypes, "BrushType"),
    track(G::GradientCustomBrush1, 0, 100, "GradientCustomBrush"),
    track(G::GradientCustomBrush2, 0, 100, "GradientCustomBrush"),
    track(G::GradientCustomBrush3, 0, 100, "GradientCustomBrush"),
    track(G::AlphaCustomBrush1, 0, 255, "AlphaCustomBrush"),
    track(G::AlphaCustomBrush2, 0, 255, "AlphaCustomBrush"),
    track(G::AlphaCustomBrush3, 0, 255, "AlphaCustomBrush"),
    spin(G::BrushSize, 1, 5000, "BrushSize"),
    track(G::BrushSizeTrack, 1, 300, "BrushSize"),  // the spin goes further
    spin(G::BrushWidth, 1, 100, "BrushWidth"),
    spin(G::BrushHeight, 1, 100, "BrushHeight"),
    spin(G::BrushSizeRnd, 0, 100, "BrushSizeRnd"),
    spin(G::BrushSizeRndFactor, 0, 100, "BrushSizeRndFactor"),
    spin(G::BrushSizeVsTime, 0, 10000, "BrushSizeVsTime"),
    spin(G::BrushSizeVsTimeFactor, 0, 15, "BrushSizeVsTimeFactor"),
    spin(G::PasOfBrush, 0, 255, "PasOfBrush"),
    check(G::Hard, "BrushHard"),
    // Pen input.
    check(G::SizeVsPressure, "SizeVsPressureTip"),
    check(G::AlphaVsPressure, "AlphaVsPressureTip"),
    check(G::RotateVsTilt, "RotateVsTiltTip"),
    track(G::Stabiliser, 0, 100, "StabiliserTip"),
    // "Alpha".
    track(G::BrushAlphaTrack, 0, 255, "BrushAlpha"),
    spin(G::BrushAlpha, 0, 255, "BrushAlpha"),
    spin(G::OpacityJitter, 0, 10000, "OpacityJitter"),
    spin(G::OpacityJitterFactor, 1, 15, "OpacityJitterFactor"),
    check(G::KeepAlpha, "LayerKeepAlpha"),
    // "Color".
    spin(G::MixPercent, 0, 100, "MixPercent"),
    track(G::MixPercentTrack, 0, 100, "MixPercent"),
    spin(G::Viscosity, 0, 1000, "Viscosity"),
    track(G::ViscosityTrack, 0, 1000, "Viscosity"),
    spin(G::BrushWater, 0, 255, "BrushWater"),
    track(G::BrushWaterTrack, 0, 255, "BrushWater"),
    // "Dyn". The options bar shows the rotation as a check box, ticked when it is not 0.
    spin(G::Rotation, 0, 360, "RotationOfBrush"),
    spin(G::RandomRotation, 0, 360, "RandomRotationOfBrush"),
    spin(G::IntensityOfScatter, 0, 1000, "IntensityOfScatter"),
    track(G::IntensityOfScatterTrack, 0, 1000, "IntensityOfScatter"),
    check(G::ScatterLinkToSize, "ScatterLinkToSize"),
    // Layer panel.
    tree(G::LayerTree, "LayerList"),
    combo(G::LayerBlendMode, kBlendModes, "LayerBlendMode"),
    track(G::LayerOpacity, 0, 255, "LayerOpacity"),
    button(G::AddnewLayer, "AddnewLayer"),
    button(G::DelLayer, "DelLayer"),
    imageButton(G::AddGroup, "AddGroup"),
    button(G::MoveLayerTop, "MoveLayerTop"),
    button(G::MoveLayerBottom, "MoveLayerBottom"),
    tree(G::PresetTree, "PresetList"),
    button(G::LoadPreset, "LoadPreset"),
    button(G::ExportPreset, "ExportPreset"),
    button(G::SavePreset, "SavePreset"),
    button(G::PaperNext, "PaperNext"),
    button(G::PaperPrevious, "PaperPrevious"),
    button(G::ColorBG, "CanvasColorBG"),
    // Swatch, roughboard, gradient, navigator, colour picker.
    image(G::Swatch, "SwatchColors"),
    imageButton(G::OpenSwatch, "OpenSwatch"),
    imageButton(G::SaveSwatch, "SaveSwatch"),
    imageButton(G::NewSwatch, "NewSwatch"),
    image(G::Roughboard, "RoughBoardPaint"),
    imageButton(G::OpenRoughBoard, "OpenRoughBoard"),
    imageButton(G::SaveRoughBoard, "SaveRoughBoard"),
    imageButton(G::NewRoughBoard, "NewRoughBoard"),
    track(G::GradientAlpha, 0, 255, "GradientAlpha"),
    image(G::Navigator, "Navigator"),
    combo(G::NavigatorMode, kNavigatorModes, "NavigatorMode"),
    image(G::ColorStrip, "ColorStrip"),
    image(G::ColorSquare, "ColorSquare"),
    // Animation panel.
    imageButton(G::AddLayerAnim, "AddLayerAnim"),
    imageButton(G::DelLayerAnim, "DelLayerAnim"),
    image(G::AnimationLayerList, "AnimationLayerList"),
    imageButton(G::AddFrame, "AddFrame"),
    imageButton(G::DelFrame, "DelFrame"),
    image(G::Timeline, "Timeline"),
    imageButton(G::Pause, "PauseAnimation"),
    imageButton(G::Play, "PlayAnimation"),
    imageButton(G::LoopAnimation, "LoopAnimation"),
    imageButton(G::Stop, "StopAnimation"),
    imageButton(G::AnimationOptions, "AnimationSettings"),
    spin(G::OnionBefore, 0, kMostOnionFrames, "OnionBefore"),
    spin(G::OnionAfter, 0, kMostOnionFrames, "OnionAfter"),
    spin(G::CurrentFrame, 0, kLastFrameSpin, "CurrentFrame"),
    spin(G::FrameStart, 0, kLastFrameSpin, "FrameStart"),
    spin(G::FrameEnd, 0, kLastFrameSpin, "FrameEnd"),

    // Dialogs. Brightness, image size.
    track(G::BrightnessTrack, 0, 300),
    check(G::ConstraintProportion),
    combo(G::ImageQuality, kResizeQualities),
    // Brush editor: the fields of the panel's BrushType, BrushSize, BrushWidth, BrushHeight,
    // Rotation and Hard, with their ranges.
    combo(G::EditorShape, kBrushTypes),
    spin(G::EditorSize, 1, 5000),
    spin(G::EditorWidth, 1, 100),
    spin(G::EditorHeight, 1, 100),
    track(G::EditorRotation, 0, 360),
    check(G::EditorHard),
    // Animation settings. FrameTotal is a 16-bit field: the spin stops at its largest value.
    spin(G::FrameTotal, 1, INT16_MAX, "Total of Frame In the Animation"),
    spin(G::Fps, 1, 48, "FPS"),
    spin(G::SpeedAnimation, 0, 5, "Speed of the Animation (preview, not final)"),
    // Preferences.
    spin(G::PrefGridW, 1, 500),
    spin(G::PrefGridH, 1, 500),
    check(G::PrefScreenRealTime),
    check(G::PrefShowPixel),
    check(G::PrefSaveColorBrush),
    check(G::PrefConfirmExit),
    check(G::PrefAutoSave),
    combo(G::PrefFrameUnit, kFrameUnits),
    combo(G::PrefTimelineStyle, kTimelineStyles),
    spin(G::PrefCellWidth, 4, 24),
    spin(G::PrefUndo, 1, 255),
    combo(G::PrefAnimNewDrawing, kNewDrawingModes),
    // Tileset.
    spin(G::TileWidth, 1, kMaxTileSide),
    spin(G::TileHeight, 1, kMaxTileSide),
    spin(G::TilesPerRow, 1, kMaxTilesPerRow),
    check(G::TileConstrain),
    check(G::TileNewImage),
    combo(G::TilePosition, kTilePositions),
};

}  // namespace

std::span<const GadgetRow> gadgetTable() {
    return kRows;
}

const GadgetRow* gadgetRow(int gadget) {
    for (const GadgetRow& row : kRows)
        if (id(row.gadget) == gadget) return &row;
    return nullptr;
}

bool isRanged(const GadgetRow& row) {
    return row.kind == ControlKind::Spin || row.kind == ControlKind::TrackBar ||
           row.kind == ControlKind::CheckBox || row.kind == ControlKind::Combo;
}

int keptState(Ui& ui, Gadget gadget) {
    const int state = ui.gadgetState(id(gadget));
    const GadgetRow* row = gadgetRow(gadget);
    if (!row || !isRanged(*row)) return state;
    const int kept = std::clamp(state, row->min, row->max);
    if (kept != state) ui.setGadgetState(id(gadget), kept);
    return kept;
}

}  // namespace qm
