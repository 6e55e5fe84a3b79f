// The preset panel: the tree of the preset root's groups with their presets.
#pragma once

#include <string>

namespace qm {

struct App;

// The folder the brush presets are kept in.
std::string presetRoot(const App& app);
// The preset panel. The tree lists the groups of the preset root with their presets.
void refreshPresetTree(App& app);

}  // namespace qm
