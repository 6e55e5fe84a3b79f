#include "shell/panels/brush_fields.h"

#include <algorithm>

#include "brush/brush_tip.h"
#include "raster/rounding.h"
#include "shell/app.h"
#include "shell/gadget_table.h"
#include "shell/ids.h"

namespace qm {

namespace {

// A stop position is shown x 100; the nearest whole number, halves to even.
int percent(double v) {
    return int(roundHalfEven(v * 100.0));
}

const BrushRow kRows[] = {
    {Gadget::Rotation, Gadget::Rotation, [](BrushSettings& b, int v) { b.rotate = int16_t(v); },
     [](const BrushSettings& b) { return int(b.rotate); }, kNothing},
    {Gadget::RandomRotation, Gadget::RandomRotation,
     [](BrushSettings& b, int v) { b.randRot = int16_t(v); },
     [](const BrushSettings& b) { return int(b.randRot); }, kNothing},
    {Gadget::Hard, Gadget::Hard, [](BrushSettings& b, int v) { b.smoth = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.smoth); }, kRebuildTip},
    {Gadget::PasOfBrush, Gadget::PasOfBrush, [](BrushSettings& b, int v) { b.pas = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.pas); }, kNothing},
    {Gadget::BrushWater, Gadget::BrushWaterTrack,
     [](BrushSettings& b, int v) { b.water = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.water); }, kNothing},
    {Gadget::BrushWaterTrack, Gadget::BrushWater,
     [](BrushSettings& b, int v) { b.water = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.water); }, kNothing},
    {Gadget::MixPercent, Gadget::MixPercentTrack,
     [](BrushSettings& b, int v) { b.mixing = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.mixing); }, kNothing},
    {Gadget::MixPercentTrack, Gadget::MixPercent,
     [](BrushSettings& b, int v) { b.mixing = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.mixing); }, kNothing},
    {Gadget::Viscosity, Gadget::ViscosityTrack,
     [](BrushSettings& b, int v) { b.visco = int16_t(v); },
     [](const BrushSettings& b) { return int(b.visco); }, kNothing},
    {Gadget::ViscosityTrack, Gadget::Viscosity,
     [](BrushSettings& b, int v) { b.visco = int16_t(v); },
     [](const BrushSettings& b) { return int(b.visco); }, kNothing},
    {Gadget::BrushSize, Gadget::BrushSizeTrack,
     [](BrushSettings& b, int v) { b.size = int16_t(v); },
     [](const BrushSettings& b) { return int(b.size); }, kRebuildTip},
    {Gadget::BrushSizeTrack, Gadget::BrushSize,
     [](BrushSettings& b, int v) { b.size = int16_t(v); },
     [](const BrushSettings& b) { return int(b.size); }, kRebuildTip},
    {Gadget::BrushWidth, Gadget::BrushWidth, [](BrushSettings& b, int v) { b.sizeX = int16_t(v); },
     [](const BrushSettings& b) { return int(b.sizeX); }, kRebuildTip},
    {Gadget::BrushHeight, Gadget::BrushHeight,
     [](BrushSettings& b, int v) { b.sizeY = int16_t(v); },
     [](const BrushSettings& b) { return int(b.sizeY); }, kRebuildTip},
    {Gadget::BrushSizeRnd, Gadget::BrushSizeRnd,
     [](BrushSettings& b, int v) { b.randSiz = int16_t(v); },
     [](const BrushSettings& b) { return int(b.randSiz); }, kNothing},
    {Gadget::BrushSizeRndFactor, Gadget::BrushSizeRndFactor,
     [](BrushSettings& b, int v) { b.brushsizeRndfactor = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.brushsizeRndfactor); }, kNothing},
    {Gadget::BrushSizeVsTime, Gadget::BrushSizeVsTime,
     [](BrushSettings& b, int v) { b.sizeVsTime = int16_t(v); },
     [](const BrushSettings& b) { return int(b.sizeVsTime); }, kNothing},
    {Gadget::BrushSizeVsTimeFactor, Gadget::BrushSizeVsTimeFactor,
     [](BrushSettings& b, int v) { b.sizeFactorVsTime = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.sizeFactorVsTime); }, kNothing},
    {Gadget::BrushType, Gadget::BrushType, [](BrushSettings& b, int v) { b.type = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.type); }, kRebuildTip | kPreview},
    {Gadget::BrushMode, Gadget::BrushMode, [](BrushSettings& b, int v) { b.tool = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.tool); }, kRecomputeColour | kRebuildTip},
    {Gadget::BrushAlpha, Gadget::BrushAlphaTrack,
     [](BrushSettings& b, int v) { b.alpha = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alpha); },
     kRecomputeColour | kRebuildTip | kPreview},
    {Gadget::BrushAlphaTrack, Gadget::BrushAlpha,
     [](BrushSettings& b, int v) { b.alpha = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alpha); },
     kRecomputeColour | kRebuildTip | kPreview},
    {Gadget::KeepAlpha, Gadget::KeepAlpha,
     [](BrushSettings& b, int v) { b.keepAlpha = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.keepAlpha); }, kNothing},
    {Gadget::OpacityJitter, Gadget::OpacityJitter,
     [](BrushSettings& b, int v) { b.alphaVsTime = int16_t(v); },
     [](const BrushSettings& b) { return int(b.alphaVsTime); }, kNothing},
    {Gadget::OpacityJitterFactor, Gadget::OpacityJitterFactor,
     [](BrushSettings& b, int v) { b.alphaFactorVsTime = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alphaFactorVsTime); }, kNothing},
    {Gadget::IntensityOfScatter, Gadget::IntensityOfScatterTrack,
     [](BrushSettings& b, int v) { b.scatter = int16_t(v); },
     [](const BrushSettings& b) { return int(b.scatter); }, kNothing},
    {Gadget::IntensityOfScatterTrack, Gadget::IntensityOfScatter,
     [](BrushSettings& b, int v) { b.scatter = int16_t(v); },
     [](const BrushSettings& b) { return int(b.scatter); }, kNothing},
    {Gadget::ScatterLinkToSize, Gadget::ScatterLinkToSize,
     [](BrushSettings& b, int v) { b.scatterLinkToSize = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.scatterLinkToSize); }, kNothing},
    {Gadget::GradientCustomBrush1, Gadget::GradientCustomBrush1,
     [](BrushSettings& b, int v) { b.gradientX = v / 100.0; },
     [](const BrushSettings& b) { return percent(b.gradientX); }, kRebuildTip},
    {Gadget::GradientCustomBrush2, Gadget::GradientCustomBrush2,
     [](BrushSettings& b, int v) { b.gradientX2 = v / 100.0; },
     [](const BrushSettings& b) { return percent(b.gradientX2); }, kRebuildTip},
    {Gadget::GradientCustomBrush3, Gadget::GradientCustomBrush3,
     [](BrushSettings& b, int v) { b.gradientX3 = v / 100.0; },
     [](const BrushSettings& b) { return percent(b.gradientX3); }, kRebuildTip},
    {Gadget::AlphaCustomBrush1, Gadget::AlphaCustomBrush1,
     [](BrushSettings& b, int v) { b.alphaGradientX = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alphaGradientX); }, kRebuildTip},
    {Gadget::AlphaCustomBrush2, Gadget::AlphaCustomBrush2,
     [](BrushSettings& b, int v) { b.alphaGradientX2 = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alphaGradientX2); }, kRebuildTip},
    {Gadget::AlphaCustomBrush3, Gadget::AlphaCustomBrush3,
     [](BrushSettings& b, int v) { b.alphaGradientX3 = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alphaGradientX3); }, kRebuildTip},
    // Pen input.
    {Gadget::SizeVsPressure, Gadget::SizeVsPressure,
     [](BrushSettings& b, int v) { b.sizeVsPressure = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.sizeVsPressure); }, kNothing},
    {Gadget::AlphaVsPressure, Gadget::AlphaVsPressure,
     [](BrushSettings& b, int v) { b.alphaVsPressure = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.alphaVsPressure); }, kNothing},
    {Gadget::RotateVsTilt, Gadget::RotateVsTilt,
     [](BrushSettings& b, int v) { b.rotateVsTilt = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.rotateVsTilt); }, kNothing},
    {Gadget::Stabiliser, Gadget::Stabiliser,
     [](BrushSettings& b, int v) { b.stabiliser = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.stabiliser); }, kNothing},
};

const EditorRow kEditorRows[] = {
    {Gadget::EditorShape, [](BrushSettings& b, int v) { b.type = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.type); }, EditorAfter::RebuildTip},
    {Gadget::EditorSize, [](BrushSettings& b, int v) { b.size = int16_t(v); },
     [](const BrushSettings& b) { return int(b.size); }, EditorAfter::RebuildTip},
    {Gadget::EditorWidth, [](BrushSettings& b, int v) { b.sizeX = int16_t(v); },
     [](const BrushSettings& b) { return int(b.sizeX); }, EditorAfter::RebuildTip},
    {Gadget::EditorHeight, [](BrushSettings& b, int v) { b.sizeY = int16_t(v); },
     [](const BrushSettings& b) { return int(b.sizeY); }, EditorAfter::RebuildTip},
    {Gadget::EditorRotation, [](BrushSettings& b, int v) { b.rotate = int16_t(v); },
     [](const BrushSettings& b) { return int(b.rotate); }, EditorAfter::Nothing},
    {Gadget::EditorHard, [](BrushSettings& b, int v) { b.smoth = uint8_t(v); },
     [](const BrushSettings& b) { return b.smoth ? 1 : 0; }, EditorAfter::RebuildTip},
};

}  // namespace

const BrushRow* brushRow(int gadget) {
    for (const BrushRow& row : kRows)
        if (id(row.gadget) == gadget) return &row;
    return nullptr;
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
    for (const EditorRow& row : kEditorRows) {
        const GadgetRow& range = *gadgetRow(row.gadget);
        app.ui.setGadgetState(id(row.gadget),
                              std::clamp(row.show(app.brush), range.min, range.max));
    }
    showEditorPreview(app);
}

void refreshBrushPreview(App& app) {
    refreshBrushEditor(app);
    if (app.brushPreview18.empty()) return;
    drawRequestedTipPreview(app.tip, app.brushPreview18);
    app.ui.setGadgetImage(id(Gadget::BrushPreview), app.brushPreview18);
}

}  // namespace qm
