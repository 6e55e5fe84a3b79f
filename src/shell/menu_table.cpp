// The data of the menu bar, the two popups and the accelerators.
#include "shell/menu_table.h"

#include <array>

#include "shell/ids.h"

namespace qm {

namespace {

using K = MenuEntry::Kind;

constexpr MenuEntry menu(const char* key, const char* text) {
    return {K::Menu, -1, key, text, "", false, false};
}
constexpr MenuEntry end() {
    return {K::EndMenu, -1, "", "", "", false, false};
}
constexpr MenuEntry sep() {
    return {K::Separator, -1, "", "", "", false, false};
}
constexpr MenuEntry item(Cmd cmd, const char* key, const char* text, const char* label = "",
                         bool disabled = false, bool checkable = false) {
    return {K::Item, id(cmd), key, text, label, disabled, checkable};
}
// An item whose text is not translated.
constexpr MenuEntry literal(Cmd cmd, const char* text) {
    return {K::Item, id(cmd), "", text, "", false, false};
}

constexpr bool kDisabled = true;
constexpr bool kCheck = true;

constexpr auto kMainMenu = std::to_array<MenuEntry>({
    menu("File", "File"),
    item(Cmd::New, "New", "New Document", "Ctrl+N"),
    sep(),
    item(Cmd::Open, "Open", "Open an Quillmoth Document", "Ctrl+O"),
    item(Cmd::OpenAs, "OpenAs", "Open as ... (Image or Tileset...)", "Ctrl+Alt+O"),
    sep(),
    menu("Recent", "Recent"),  // always empty: there is no recent-file list
    end(),
    sep(),
    menu("Convert", "Convert"),
    item(Cmd::ConvertTileSet, "ConvertTileSet", "Open an image and convert it to TileSet"),
    end(),
    sep(),
    menu("Animation", "Animation"),
    item(Cmd::OpenGroupImageAsAnimation, "OpenGroupImageAsAnimation",
         "Open an Animation (series of Images)"),
    item(Cmd::NewSpriteSheet, "NewSpriteSheet", "New Animation (sprite sheet or traditionnal)", "",
         kDisabled),
    item(Cmd::ImportImageOnAnimation, "ImportImageOnAnimation",
         "Import image(s) to document (for animation)"),
    end(),
    sep(),
    menu("Import", "Import"),
    item(Cmd::ImportOnLayer, "ImportOnLayer", "Import an Image on the layer"),
    end(),
    sep(),
    item(Cmd::Save, "Save", "Save the document", "Ctrl+S"),
    item(Cmd::SaveDocumentAs, "SaveDocumentAs", "Save Document As…"),
    item(Cmd::SaveAs, "SaveAs", "Save As..", "Ctrl+Alt+S"),
    menu("Export", "Export"),
    item(Cmd::SaveLayerAs, "SaveLayerAs", "Save layer As...", "Ctrl+Shift+S"),
    sep(),
    item(Cmd::ExportTileSet, "ExportTileSet", "Export the TileSet", "", kDisabled),
    item(Cmd::ExportBrush, "ExportBrush", "Export the preset brush"),
    item(Cmd::SaveOpenRaster, "SaveOpenRaster", "Save as OpenRaster (.ora)…"),
    sep(),
    item(Cmd::ExportSequenceImage, "ExportSequenceImage", "Export a sequence of images"),
    item(Cmd::ExportAnimationAsVideo, "ExportAnimationAsVideo", "Export the animation as Vid"),
    item(Cmd::ExportAnimStrip, "ExportAnimStrip", "Export the animation as AnimStrip"),
    end(),
    sep(),
    item(Cmd::Quit, "Quit", "Quit", "Escape"),
    end(),

    menu("Edit", "Edit"),
    item(Cmd::Undo, "Undo", "Undo", "Ctrl+Z", kDisabled),
    item(Cmd::Redo, "Redo", "Redo", "Ctrl+Y", kDisabled),
    sep(),
    item(Cmd::Cut, "Cut", "Cut", "", kDisabled),
    item(Cmd::Copy, "Copy", "Copy", "", kDisabled),
    item(Cmd::Paste, "Paste", "Paste", "Ctrl+V"),
    sep(),
    item(Cmd::Clear, "Clear", "Clear The Layer", "Ctrl+X"),
    sep(),
    item(Cmd::FillEdit, "FillEdit", "Fill Area", "K"),
    sep(),
    item(Cmd::Preferences, "Preferences", "Preferences"),
    end(),

    menu("Image", "Images"),
    menu("Adjustement", "Adjustement"),
    item(Cmd::Brightness, "Brightness", "Brightness/Contrast"),
    item(Cmd::Saturation, "Saturation", "Saturation", "", kDisabled),
    sep(),
    item(Cmd::InverseColor, "InverseColor", "Inverse Color", "Ctrl+I"),
    item(Cmd::ColorToGrey, "ColorToGrey", "Color to Grey"),
    end(),
    sep(),
    item(Cmd::ImageSize, "ImageSize", "Resize the image"),
    item(Cmd::CanvasSize, "CanvasSize", "Resize the canvas"),
    sep(),
    item(Cmd::Paper, "Paper", "Paper Background"),
    end(),

    menu("Tools", "Tools"),
    menu("", "Tool Type"),
    literal(Cmd::RadialSpeedLine, "Radial Speed Line"),
    literal(Cmd::StraightSpeedLine, "Straigt Speed Line"),
    end(),
    menu("Brush", "Brush"),
    item(Cmd::PreviousBrush, "PreviousBrush", "Previous Brush", "X"),
    item(Cmd::NextBrush, "NextBrush", "Next Brush", "C"),
    end(),
    end(),

    menu("Layers", "Layers"),
    item(Cmd::NewLayer, "NewLayer", "Add a new layer"),
    item(Cmd::Deletelayer, "Deletelayer", "Delete the current layer"),
    sep(),
    item(Cmd::CopyLayer, "CopyLayer", "Copy the current Layer"),
    sep(),
    end(),

    menu("View", "View"),
    item(Cmd::Grid, "Grid", "Grid", "Ctrl+G", false, kCheck),
    item(Cmd::Mark, "Mark", "Mark", "", kDisabled),
    item(Cmd::Measure, "Measure", "Measure", "Ctrl+R", kDisabled),
    sep(),
    item(Cmd::ResetView, "ResetView", "Reset The View", "*"),
    item(Cmd::CenterView, "CenterView", "Center The View", "/"),
    item(Cmd::ZoomIn, "Zoom+", "Zoom +"),
    item(Cmd::ZoomOut, "Zoom-", "Zoom -"),
    menu("Zoom", "Zoom"),
    item(Cmd::Zoom500, "Zoom500", "Zoom 500%"),
    item(Cmd::Zoom400, "Zoom400", "Zoom 400%"),
    item(Cmd::Zoom300, "Zoom300", "Zoom 300%"),
    item(Cmd::Zoom200, "Zoom200", "Zoom 200%"),
    item(Cmd::Zoom100, "Zoom100", "Zoom 100%", "0"),
    item(Cmd::Zoom50, "Zoom50", "Zoom 50%"),
    item(Cmd::Zoom25, "Zoom25", "Zoom 25%"),
    end(),
    sep(),
    end(),

    menu("", "Mode"),
    item(Cmd::Painting, "Painting", "Painting", "", kDisabled),
    item(Cmd::Animation, "Animation", "Animation", "", kDisabled),
    end(),

    menu("Animation", "Animation"),
    item(Cmd::NextFrame, "NextFrame", "Next frame", "."),
    item(Cmd::PreviousFrame, "PreviousFrame", "Previous frame", ","),
    item(Cmd::NextDrawing, "NextDrawing", "Next drawing", "Alt+."),
    item(Cmd::PreviousDrawing, "PreviousDrawing", "Previous drawing", "Alt+,"),
    sep(),
    item(Cmd::NewBlankDrawing, "NewBlankDrawing", "New blank drawing"),
    item(Cmd::CopyDrawing, "CopyDrawing", "Copy of the drawing"),
    item(Cmd::DeleteDrawing, "DeleteDrawing", "Delete the drawing"),
    sep(),
    item(Cmd::HoldLonger, "HoldLonger", "Hold one frame longer", "+"),
    item(Cmd::HoldShorter, "HoldShorter", "Hold one frame shorter", "-"),
    sep(),
    item(Cmd::InsertFrame, "InsertFrame", "Insert a frame"),
    item(Cmd::RemoveFrame, "RemoveFrame", "Remove the frame"),
    end(),

    menu("Window", "Window"),
    item(Cmd::Fullscreen, "Fullscreen", "Mode Fullscreen", "F12"),
    sep(),
    item(Cmd::BrushEditor, "BrushEditor", "Show the Brush Editor", "Ctrl+Alt+B"),
    item(Cmd::BrushAnimated, "BrushAnimated", "Open the Brush Animated Window"),
    item(Cmd::ShowPanelLayer, "ShowPanelLayer", "Show the Layer Panel"),
    sep(),
    menu("WorkSpace", "WorkSpace"),
    item(Cmd::WorkSpaceLoad, "WorkSpaceLoad", "Load a WorkSpace", "", kDisabled),
    item(Cmd::WorkSpacePaint, "WorkSpacePaint", "WorkSpace Paint"),
    item(Cmd::WorkSpaceClassic, "WorkSpaceClassic", "WorkSpace Classic"),
    item(Cmd::WorkSpaceAnimation, "WorkSpaceAnimation", "WorkSpace Animation", "", kDisabled),
    end(),
    sep(),
    item(Cmd::OpenAnimationWindow, "OpenAnimationWindow", "Open Animation Window"),
    item(Cmd::ShowAnimationPanel, "ShowAnimationPanel", "Show Animation Menu", "", false, kCheck),
    sep(),
    item(Cmd::StatusBar, "StatusBar", "Show Status Bar"),
    end(),

    menu("Help", "Help"),
    item(Cmd::About, "About", "About"),
    sep(),
    item(Cmd::Update, "Update", "Update"),
    sep(),
    item(Cmd::Infos, "Infos", "Infos"),
    sep(),
    item(Cmd::HelpChm, "HelpChm", "Help (html)"),
    item(Cmd::HelpTxt, "HelpTxt", "Help (txt)"),
    end(),
});

constexpr auto kLayerKindPopup = std::to_array<MenuEntry>({
    literal(Cmd::AnimLayer, "Layer"),
    literal(Cmd::AnimObjet, "Objet"),
    literal(Cmd::AnimBackground, "Background"),
    literal(Cmd::AnimCamera, "Camera"),
    literal(Cmd::AnimParticule, "Particule"),
    literal(Cmd::AnimLight, "Light"),
});

constexpr auto kBlendModePopup = std::to_array<MenuEntry>({
    literal(Cmd::BlendNormal, "Normal"),
    sep(),
    literal(Cmd::BlendMultiply, "Multiply"),
    literal(Cmd::BlendColorBurn, "Color Burn"),
    sep(),
    literal(Cmd::BlendScreen, "Screen"),
    literal(Cmd::BlendLinearLight, "Linear Light (Add)"),
    sep(),
    literal(Cmd::BlendOverlay, "Overlay"),
    sep(),
    literal(Cmd::BlendInverse, "Inverse"),
    sep(),
});

constexpr Accelerator key(int vkey, Cmd cmd, bool ctrl = false, bool alt = false,
                          bool shift = false) {
    return {vkey, ctrl, alt, shift, id(cmd)};
}
constexpr bool kCtrl = true, kAlt = true, kShift = true;

constexpr auto kAccelerators = std::to_array<Accelerator>({
    key(vk::Escape, Cmd::Quit),
    key('O', Cmd::Open, kCtrl),
    key('O', Cmd::OpenAs, kCtrl, kAlt),
    key('N', Cmd::New, kCtrl),
    key('S', Cmd::Save, kCtrl),
    key('S', Cmd::SaveAs, kCtrl, kAlt),
    key('S', Cmd::SaveLayerAs, kCtrl, false, kShift),
    key('Z', Cmd::Undo, kCtrl),
    key('Z', Cmd::Redo, kCtrl, false, kShift),
    key('Y', Cmd::Redo, kCtrl),
    key('W', Cmd::Cut, kCtrl),
    key('C', Cmd::Copy, kCtrl),
    key('V', Cmd::Paste, kCtrl),
    key('X', Cmd::Clear, kCtrl),
    key('I', Cmd::InverseColor, kCtrl),
    key('X', Cmd::PreviousBrush),
    key('C', Cmd::NextBrush),
    key('G', Cmd::Grid, kCtrl),
    key(vk::Add, Cmd::ZoomIn),
    key(vk::Subtract, Cmd::ZoomOut),
    key(vk::Home, Cmd::Zoom100),
    key(vk::Divide, Cmd::CenterView),
    key(vk::Multiply, Cmd::ResetView),
    key('B', Cmd::BrushEditor, kCtrl, kAlt),
    key(vk::F12, Cmd::Fullscreen),
    // The numeric pad's + and - stay the zoom's; the main keyboard's hold the drawing.
    key(vk::OemPeriod, Cmd::NextFrame),
    key(vk::OemComma, Cmd::PreviousFrame),
    key(vk::OemPeriod, Cmd::NextDrawing, false, kAlt),
    key(vk::OemComma, Cmd::PreviousDrawing, false, kAlt),
    key(vk::OemPlus, Cmd::HoldLonger),
    key(vk::OemMinus, Cmd::HoldShorter),
});

}  // namespace

std::span<const MenuEntry> mainMenuTable() {
    return kMainMenu;
}
std::span<const MenuEntry> layerKindPopupTable() {
    return kLayerKindPopup;
}
std::span<const MenuEntry> blendModePopupTable() {
    return kBlendModePopup;
}
std::span<const Accelerator> acceleratorTable() {
    return kAccelerators;
}

}  // namespace qm
