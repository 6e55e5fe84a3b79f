#include "shell/preferences_file.h"

#include "shell/app.h"
#include "shell/dictionary.h"

namespace qm {

namespace {

// The values set when "pref.ini" cannot be opened. Fields the file would leave unchanged in
// that case (gridColor, selectedColor, the gradient stops, scatter, ...) are not touched.
void setNoFileValues(App& app) {
    Preferences& p = app.prefs;
    BrushSettings& b = app.brush;
    p.lang = "eng";
    p.grid = 1;
    p.gridW = 32;
    p.gridH = 32;
    p.brushdir = "orrindal";
    p.presetdir = "presets\\brushPresets\\orrindal";
    p.AnimationLoop = 1;
    p.SpeedAnimation = 1;
    p.quality = 1;
    p.confirmExit = 1;
    p.autosave = 1;
    p.docWidth = 3000;
    p.docHeight = 3000;
    app.doc.paper = "presets\\paper\\paper0.png";
    p.Undo = 8;
    p.ColorBG = 150 | (150 << 8) | (150 << 16);
    app.iface.Interface = 1;
    app.iface.animBarre = 0;
    p.IconPath = "Data\\ui\\icone\\";
    b.size = 20;
    b.sizeX = 100;
    b.sizeY = 100;
    b.randSiz = 0;
    b.brushsizeRndfactor = 2;
    b.sizeFactorVsTime = 0;
    b.sizeVsTime = 0;
    b.alpha = 255;
    b.type = 0;
    b.tool = 0;
    b.color = 0;
    b.rotate = 0;
    b.randRot = 360;
    b.scatterLinkToSize = 1;
    b.brush = 1;
    b.group = "Misc";
    b.brushdir = "orrindal";
    b.pas = 5;
    b.mixing = 1;
    b.visco = 0;
    b.viscosity = 0;
    b.water = 0;
    b.alphaFactorVsTime = 15;
    b.alphaVsTime = 15;
}

}  // namespace

void readPreferences(App& app) {
    app.prefs.programName = "Quillmoth";
    setNoFileValues(app);
    loadBuiltinDictionary(app.dictionary);
    app.doc.Width = app.prefs.docWidth;
    app.doc.Height = app.prefs.docHeight;
    app.doc.Zoom = 100;
    app.brush.strokeAlpha = 255.0;
    app.brush.strokeSizeFactor = 100.0;
    app.prefs.version = "0.2987";
    app.prefs.revision = "426";
}

void setStartValues(App& app) {
    InterfaceOptions& i = app.iface;
    i.frameCellWidth = 20;
    i.animationPanel = 1;
    i.statusBar = 1;
    i.Interface = 1;
    i.panelTop = 40;
    i.leftPanelWidth = 180;
    i.toolPanelHeight = 450;
    i.rightPanelWidth = 180;
    i.animPanelHeight = 130;
    i.menuAllowance = 28;
    i.toolbarAllowance = 24;
    BrushSettings& b = app.brush;
    b.selectedColor = uint32_t(b.alpha) << 24;
    b.gradientX = 0.1;
    b.gradientX2 = 0.1;
    b.gradientX3 = 0.5;
    b.alphaGradientX = 255;
    b.alphaGradientX2 = 0;
    b.alphaGradientX3 = 125;
}

void writePreferences(App&) {}

}  // namespace qm
