#include "shell/panels/brush_fields.h"

#include <algorithm>

#include "brush/brush_tip.h"
#include "raster/rounding.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/state/preferences.h"

namespace qm {

namespace {

// A stop position is shown x 100; the nearest whole number, halves to even.
int percent(double v) {
    return int(roundHalfEven(v * 100.0));
}

const BrushRow kRows[] = {
    {Gadget::Rotation, 0, 360, Gadget::Rotation,
     [](BrushSettings& b, int v) { b.rotate = int16_t(v); },
     [](const BrushSettings& b) { return int(b.rotate); }, kNothing},
    {Gadget::RandomRotation, 0, 360, Gadget::RandomRotation,
     [](BrushSettings& b, int v) { b.randRot = int16_t(v); },
     [](const BrushSettings& b) { return int(b.randRot); }, kNothing},
    {Gadget::Hard, 0, 1, Gadget::Hard, [](BrushSettings& b, int v) { b.smoth = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.smoth); }, kRebuildTip},
    {Gadget::PasOfBrush, 0, 255, Gadget::PasOfBrush,
     [](BrushSettings& b, int v) { b.pas = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.pas); }, kNothing},
    {Gadget::BrushWater, 0, 255, Gadget::BrushWaterTrack,
     [](BrushSettings& b, int v) { b.water = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.water); }, kNothing},
    {Gadget::BrushWaterTrack, 0, 255, Gadget::BrushWater,
     [](BrushSettings& b, int v) { b.water = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.water); }, kNothing},
    {Gadget::MixPercent, 0, 100, Gadget::MixPercentTrack,
     [](BrushSettings& b, int v) { b.mixing = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.mixing); }, kNothing},
    {Gadget::MixPercentTrack, 0, 100, Gadget::MixPercent,
     [](BrushSettings& b, int v) { b.mixing = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.mixing); }, kNothing},
    {Gadget::Viscosity, 0, 1000, Gadget::ViscosityTrack,
     [](BrushSettings& b, int v) { b.visco = int16_t(v); },
     [](const BrushSettings& b) { return int(b.visco); }, kNothing},
    {Gadget::ViscosityTrack, 0, 1000, Gadget::Viscosity,
     [](BrushSettings& b, int v) { b.visco = int16_t(v); },
     [](const BrushSettings& b) { return int(b.visco); }, kNothing},
    {Gadget::BrushSize, 1, 5000, Gadget::BrushSizeTrack,
     [](BrushSettings& b, int v) { b.size = int16_t(v); },
     [](const BrushSettings& b) { return int(b.size); }, kRebuildTip},
    {Gadget::BrushSizeTrack, 1, 300, Gadget::BrushSize,
     [](BrushSettings& b, int v) { b.size = int16_t(v); },
     [](const BrushSettings& b) { return int(b.size); }, kRebuildTip},
    {Gadget::BrushWidth, 1, 100, Gadget::BrushWidth,
     [](BrushSettings& b, int v) { b.sizeX = int16_t(v); },
     [](const BrushSettings& b) { return int(b.sizeX); }, kRebuildTip},
    {Gadget::BrushHeight, 1, 100, Gadget::BrushHeight,
     [](BrushSettings& b, int v) { b.sizeY = int16_t(v); },
     [](const BrushSettings& b) { return int(b.sizeY); }, kRebuildTip},
    {Gadget::BrushSizeRnd, 0, 100, Gadget::BrushSizeRnd,
     [](BrushSettings& b, int v) { b.randSiz = int16_t(v); },
     [](const BrushSettings& b) { return int(b.randSiz); }, kNothing},
    {Gadget::BrushSizeRndFactor, 0, 100, Gadget::BrushSizeRndFactor,
     [](BrushSettings& b, int v) { b.brushsizeRndfactor = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.brushsizeRndfactor); }, kNothing},
    {Gadget::BrushSizeVsTime, 0, 10000, Gadget::BrushSizeVsTime,
     [](BrushSettings& b, int v) { b.sizeVsTime = int16_t(v); },
     [](const BrushSettings& b) { return int(b.sizeVsTime); }, kNothing},
    {Gadget::BrushSizeVsTimeFactor, 0, 15, Gadget::BrushSizeVsTimeFactor,
     [](BrushSettings& b, int v) { b.sizeFactorVsTime = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.sizeFactorVsTime); }, kNothing},
    {Gadget::BrushType, 0, 6, Gadget::BrushType,
     [](BrushSettings& b, int v) { b.type = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.type); }, kRebuildTip | kPreview},
    {Gadget::BrushMode, 0, 4, Gadget::BrushMode,
     [](BrushSettings& b, int v) { b.tool = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.tool); }, kRecomputeColor | kRebuildTip},
    {Gadget::BrushAlpha, 0, 255, Gadget::BrushAlphaTrack,
     [](BrushSettings& b, int v) { b.alpha = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alpha); }, kRecomputeColor | kRebuildTip | kPreview},
    {Gadget::BrushAlphaTrack, 0, 255, Gadget::BrushAlpha,
     [](BrushSettings& b, int v) { b.alpha = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alpha); }, kRecomputeColor | kRebuildTip | kPreview},
    {Gadget::KeepAlpha, 0, 1, Gadget::KeepAlpha,
     [](BrushSettings& b, int v) { b.keepAlpha = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.keepAlpha); }, kNothing},
    {Gadget::OpacityJitter, 0, 10000, Gadget::OpacityJitter,
     [](BrushSettings& b, int v) { b.alphaVsTime = int16_t(v); },
     [](const BrushSettings& b) { return int(b.alphaVsTime); }, kNothing},
    // The range of the tab; in the classic work space that of the options bar (rangeOf).
    {Gadget::OpacityJitterFactor, kOpacityJitterFactorInTab.min, kOpacityJitterFactorInTab.max,
     Gadget::OpacityJitterFactor, [](BrushSettings& b, int v) { b.alphaFactorVsTime = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alphaFactorVsTime); }, kNothing},
    {Gadget::IntensityOfScatter, 0, 1000, Gadget::IntensityOfScatterTrack,
     [](BrushSettings& b, int v) { b.scatter = int16_t(v); },
     [](const BrushSettings& b) { return int(b.scatter); }, kNothing},
    {Gadget::IntensityOfScatterTrack, 0, 1000, Gadget::IntensityOfScatter,
     [](BrushSettings& b, int v) { b.scatter = int16_t(v); },
     [](const BrushSettings& b) { return int(b.scatter); }, kNothing},
    {Gadget::ScatterLinkToSize, 0, 1, Gadget::ScatterLinkToSize,
     [](BrushSettings& b, int v) { b.scatterLinkToSize = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.scatterLinkToSize); }, kNothing},
    {Gadget::GradientCustomBrush1, 0, 100, Gadget::GradientCustomBrush1,
     [](BrushSettings& b, int v) { b.gradientX = v / 100.0; },
     [](const BrushSettings& b) { return percent(b.gradientX); }, kRebuildTip},
    {Gadget::GradientCustomBrush2, 0, 100, Gadget::GradientCustomBrush2,
     [](BrushSettings& b, int v) { b.gradientX2 = v / 100.0; },
     [](const BrushSettings& b) { return percent(b.gradientX2); }, kRebuildTip},
    {Gadget::GradientCustomBrush3, 0, 100, Gadget::GradientCustomBrush3,
     [](BrushSettings& b, int v) { b.gradientX3 = v / 100.0; },
     [](const BrushSettings& b) { return percent(b.gradientX3); }, kRebuildTip},
    {Gadget::AlphaCustomBrush1, 0, 255, Gadget::AlphaCustomBrush1,
     [](BrushSettings& b, int v) { b.alphaGradientX = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alphaGradientX); }, kRebuildTip},
    {Gadget::AlphaCustomBrush2, 0, 255, Gadget::AlphaCustomBrush2,
     [](BrushSettings& b, int v) { b.alphaGradientX2 = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alphaGradientX2); }, kRebuildTip},
    {Gadget::AlphaCustomBrush3, 0, 255, Gadget::AlphaCustomBrush3,
     [](BrushSettings& b, int v) { b.alphaGradientX3 = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alphaGradientX3); }, kRebuildTip},
    // Pen input.
    {Gadget::SizeVsPressure, 0, 1, Gadget::SizeVsPressure,
     [](BrushSettings& b, int v) { b.sizeVsPressure = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.sizeVsPressure); }, kNothing},
    {Gadget::AlphaVsPressure, 0, 1, Gadget::AlphaVsPressure,
     [](BrushSettings& b, int v) { b.alphaVsPressure = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alphaVsPressure); }, kNothing},
    {Gadget::RotateVsTilt, 0, 1, Gadget::RotateVsTilt,
     [](BrushSettings& b, int v) { b.rotateVsTilt = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.rotateVsTilt); }, kNothing},
    {Gadget::Stabiliser, 0, 100, Gadget::Stabiliser,
     [](BrushSettings& b, int v) { b.stabiliser = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.stabiliser); }, kNothing},
};

const EditorRow kEditorRows[] = {
    {Gadget::EditorShape, 0, 6, [](BrushSettings& b, int v) { b.type = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.type); }, EditorAfter::RebuildTip},
    {Gadget::EditorSize, 1, 5000, [](BrushSettings& b, int v) { b.size = int16_t(v); },
     [](const BrushSettings& b) { return int(b.size); }, EditorAfter::RebuildTip},
    {Gadget::EditorWidth, 1, 100, [](BrushSettings& b, int v) { b.sizeX = int16_t(v); },
     [](const BrushSettings& b) { return int(b.sizeX); }, EditorAfter::RebuildTip},
    {Gadget::EditorHeight, 1, 100, [](BrushSettings& b, int v) { b.sizeY = int16_t(v); },
     [](const BrushSettings& b) { return int(b.sizeY); }, EditorAfter::RebuildTip},
    {Gadget::EditorRotation, 0, 360, [](BrushSettings& b, int v) { b.rotate = int16_t(v); },
     [](const BrushSettings& b) { return int(b.rotate); }, EditorAfter::Nothing},
    {Gadget::EditorHard, 0, 1, [](BrushSettings& b, int v) { b.smoth = uint8_t(v); },
     [](const BrushSettings& b) { return b.smoth ? 1 : 0; }, EditorAfter::RebuildTip},
};

}  // namespace

const BrushRow* brushRow(int gadget) {
    for (const BrushRow& row : kRows)
        if (id(row.gadget) == gadget) return &row;
    return nullptr;
}

ControlRange rangeOf(const App& app, const BrushRow& row) {
    if (row.gadget == Gadget::OpacityJitterFactor && app.iface.Interface == 0)
        return kOpacityJitterFactorInBar;
    return {row.min, row.max};
}

void showBrushSettings(App& app) {
    for (const BrushRow& row : kRows) app.ui.setGadgetState(id(row.gadget), row.show(app.brush));
}

const EditorRow* editorRow(int gadget) {
    for (const EditorRow& row : kEditorRows)
        if (id(row.gadget) == gadget) return &row;
    return nullptr;
}

void showEditorPreview(App& app) {
    auto preview = createImage(kEditorPreviewSide, kEditorPreviewSide, 24);
    if (!preview) return;
    drawRequestedTipPreview(app.tip, *preview);
    app.ui.setGadgetImage(id(Gadget::EditorTipPreview), *preview);
}

void refreshBrushEditor(App& app) {
    if (!windowIsOpen(app, id(Window::BrushEditor))) return;
    for (const EditorRow& row : kEditorRows)
        app.ui.setGadgetState(id(row.gadget), std::clamp(row.show(app.brush), row.min, row.max));
    showEditorPreview(app);
}

void refreshBrushPreview(App& app) {
    refreshBrushEditor(app);
    if (app.brushPreview18.empty()) return;
    drawRequestedTipPreview(app.tip, app.brushPreview18);
    app.ui.setGadgetImage(id(Gadget::BrushPreview), app.brushPreview18);
}

}  // namespace qm
