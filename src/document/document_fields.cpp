#include "document/document_fields.h"

#include <array>
#include <climits>
#include <cstdint>

namespace qm {

namespace {

using D = Document;
using L = LayerProperties;
constexpr std::monostate kByRule{};

const std::array<DocumentField, 2> kDocumentFields{{
    {"Doc_w", &D::Width, int64_t(800)},
    {"Doc_h", &D::Height, int64_t(600)},
}};

const std::array<LayerField, 12> kLayerFields{{
    {"Name", &L::Name, kByRule},
    {"Blendmode", &L::Blendmode, int64_t(0)},
    {"Opacity", &L::Opacity, int64_t(255)},
    {"Position", &L::Position, kByRule},
    {"X", &L::X, int64_t(0)},
    {"Y", &L::Y, int64_t(0)},
    {"Visible", &L::Visible, int64_t(1)},
    {"Locked", &L::Locked, int64_t(0)},
    {"Frame", &L::Frame, int64_t(1)},
    {"Groupe", &L::Groupe, int64_t(0)},
    {"Paint", &L::Paint, int64_t(1)},
    {"LockAlpha", &L::LockAlpha, int64_t(0)},
}};

using A = AnimationField<Document>;
using V = AnimationField<ViewState>;
using AL = AnimationField<AnimationLayer>;
using AF = AnimationField<AnimationFrame>;
constexpr int64_t kFrames = 32767;  // frame numbers and holds are 16-bit

// Ranges as the controls that set them allow (the frame spins allow 0).
const std::array<AnimationSettingField, 7> kAnimationSettingFields{{
    A{"Fps", &D::Fps, int64_t(12), 1, 48},
    A{"FrameTotal", &D::FrameTotal, int64_t(120), 1, kFrames},
    V{"FrameStart", &ViewState::FrameStart, int64_t(1), 0, kFrames},
    V{"FrameEnd", &ViewState::FrameEnd, int64_t(120), 0, kFrames},
    V{"CurrentFrame", &ViewState::CurrentFrame, int64_t(1), 0, kFrames},
    V{"OnionBefore", &ViewState::OnionBefore, int64_t(0), 0, 10},
    V{"OnionAfter", &ViewState::OnionAfter, int64_t(0), 0, 10},
}};

const std::array<AL, 8> kAnimationLayerFields{{
    {"Name", &AnimationLayer::Name, kByRule},
    {"Order", &AnimationLayer::Order, kByRule, 0, 255},
    {"Kind", &AnimationLayer::Kind, int64_t(0), 0, 5},
    {"Alpha", &AnimationLayer::Alpha, int64_t(255), 0, 255},
    {"Color", &AnimationLayer::Color, kByRule, INT32_MIN, UINT32_MAX},
    {"Shown", &AnimationLayer::Shown, int64_t(1), 0, 1},
    {"Flag2", &AnimationLayer::Flag2, int64_t(1), 0, 1},
    {"Current", &AnimationLayer::Current, int64_t(0), 0, 1},
}};

const std::array<AF, 4> kAnimationFrameFields{{
    {"Frame", &AnimationFrame::Frame, int64_t(1), 1, kFrames},
    {"Hold", &AnimationFrame::Hold, int64_t(1), 1, kFrames},
    {"X", &AnimationFrame::X, int64_t(0), INT16_MIN, INT16_MAX},
    {"Y", &AnimationFrame::Y, int64_t(0), INT16_MIN, INT16_MAX},
}};

}  // namespace

std::span<const AnimationSettingField> animationSettingFields() {
    return kAnimationSettingFields;
}

std::span<const AnimationField<AnimationLayer>> animationLayerFields() {
    return kAnimationLayerFields;
}

std::span<const AnimationField<AnimationFrame>> animationFrameFields() {
    return kAnimationFrameFields;
}

std::span<const DocumentField> documentFields() {
    return kDocumentFields;
}

std::span<const LayerField> layerFields() {
    return kLayerFields;
}

}  // namespace qm
