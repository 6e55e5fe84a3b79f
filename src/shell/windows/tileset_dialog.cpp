#include "shell/windows/tileset_dialog.h"

#include <algorithm>

#include "io/image_files.h"
#include "io/tileset.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/gadget_table.h"
#include "shell/ids.h"
#include "shell/panels/panels.h"
#include "shell/settings/dictionary.h"
#include "shell/state/tileset_state.h"
#include "shell/windows/window_list.h"

namespace qm {

namespace {

constexpr const char* kTitle = "Convert to TileSet";

WindowDescription tilesetWindow(Dictionary& d) {
    using K = ControlKind;
    // A spin of the gadget table, with its range.
    auto spin = [](Gadget g) {
        const GadgetRow& row = *gadgetRow(g);
        return ControlDescription{id(g), K::Spin, "", row.min, row.max};
    };
    return WindowDescription{
        id(Window::TileSet),
        Text(d, kTitle),
        400,
        300,
        {
            {id(Gadget::TileExportFrame), K::Frame, Text(d, "Export Dimension")},
            {id(Gadget::TileWidthLabel), K::Label, Text(d, "Width :")},
            spin(Gadget::TileWidth),
            {id(Gadget::TileHeightLabel), K::Label, Text(d, "Height :")},
            spin(Gadget::TileHeight),
            spin(Gadget::TilesPerRow),
            {id(Gadget::TileExportWidth), K::Label, Text(d, "Export Width :") + " 320"},
            {id(Gadget::TileOptionsFrame), K::Frame, Text(d, "Options")},
            {id(Gadget::TileConstrain), K::CheckBox, Text(d, "Constraint Proportion")},
            {id(Gadget::TileNewImage), K::CheckBox, Text(d, "Create a New image")},
            {id(Gadget::TilePosition), K::Combo, ""},
            {id(Gadget::TileOk), K::Button, Text(d, "BtnOk")},
            {id(Gadget::TileCancel), K::Button, Text(d, "BtnCancel")},
        },
    };
}

void showExportWidth(App& app) {
    const TilesetDialog& d = app.tileset;
    app.ui.setGadgetText(id(Gadget::TileExportWidth), Text(app.dictionary, "Export Width :") + " " +
                                                          std::to_string(d.perRow * d.tileWidth));
}

void showValues(App& app) {
    const TilesetDialog& d = app.tileset;
    app.ui.setGadgetState(id(Gadget::TileWidth), d.tileWidth);
    app.ui.setGadgetState(id(Gadget::TileHeight), d.tileHeight);
    app.ui.setGadgetState(id(Gadget::TilesPerRow), d.perRow);
    app.ui.setGadgetState(id(Gadget::TileConstrain), d.constrain);
    app.ui.setGadgetState(id(Gadget::TileNewImage), d.newImage);
    showExportWidth(app);
}

void closeTilesetDialog(App& app) {
    app.ui.closeWindow(id(Window::TileSet));
    closeWindow(app, id(Window::TileSet));
    app.tileset = TilesetDialog{};
    focusCanvas(app);
}

// A spin changed: its value within range, copied into the other side when constrained.
void spinChanged(App& app, Gadget gadget) {
    TilesetDialog& d = app.tileset;
    const int kept = keptState(app.ui, gadget);
    if (gadget == Gadget::TilesPerRow) {
        d.perRow = kept;
    } else {
        (gadget == Gadget::TileWidth ? d.tileWidth : d.tileHeight) = kept;
        if (d.constrain) d.tileWidth = d.tileHeight = kept;
    }
    showValues(app);
}

void convert(App& app) {
    TilesetDialog& d = app.tileset;
    const std::vector<Image> tiles = cutTiles(d.source, d.tileWidth, d.tileHeight);
    if (!d.newImage) {
        app.ui.messageBox("", Text(app.dictionary, "TileSetNewImageOnly"));
        return;
    }
    if (tiles.empty()) {
        app.ui.messageBox(Text(app.dictionary, kTitle),
                          fillIn(Text(app.dictionary, "ImageSmallerThanTile"),
                                 {std::to_string(d.tileWidth), std::to_string(d.tileHeight)}));
        return;
    }
    const auto tileset = composeTileset(tiles, d.perRow, d.tileWidth, d.tileHeight);
    if (!tileset) {
        app.ui.messageBox(Text(app.dictionary, kTitle),
                          Text(app.dictionary, "UnableToCreateBigImage"));
        return;
    }
    const auto choice = app.ui.saveFileRequester(
        {Text(app.dictionary, "Save Image..."), fileName(d.sourcePath),
         "PNG Images|*.png|JPEG Images|*.jpeg|BMP Images|*.bmp", 0, false});
    if (!choice || choice->paths.empty() || choice->paths[0].empty()) return;  // stays open
    const SaveFormat format = saveFormatFromIndex(choice->patternIndex);
    const std::string path = savePathFor(choice->paths[0], format);
    Dictionary& words = app.dictionary;
    if (fileExists(path) && !app.ui.askYesNo(Text(words, "Save an image"),
                                             Text(words, "Overwrite this file?") + " " + path))
        return;
    std::string error;
    if (!saveImageFile(*tileset, path, format, 7, error))
        app.ui.messageBox(Text(words, "Image save"),
                          Text(words, "Cannot save image:") + " " + path + "\n" + error);
    closeTilesetDialog(app);
}

}  // namespace

void openTilesetDialog(App& app) {
    const auto choice = app.ui.openFileRequester(
        {Text(app.dictionary, "Load Image..."), "",
         "PNG Images|*.png|JPEG Images|*.jpeg;*.jpg|All Files|*.*", 0, false});
    if (!choice || choice->paths.empty() || choice->paths[0].empty()) return focusCanvas(app);
    std::string error;
    auto source = loadImageForDocument(choice->paths[0], error);
    if (!source) {
        app.ui.messageBox(Text(app.dictionary, kTitle), Text(app.dictionary, "Cannot load image:") +
                                                            " " + choice->paths[0] + "\n" + error);
        return focusCanvas(app);
    }
    app.tileset = TilesetDialog{};
    app.tileset.source = std::move(*source);
    app.tileset.sourcePath = choice->paths[0];
    app.ui.showWindow(tilesetWindow(app.dictionary));
    openWindow(app, id(Window::TileSet));
    app.ui.clearGadgetItems(id(Gadget::TilePosition));
    for (const char* key : gadgetRow(Gadget::TilePosition)->items)
        app.ui.addGadgetItem(id(Gadget::TilePosition), Text(app.dictionary, key));
    app.ui.setGadgetState(id(Gadget::TilePosition), 0);
    showValues(app);
}

bool handleTilesetControl(App& app, int gadget) {
    if (gadget < id(Gadget::TileExportFrame) || gadget > id(Gadget::TileHeightLabel)) return false;
    if (!windowIsOpen(app, id(Window::TileSet))) return true;
    const int state = app.ui.gadgetState(gadget);
    switch (static_cast<Gadget>(gadget)) {
        case Gadget::TileWidth:
        case Gadget::TileHeight:
        case Gadget::TilesPerRow:
            spinChanged(app, static_cast<Gadget>(gadget));
            break;
        case Gadget::TileConstrain:
            app.tileset.constrain = state ? 1 : 0;
            break;
        case Gadget::TileNewImage:
            app.tileset.newImage = state ? 1 : 0;
            break;
        case Gadget::TilePosition:  // kept by the combo; the conversion does not use it
            keptState(app.ui, Gadget::TilePosition);
            break;
        case Gadget::TileOk:
            convert(app);
            break;
        case Gadget::TileCancel:
            closeTilesetDialog(app);
            break;
        default:
            break;
    }
    return true;
}

}  // namespace qm
