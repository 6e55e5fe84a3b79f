#include "document/document_fields.h"

#include <array>

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

}  // namespace

std::span<const DocumentField> documentFields() {
    return kDocumentFields;
}

std::span<const LayerField> layerFields() {
    return kLayerFields;
}

}  // namespace qm
