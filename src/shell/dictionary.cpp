#include "shell/dictionary.h"

#include <array>
#include <utility>

#include "shell/menu_table.h"

namespace qm {

namespace {

// Built-in texts of the keys that are not menu items (the menu table carries its own).
constexpr auto kBuiltin = std::to_array<std::pair<const char*, const char*>>({
    // Menu bar titles.
    {"File", "File"},
    {"Edit", "Edit"},
    {"View", "View"},
    {"Image", "Images"},
    {"Layers", "Layers"},
    {"Tools", "Tools"},
    {"Parameters", "Parameters"},
    {"Interface", "Interface"},
    {"Window", "Window"},
    {"Help", "Help"},
    {"NewDoc", "New Document"},
    // Messages.
    {"msg_notImplemented", "Not Implemented"},
    {"msg_update", "Update"},
    {"msg_infos", "Quillmoth is a painting and animation program."},
    {"error", "Error"},
    {"UnableToCreateImage", "Unable to create the Image"},
    {"UnableToDrawOnImage", "Unable to draw on the Image"},
    {"ExitQuillmoth", "Would you like to quit without save your work ?"},
    // Buttons and panels.
    {"BtnOk", "Ok"},
    {"BtnCancel", "Cancel"},
    {"Swatch", "Swatch"},
    {"Options", "Options"},
    {"Infos", "Infos"},
    {"Preset", "Preset"},
    {"Roughboard", "Roughboard"},
    {"LoadRB", "Load a Roughboard"},
    {"Color", "Color"},
    {"Gradient", "Gradient"},
    // Tool tips the shell shows now.
    {"Brush", "Brush"},
    {"Eraser", "Eraser"},
    {"Box", "Box"},
    {"Line", "Line"},
    {"Ellipse", "Ellipse"},
    {"FillTool", "Fill Area Tool"},
    {"MoveTool", "Move Tool"},
    {"PasOfBrush", "Pas of the Brush (space between dots/points)"},
    {"MixPercent", "% of the mix of the Brush (mix between the bg color And the current color)"},
    // Preferences window.
    {"Save&Exit", "Save & Exit"},
    {"Performance", "Performance"},
    {"AutoSave", "Automatic Save"},
    {"UpdateScreenRealTime", "Update the Screen in Real Time"},
    {"SaveColorBrush", "Save the color with the brush preset"},
    {"ConfirmExit", "Confirm before exit ?"},
    {"ShowPixel", "Show the Pixel"},
    {"AvailableAfterRestart", "Available after restart"},
});

}  // namespace

void loadBuiltinDictionary(Dictionary& dictionary) {
    for (const MenuEntry& entry : mainMenuTable())
        if (*entry.key) dictionary[entry.key] = entry.defaultText;
    for (const auto& [key, text] : kBuiltin) dictionary[key] = text;
}

const std::string& Text(Dictionary& dictionary, std::string_view key) {
    auto it = dictionary.find(std::string(key));
    if (it == dictionary.end()) it = dictionary.emplace(std::string(key), std::string()).first;
    return it->second;
}

}  // namespace qm
