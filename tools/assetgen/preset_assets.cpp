// The default brush presets: a few brushes in groups under presets/brushPresets/orrindal/, each
// a BrushSettings written with the program's own preset writer. No colour is stored, so choosing
// a preset keeps the colour the user painted with.
#include <functional>
#include <string>
#include <vector>

#include "assetgen.h"
#include "brush/brush_preset.h"
#include "platform/paths.h"
#include "raster/image.h"

namespace qm::assetgen {

namespace {

struct Preset {
    const char* group;
    const char* name;
    std::function<void(BrushSettings&)> adjust;  // changes from a plain round brush
};

// A plain opaque round brush without jitter; every preset starts from it. With a pen, its dabs
// grow and darken with the pressure (a mouse presses fully, so they paint as before).
BrushSettings plainBrush() {
    BrushSettings b;
    b.size = 20;
    b.sizemini = 1;
    b.type = 0;
    b.tool = 0;
    b.alpha = 255;
    b.alphaVsTime = 0;
    b.alphaFactorVsTime = 0;
    b.randRot = 0;
    b.scatter = 0;
    b.pas = 5;
    b.image = "";
    b.brushdir = "orrindal";
    b.brush = 0;
    b.color = rgba(0, 0, 0, 255);
    b.sizeVsPressure = 1;
    b.alphaVsPressure = 1;
    return b;
}

const std::vector<Preset>& presets() {
    static const std::vector<Preset> list = {
        {"Basic", "Round Hard", [](BrushSettings&) {}},
        {"Basic", "Round Soft",
         [](BrushSettings& b) {
             b.type = 5;
             b.size = 40;
             b.pas = 3;
         }},
        {"Basic", "Pencil",
         [](BrushSettings& b) {
             b.tool = 1;
             b.size = 3;
             b.pas = 1;
         }},
        {"Basic", "Eraser",
         [](BrushSettings& b) {
             b.tool = 2;
             b.size = 30;
         }},
        {"Dry", "Chalk",
         [](BrushSettings& b) {
             b.type = 3;
             b.brush = 5;
             b.size = 40;
             b.randRot = 360;
             b.scatter = 20;
             b.alpha = 200;
         }},
        {"Dry", "Bristle",
         [](BrushSettings& b) {
             b.type = 3;
             b.brush = 3;
             b.size = 50;
             b.pas = 3;
         }},
        {"Dry", "Splatter",
         [](BrushSettings& b) {
             b.type = 3;
             b.brush = 7;
             b.size = 80;
             b.scatter = 200;
             b.randRot = 360;
             b.randSiz = 30;
             b.pas = 40;
         }},
        {"Wet", "Watercolour",
         [](BrushSettings& b) {
             b.type = 3;
             b.brush = 9;
             b.size = 60;
             b.alpha = 120;
             b.water = 60;
             b.mixing = 20;
         }},
        {"Wet", "Smudge",
         [](BrushSettings& b) {
             b.tool = 4;
             b.type = 5;
             b.size = 40;
         }},
        {"Wet", "Glow",
         [](BrushSettings& b) {
             b.type = 6;
             b.size = 60;
             b.alpha = 0;
             b.gradientX = 0.1;
             b.gradientX2 = 0.45;
             b.gradientX3 = 0.25;
             b.alphaGradientX = 255;
             b.alphaGradientX2 = 0;
             b.alphaGradientX3 = 128;
         }},
    };
    return list;
}

}  // namespace

bool generateBrushPresets(const std::string& presetsDir, std::string& error) {
    const std::string root = joinPath(presetsDir, "brushPresets/orrindal");
    for (const Preset& p : presets()) {
        BrushSettings b = plainBrush();
        p.adjust(b);
        b.name = p.name;
        b.group = p.group;
        const std::string folder = joinPath(root, p.group);
        if (!createFolders(folder, error)) return false;
        if (!writePresetFile(joinPath(folder, std::string(p.name) + ".qmb"), b, false, error))
            return false;
    }
    return true;
}

}  // namespace qm::assetgen
