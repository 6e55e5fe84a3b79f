#include "brush/brush_preset.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <variant>

#include "brush/brush_color.h"
#include "platform/key_value_file.h"
#include "platform/paths.h"

namespace qm {

namespace {

// A BrushSettings field a preset key reads or writes, at the field's own width.
using Field =
    std::variant<int16_t BrushSettings::*, uint8_t BrushSettings::*, uint32_t BrushSettings::*,
                 double BrushSettings::*, std::string BrushSettings::*>;

// What a read key does besides storing its value.
enum class After {
    Nothing,
    ColorKey,   // only a present, numeric value is used: selected colour + colour changed
    Water,      // with mixing off, the paint colour follows the selected colour
    TipFolder,  // the tip folder in use becomes a copy of brushdir
};

struct WrittenKey {
    const char* key;
    Field field;
    bool colorOnly = false;  // written only while the save-colour switch is on
};

using Default = std::variant<int64_t, double, const char*>;

struct ReadKey {
    const char* key;
    Field field;
    Default value;  // used when the key is absent
    After after = After::Nothing;
    const char* formerKey = nullptr;  // read when `key` is absent
};

using B = BrushSettings;

// Written in this order. "smoth" is written too (last, after the historical keys), so that the
// "Hard" switch survives a save and a load like every other setting.
const WrittenKey kWritten[] = {
    {"name", &B::name},
    {"size", &B::size},
    {"sizeX", &B::sizeX},
    {"sizeY", &B::sizeY},
    {"randSiz", &B::randSiz},
    {"sizemini", &B::sizemini},
    {"brushsizeRndfactor", &B::brushsizeRndfactor},
    {"sizeFactorVsTime", &B::sizeFactorVsTime},
    {"sizeVsTime", &B::sizeVsTime},
    {"rotate", &B::rotate},
    {"rotation", &B::rotation},
    {"randRot", &B::randRot},
    {"scatter", &B::scatter},
    {"scatterLinkToSize", &B::scatterLinkToSize},
    {"color", &B::color, true},
    {"gradientX", &B::gradientX},
    {"gradientX2", &B::gradientX2},
    {"gradientX3", &B::gradientX3},
    {"alphaGradientX", &B::alphaGradientX},
    {"alphaGradientX2", &B::alphaGradientX2},
    {"alphaGradientX3", &B::alphaGradientX3},
    {"alpha", &B::alpha},
    {"alphaFactorVsTime", &B::alphaFactorVsTime},
    {"alphaVsTime", &B::alphaVsTime},
    {"image", &B::image},
    {"brushdir", &B::brushdir},
    {"brush", &B::brush},
    {"tool", &B::tool},
    {"type", &B::type},
    {"pas", &B::pas},
    {"mixing", &B::mixing},
    {"visco", &B::visco},
    {"water", &B::water},
    {"viscosity", &B::viscosity},
    {"group", &B::group},
    {"smoth", &B::smoth},
};

// Read in this order; the actions depend on it (tool and alpha before "color", mixing before
// "water"). The minimum size is read under the key it is written under, "sizemini"; files that
// only have "size_min" are still read.
const ReadKey kRead[] = {
    {"size", &B::size, int64_t(32)},
    {"sizeX", &B::sizeX, int64_t(100)},
    {"sizeY", &B::sizeY, int64_t(100)},
    {"randSiz", &B::randSiz, int64_t(0)},
    {"sizemini", &B::sizemini, int64_t(1), After::Nothing, "size_min"},
    {"brushsizeRndfactor", &B::brushsizeRndfactor, int64_t(2)},
    {"sizeFactorVsTime", &B::sizeFactorVsTime, int64_t(0)},
    {"sizeVsTime", &B::sizeVsTime, int64_t(0)},
    {"rotate", &B::rotate, int64_t(0)},
    {"randRot", &B::randRot, int64_t(0)},
    {"alpha", &B::alpha, int64_t(255)},
    {"alphaFactorVsTime", &B::alphaFactorVsTime, int64_t(0)},
    {"alphaVsTime", &B::alphaVsTime, int64_t(15)},
    {"tool", &B::tool, int64_t(0)},
    {"type", &B::type, int64_t(3)},
    {"color", &B::selectedColor, int64_t(-1), After::ColorKey},
    {"gradientX", &B::gradientX, 0.0},
    {"gradientX2", &B::gradientX2, 0.0},
    {"gradientX3", &B::gradientX3, 0.0},
    {"alphaGradientX", &B::alphaGradientX, int64_t(255)},
    {"alphaGradientX2", &B::alphaGradientX2, int64_t(128)},
    {"alphaGradientX3", &B::alphaGradientX3, int64_t(50)},
    {"scatter", &B::scatter, int64_t(10)},
    {"scatterLinkToSize", &B::scatterLinkToSize, int64_t(1)},
    {"pas", &B::pas, int64_t(5)},
    {"smoth", &B::smoth, int64_t(0)},
    {"mixing", &B::mixing, int64_t(0)},
    {"visco", &B::visco, int64_t(0)},
    {"viscosity", &B::viscosity, int64_t(0)},
    {"water", &B::water, int64_t(0), After::Water},
    {"image", &B::image, "aquarelle01.jpg"},
    {"brushdir", &B::brushdir, "orrindal", After::TipFolder},
    {"brush", &B::brush, int64_t(5)},
};

bool writeField(KeyValueFile& file, const char* key, const BrushSettings& b, const Field& field) {
    return std::visit(
        [&](auto member) {
            const auto& value = b.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>)
                return file.writeText(key, value);
            else if constexpr (std::is_same_v<T, double>)
                return file.writeReal(key, value);
            else if constexpr (std::is_same_v<T, uint32_t>)
                return file.writeInteger(key, int32_t(value));  // a colour, as signed 32 bits
            else
                return file.writeInteger(key, value);
        },
        field);
}

// Integers are 32-bit in the file and keep their low bits in narrower fields.
void readField(const KeyValueFile& file, const char* key, const Default& fallback, BrushSettings& b,
               const Field& field) {
    std::visit(
        [&](auto member) {
            auto& value = b.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>) {
                value = file.readText(key, std::get<const char*>(fallback));
            } else if constexpr (std::is_same_v<T, double>) {
                value = file.readReal(key, std::get<double>(fallback));
            } else {
                const int64_t v = file.readInteger(key, std::get<int64_t>(fallback));
                value = T(uint32_t(uint64_t(v)));
            }
        },
        field);
}

// The value of the "color" key, when it is there and holds a number.
std::optional<uint32_t> presetColor(const KeyValueFile& file, const char* key) {
    if (!file.hasKey(key)) return std::nullopt;
    const auto v = parseLenientInteger(file.readText(key));
    if (!v) return std::nullopt;
    return uint32_t(uint64_t(*v));
}

}  // namespace

bool writePresetFile(std::string_view path, const BrushSettings& b, bool saveColor,
                     std::string& error) {
    auto file = KeyValueFile::loadForRewrite(path, LineEnding::Lf, error);
    if (!file) return false;
    file->selectGroup("");
    for (const WrittenKey& k : kWritten) {
        if (k.colorOnly && !saveColor) continue;
        writeField(*file, k.key, b, k.field);
    }
    return file->save(path, error);
}

bool readPresetFile(std::string_view path, std::string_view name, BrushSettings& b,
                    std::string& tipFolder, const std::function<void()>& onColorChanged) {
    std::string error;
    const auto file = KeyValueFile::load(path, error);
    if (!file) return false;
    b.name = std::string(name);
    const auto colorChanged = [&] {
        applyColorChange(b, false);
        if (onColorChanged) onColorChanged();
    };
    for (const ReadKey& k : kRead) {
        const char* key = k.formerKey && !file->hasKey(k.key) ? k.formerKey : k.key;
        switch (k.after) {
            case After::ColorKey:
                // Applied whenever the key holds a colour: an opaque colour is a negative
                // signed number, and is as much a colour as any other.
                if (const auto color = presetColor(*file, key)) {
                    b.selectedColor = *color;
                    colorChanged();
                }
                break;
            case After::Water:
                readField(*file, key, k.value, b, k.field);
                if (b.mixing == 0) colorChanged();
                break;
            case After::TipFolder:
                readField(*file, key, k.value, b, k.field);
                tipFolder = b.brushdir;
                break;
            case After::Nothing:
                readField(*file, key, k.value, b, k.field);
                break;
        }
    }
    // The tip's width and height are percentages of its size, 1..100 in the controls. Larger
    // ones only come from a hand-edited file, and a tip thousands of times wider than high makes
    // every turned dab a rotation of a huge image, freezing the stroke for seconds.
    b.sizeX = std::clamp<int16_t>(b.sizeX, 0, 100);
    b.sizeY = std::clamp<int16_t>(b.sizeY, 0, 100);
    return true;
}

std::string presetSaveName(std::string_view chosen) {
    std::string name = fileName(chosen);
    static constexpr std::string_view kExtension = ".qmb";
    for (size_t at = 0; at + kExtension.size() <= name.size();) {
        if (equalsIgnoreCase(std::string_view(name).substr(at, kExtension.size()), kExtension))
            name.erase(at, kExtension.size());
        else
            ++at;
    }
    name += kExtension;
    // The folder part exactly as answered, separator included.
    return std::string(chosen.substr(0, chosen.size() - fileName(chosen).size())) + name;
}

std::vector<PresetGroup> listPresetTree(std::string_view root) {
    std::vector<PresetGroup> groups;
    const std::string rootDir = resolvePath(root);
    for (const std::string& folder : listFolder(rootDir, "*.*", EntryKind::Folders)) {
        if (folder == "." || folder == "..") continue;
        PresetGroup group{folder, {}};
        const std::string groupDir = joinPath(rootDir, folder);
        for (const std::string& file : listFolder(groupDir, "*.qmb", EntryKind::Files)) {
            std::string error;
            if (!KeyValueFile::load(joinPath(groupDir, file), error)) continue;
            group.presets.push_back(file.substr(0, file.size() - 4));  // without ".qmb"
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

std::optional<std::string> presetFilePath(std::string_view root, std::string_view group,
                                          std::string_view preset) {
    if (!isPlainFileName(group)) return std::nullopt;
    if (preset.empty()) return joinPath(root, std::string(group) + ".qmb");
    if (!isPlainFileName(preset)) return std::nullopt;
    return joinPath(joinPath(root, group), std::string(preset) + ".qmb");
}

}  // namespace qm
