#include "brush/brush_preset.h"

#include <algorithm>
#include <cstdint>

#include "brush/brush_colour.h"
#include "brush/brush_fields.h"
#include "platform/key_value_file.h"
#include "platform/paths.h"

namespace qm {

namespace {

// The value of the "color" key, when it is there and holds a number.
std::optional<uint32_t> presetColour(const KeyValueFile& file, const char* key) {
    if (!file.hasKey(key)) return std::nullopt;
    const auto v = parseLenientInteger(file.readText(key));
    if (!v) return std::nullopt;
    return lowBits<uint32_t>(*v);
}

}  // namespace

bool writePresetFile(std::string_view path, const BrushSettings& b, bool saveColour,
                     std::string& error) {
    auto file = KeyValueFile::loadForRewrite(path, LineEnding::Lf, error);
    if (!file) return false;
    file->selectGroup("");
    for (const BrushField* f : presetWrittenFields()) {
        if (f->role == PresetRole::PaintColour && !saveColour) continue;
        withField(b, f->member,
                  [&](const auto& value) { file->writeText(f->name, fieldText(value)); });
    }
    return file->save(path, error);
}

bool readPresetFile(std::string_view path, std::string_view name, BrushSettings& b,
                    std::string& tipFolder, const std::function<void()>& onColourChanged) {
    std::string error;
    const auto file = KeyValueFile::load(path, error);
    if (!file) return false;
    b.name = std::string(name);
    const auto colourChanged = [&] {
        applyColourChange(b, false);
        if (onColourChanged) onColourChanged();
    };
    for (const BrushField* f : presetReadFields()) {
        const char* key = f->presetKey ? f->presetKey : f->name;
        if (f->formerKey && !file->hasKey(key)) key = f->formerKey;
        if (f->role == PresetRole::SelectedColour) {
            // Applied whenever the key holds a colour: an opaque colour is a negative signed
            // number, and is as much a colour as any other.
            if (const auto colour = presetColour(*file, key)) {
                b.selectedColor = *colour;
                colourChanged();
            }
            continue;
        }
        withField(b, f->member,
                  [&](auto& value) { readField(*file, key, f->presetAbsent, value); });
        if (f->role == PresetRole::Water && b.mixing == 0) colourChanged();
        if (f->role == PresetRole::TipFolder) tipFolder = b.brushdir;
    }
    keepTipProportionsInRange(b);
    return true;
}

void keepTipProportionsInRange(BrushSettings& b) {
    // A tip thousands of times wider than high makes every turned dab a rotation of a huge
    // image, freezing the stroke for seconds.
    b.sizeX = std::clamp<int16_t>(b.sizeX, 0, 100);
    b.sizeY = std::clamp<int16_t>(b.sizeY, 0, 100);
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
