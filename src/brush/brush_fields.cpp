#include "brush/brush_fields.h"

#include <algorithm>
#include <array>

namespace qm {

namespace {

using B = BrushSettings;
using enum PresetRole;

// Columns: name, member, written at, read at, absent, role, key read, former key.
//
// The reading order matters to the colours: tool and alpha come before "color", mixing before
// "water". The minimum size is read under the key it is written under, "sizemini"; files that
// only have "size_min" are still read. "smoth" is written too (last, after the historical keys),
// so that the "Hard" switch survives a save and a load like every other setting. The pen keys
// come last; a preset without them (any preset made before pens) paints as it always did.
constexpr std::array<BrushField, 46> kFields{{
    {"pressX", &B::pressX},
    {"pressY", &B::pressY},
    {"size", &B::size, 2, 1, 32},
    {"randSiz", &B::randSiz, 5, 4, 0},
    {"sizemini", &B::sizemini, 6, 5, 1, Plain, nullptr, "size_min"},
    {"sizeY", &B::sizeY, 4, 3, 100},
    {"sizeX", &B::sizeX, 3, 2, 100},
    {"brushsizeRndfactor", &B::brushsizeRndfactor, 7, 6, 2},
    {"sizeVsTime", &B::sizeVsTime, 9, 8, 0},
    {"strokeSizeFactor", &B::strokeSizeFactor},
    {"sizeFactorVsTime", &B::sizeFactorVsTime, 8, 7, 0},
    {"type", &B::type, 29, 15, 3},
    {"tool", &B::tool, 28, 14, 0},
    {"alpha", &B::alpha, 22, 11, 255},
    {"alphaVsTime", &B::alphaVsTime, 24, 13, 15},
    {"strokeAlpha", &B::strokeAlpha},
    {"alphaFactorVsTime", &B::alphaFactorVsTime, 23, 12, 0},
    {"keepAlpha", &B::keepAlpha},
    {"gradientX", &B::gradientX, 16, 17, 0.0},
    {"gradientX2", &B::gradientX2, 17, 18, 0.0},
    {"gradientX3", &B::gradientX3, 18, 19, 0.0},
    {"alphaGradientX", &B::alphaGradientX, 19, 20, 255},
    {"alphaGradientX2", &B::alphaGradientX2, 20, 21, 128},
    {"alphaGradientX3", &B::alphaGradientX3, 21, 22, 50},
    {"mixing", &B::mixing, 31, 27, 0},
    {"visco", &B::visco, 32, 28, 0},
    {"viscosity", &B::viscosity, 34, 29, 0},
    {"water", &B::water, 33, 30, 0, Water},
    {"rotate", &B::rotate, 10, 9, 0},
    {"rotation", &B::rotation, 11},
    {"randRot", &B::randRot, 12, 10, 0},
    {"color", &B::color, 15, 0, {}, PaintColour},
    {"selectedColor", &B::selectedColor, 0, 16, -1, SelectedColour, "color"},
    {"scatter", &B::scatter, 13, 23, 10},
    {"scatterLinkToSize", &B::scatterLinkToSize, 14, 24, 1},
    {"smoth", &B::smoth, 36, 26, 0},
    {"pas", &B::pas, 30, 25, 5},
    {"name", &B::name, 1},
    {"image", &B::image, 25, 31, "aquarelle01.jpg"},
    {"brushdir", &B::brushdir, 26, 32, "orrindal", TipFolder},
    {"group", &B::group, 35},
    {"brush", &B::brush, 27, 33, 5},
    {"sizeVsPressure", &B::sizeVsPressure, 37, 34, 0},
    {"alphaVsPressure", &B::alphaVsPressure, 38, 35, 0},
    {"rotateVsTilt", &B::rotateVsTilt, 39, 36, 0},
    {"stabiliser", &B::stabiliser, 40, 37, 0},
}};

constexpr bool defaultsFit() {
    return std::all_of(kFields.begin(), kFields.end(), [](const BrushField& f) {
        return defaultFits<BrushSettings>(f.member, f.presetAbsent) &&
               (f.presetRead == 0) == std::holds_alternative<std::monostate>(f.presetAbsent);
    });
}
static_assert(defaultsFit(), "every key read has a default of its field's kind");

constexpr auto kRead = rowsByPosition(kFields, &BrushField::presetRead);
constexpr auto kWritten = rowsByPosition(kFields, &BrushField::presetWritten);

constexpr std::size_t used(const std::array<const BrushField*, kFields.size()>& rows) {
    return std::size_t(std::find(rows.begin(), rows.end(), nullptr) - rows.begin());
}

}  // namespace

std::span<const BrushField> brushFields() {
    return kFields;
}

std::span<const BrushField* const> presetReadFields() {
    return std::span(kRead).first(used(kRead));
}

std::span<const BrushField* const> presetWrittenFields() {
    return std::span(kWritten).first(used(kWritten));
}

}  // namespace qm
