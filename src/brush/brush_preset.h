// The brush preset file (".qmb"): one brush's settings as a key/value text file without groups,
// and the preset tree: under the preset root folder each sub-folder is a group, each ".qmb" file
// in a group folder a preset named after the file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brush/brush_settings.h"

namespace qm {

// Writes the settings to `path`. An existing file is rewritten in place, so keys this program
// does not write stay; a file that exists but cannot be read is left alone (false). The paint
// colour is written (as a signed 32-bit integer) only when `saveColour` is set.
bool writePresetFile(std::string_view path, const BrushSettings& b, bool saveColour,
                     std::string& error);

// Reads the preset at `path` into the settings; false, with nothing changed, when the file
// cannot be opened. `name` becomes the preset name. Absent keys take their defaults. On the way,
// in file-key order: a "color" key that holds a number becomes the selected colour and the
// colours are changed as "colour changed" does (the paint colour follows); after "water", with
// mixing off, the paint colour follows the selected colour again; after "brushdir" the tip folder
// in use becomes a copy of it. `onColourChanged`, when given, runs after each such colour change
// (for the swatch previews). The tip is not rebuilt here: the caller rebuilds it once at the end.
bool readPresetFile(std::string_view path, std::string_view name, BrushSettings& b,
                    std::string& tipFolder, const std::function<void()>& onColourChanged = {});

// The tip's width and height are percentages of its size, 1..100 in the controls; larger ones
// only come from a hand-edited file and are brought within 0..100 wherever settings are read.
void keepTipProportionsInRange(BrushSettings& b);

// The file name a preset is saved under from a requester's answer: every ".qmb" is removed from
// the file name (any letter case) and ".qmb" appended once. The folder part is kept as it is.
std::string presetSaveName(std::string_view chosen);

struct PresetGroup {
    std::string name;                  // the group folder's name
    std::vector<std::string> presets;  // preset names: the file names without ".qmb"
};

// The groups under the preset root, in listing order, each with the presets that open as
// key/value files. ".qmb" files directly in the root belong to no group and are not listed.
std::vector<PresetGroup> listPresetTree(std::string_view root);

// The file of a tree item: root / treePath ".qmb", where treePath is "group/preset" for a preset
// and "group" for a group item (no such file normally exists; saving over a group item writes
// it beside the groups). nullopt when a part is not a plain file name, so names taken from the
// tree can never lead outside the preset root.
std::optional<std::string> presetFilePath(std::string_view root, std::string_view group,
                                          std::string_view preset = {});

}  // namespace qm
