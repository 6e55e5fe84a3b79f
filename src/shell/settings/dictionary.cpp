#include "shell/settings/dictionary.h"

#include <array>
#include <set>
#include <utility>

#include "platform/key_value_file.h"
#include "platform/paths.h"
#include "shell/menu_table.h"

namespace qm {

namespace {

using E = DictionaryEntry;

// An entry whose file key is its dictionary key.
constexpr E same(const char* key, const char* text) {
    return {key, key, text};
}

constexpr auto kMenuTop = std::to_array<E>({
    {"File", "0", "File"},
    {"Edit", "1", "Edit"},
    {"View", "2", "View"},
    {"Image", "3", "Images"},
    {"Layers", "4", "Layers"},
    {"Tools", "5", "Tools"},
    {"Parameters", "6", "Parameters"},
    {"Interface", "7", "Interface"},
    {"Window", "8", "Window"},
    {"Help", "9", "Help"},
});

constexpr auto kFile = std::to_array<E>({
    same("New", "New Document"),
    same("Open", "Open an Quillmoth Document"),
    same("OpenAs", "Open as ... (Image or Tileset...)"),
    same("Recent", "Recent"),
    same("Import", "Import"),
    same("ImportOnLayer", "Import an Image on the layer"),
    same("ImportBrushPreset", "Import a Brush Preset"),
    same("ImportSwatch", "Import a Swatch"),
    same("Animation", "Animation"),
    same("ExportSequenceImage", "Export a sequence of images"),
    same("ExportAnimationAsVideo", "Export the animation as Vid"),
    same("ExportAnimStrip", "Export the animation as AnimStrip"),
    same("OpenGroupImageAsAnimation", "Open an Animation (series of Images)"),
    same("NewSpriteSheet", "New Animation (sprite sheet or traditionnal)"),
    same("ImportImageOnAnimation", "Import image(s) to document (for animation)"),
    same("Convert", "Convert"),
    same("ConvertTileSet", "Open an image and convert it to TileSet"),
    same("Export", "Export"),
    same("ExportTileSet", "Export the TileSet"),
    same("ExportLayerAs", "Export the layer as"),
    same("ExportBrush", "Export the preset brush"),
    same("SaveOpenRaster", "Save as OpenRaster (.ora)…"),
    same("Save", "Save the document"),
    same("SaveDocumentAs", "Save Document As…"),
    same("SaveAs", "Save As.."),
    same("SaveLayerAs", "Save layer As..."),
    same("Quit", "Quit"),
});

constexpr auto kEdition = std::to_array<E>({
    same("Undo", "Undo"),
    same("Redo", "Redo"),
    same("Copy", "Copy"),
    same("Paste", "Paste"),
    same("Cut", "Cut"),
    same("Preferences", "Preferences"),
    same("Clear", "Clear The Layer"),
    same("FillEdit", "Fill Area"),
});

constexpr auto kView = std::to_array<E>({
    same("ResetView", "Reset The View"),
    same("CenterView", "Center The View"),
    same("Zoom+", "Zoom +"),
    same("Zoom-", "Zoom -"),
    same("Zoom", "Zoom"),
    same("Zoom25", "Zoom 25%"),
    same("Zoom50", "Zoom 50%"),
    same("Zoom100", "Zoom 100%"),
    same("Zoom200", "Zoom 200%"),
    same("Zoom300", "Zoom 300%"),
    same("Zoom400", "Zoom 400%"),
    same("Zoom500", "Zoom 500%"),
    same("Zoom800", "Zoom 800%"),
    same("Zoom1600", "Zoom 1600%"),
    same("Measure", "Measure"),
    same("Mark", "Mark"),
    same("Grid", "Grid"),
});

constexpr auto kImages = std::to_array<E>({
    same("ImageSize", "Resize the image"),
    same("CanvasSize", "Resize the canvas"),
    same("Mode", "Mode"),
    same("RGB", "RGB"),
    same("Adjustement", "Adjustement"),
    same("InverseColor", "Inverse Color"),
    same("ColorToGrey", "Color to Grey"),
    same("Brightness", "Brightness/Contrast"),
    same("Saturation", "Saturation"),
    same("Paper", "Paper Background"),
});

constexpr auto kLayers = std::to_array<E>({
    same("NewLayer", "Add a new layer"),
    same("Deletelayer", "Delete the current layer"),
    same("CopyLayer", "Copy the current Layer"),
    same("Masklayer", "Mask layer"),
    same("Adjustlayer", "Adjustment layer"),
    same("AdjustLevel", "Levels"),
    same("AdjustLight", "Light"),
    same("AdjustSaturation", "Saturation"),
    same("AdjustColorBalance", "Color Balance"),
    same("AdjustInverse", "Inverse"),
    same("FilterBlur", "Blur"),
    same("FilterPixelize", "Pixelize"),
    same("Layerdown", "Move the layer down"),
    same("Layerup", "Move the layer up"),
    same("LayerOpacity", "Layer Opacity"),
    same("LayerKeepAlpha", "Keep the alpha of the layer"),
});

constexpr auto kTools = std::to_array<E>({
    {"Line", "1", "Line"},
    {"SimpleLine", "1_1", "Simple Line"},
    {"ThickLine", "1_2", "Thick Line"},
    {"SpeedLine", "1_3", "Speed Line"},
    {"RadialLine", "1_4", "Radial Line"},
    {"GeomShape", "2", "Geometric Shape"},
    {"Sh_circle", "2_1", "Circle"},
    {"Sh_circle_outline", "2_2", "Circle outline"},
    {"Sh_box", "2_3", "Box"},
    {"Sh_boxround", "2_4", "Rounded Box"},
    {"Sh_boxoutline", "2_5", "Box outline"},
    {"CustomShape", "3", "Custom Shape"},
    same("CSh_no", "-----"),
    same("Brush", "Brush"),
    same("PreviousBrush", "Previous Brush"),
    same("NextBrush", "Next Brush"),
    {"BrushCircle", "4_1", "Circle Brush"},
    {"BrushCustom", "4_2", "Custom Brush"},
    {"BrushLine", "4_3", "Line Brush"},
    {"T_eraserCircle", "5_1", "Circle Eraser"},
    {"T_eraserBrush", "5_2", "Brush Eraser"},
});

constexpr auto kParameters = std::to_array<E>({
    {"P_random", "1", "Random"},      {"P_r_rot", "1_2", "Rotation"},
    {"P_r_opac", "1_3", "Opacity"},   {"P_r_col", "1_4", "Color"},
    {"P_r_dif", "1_5", "Scatter"},    {"P_brush", "2", "Brush"},
    {"P_b_dif", "2_1", "Scatter"},    {"P_b_space", "2_2", "Spacing"},
    {"P_b_alpha", "2_3", "Opacity"},  {"P_b_color", "2_4", "Color"},
    {"P_b_anim", "2_5", "Animated"},  {"P_size", "3", "Size"},
    {"P_s_size", "3_1", "Size"},      {"P_s_w", "3_2", "Width"},
    {"P_s_h", "3_3", "Height"},       {"P_s_min", "3_4", "Minimum size"},
    {"P_Nextb", "4_1", "Next Brush"}, {"P_prevb", "4_2", "Previous Brush"},
    {"P_wc_Mix", "5_1", "Mix"},       {"P_wc_visco", "5_2", "Viscosity"},
});

constexpr auto kInterface = std::to_array<E>({
    same("Hide", "Hide"),
    same("Painting", "Painting"),
});

constexpr auto kWindow = std::to_array<E>({
    same("Pref", "Preferences"),
    {"win_Options", "Options_win", "Options"},
    same("BrushEditor", "Show the Brush Editor"),
    same("BrushAnimated", "Open the Brush Animated Window"),
    same("ShowPanelLayer", "Show the Layer Panel"),
    same("StatusBar", "Show Status Bar"),
    same("Fullscreen", "Mode Fullscreen"),
    same("OpenAnimationWindow", "Open Animation Window"),
    same("ShowAnimationPanel", "Show Animation Menu"),
    same("WorkSpace", "WorkSpace"),
    same("WorkSpaceLoad", "Load a WorkSpace"),
    same("WorkSpacePaint", "WorkSpace Paint"),
    same("WorkSpaceClassic", "WorkSpace Classic"),
    same("WorkSpaceAnimation", "WorkSpace Animation"),
    same("Historic", "History"),
    same("VersionIsUptodate", "Your version is up to date"),
    same("NewDoc", "New Document"),
});

constexpr auto kHelp = std::to_array<E>({
    same("About", "About"),
    same("AboutWin", "About Quillmoth"),
    same("Update", "Update"),
    same("HelpChm", "Help (html)"),
    same("HelpTxt", "Help (txt)"),
});

constexpr auto kPanel = std::to_array<E>({
    same("Layers", "Layers"),
    same("Swatch", "Swatch"),
    same("Options", "Options"),
    same("Infos", "Infos"),
    same("Brush", "Brush"),
    same("Preset", "Preset"),
    same("Roughboard", "Roughboard"),
    same("LoadRB", "Load a Roughboard"),
    same("Color", "Color"),
    same("Gradient", "Gradient"),
});

constexpr auto kGeneral = std::to_array<E>({
    same("Lang", "Language"),
    {"SizeDoc", "1", "Document size"},
    {"Ed_size", "2_1", "Size"},
    {"Ed_rot", "2_2", "Rotation"},
    {"Ed_tra", "2_3", "Transparency"},
    {"Ed_dif", "2_4", "Scatter"},
    {"Ed_mix", "2_5", "Mix"},
    {"Ed_rand", "3", "Random"},
    {"Ed_r_siz", "3_1", "Random size"},
    {"Ed_r_rot", "3_2", "Random rotation"},
    {"Ed_r_tra", "3_3", "Random transparency"},
    {"Ed_r_dif", "3_4", "Random scatter"},
    {"Ed_r_col", "3_5", "Random color"},
    {"Ed_r_mix", "3_6", "Random mix"},
});

constexpr auto kMessage = std::to_array<E>({
    same("msg_notImplemented", "Not Implemented"),
    same("msg_update", "Update"),
    same("msg_revision", "revision"),
    same("msg_updateSource",
         "Quillmoth is built from its sources: to update it, get the newer sources and start "
         "run.sh again. Your settings and presets are kept."),
    same("msg_helpMissing", "This help file is not installed"),
    same("msg_helpNotOpened", "No program could open this help file"),
    same("msg_infos", "Quillmoth is a painting and animation program."),
    same("error", "Error"),
    same("LayerHidden", "The layer is hidden"),
    same("UnableToCreateImage", "Unable to create the Image"),
    same("UnableToDrawOnImage", "Unable to draw on the Image"),
    same("ExitQuillmoth", "Would you like to quit without save your work ?"),
    same("SaveChanges", "The document has changes that are not saved. Save them first?"),
});

constexpr auto kButton = std::to_array<E>({
    same("BtnOk", "Ok"),
    same("BtnCancel", "Cancel"),
    same("BtnSave", "Save"),
    same("BtnDiscard", "Discard"),
});

constexpr auto kTooltip = std::to_array<E>({
    same("Brush", "Brush"),
    same("Eraser", "Eraser"),
    same("Box", "Box"),
    same("Line", "Line"),
    same("Ellipse", "Ellipse"),
    same("Fill", "Fill"),
    same("MoveTool", "Move Tool"),
    same("FillTool", "Fill Area Tool"),
    same("BrushType", "Type of the Brush"),
    same("BrushSize", "Size of the Brush"),
    same("BrushWidth", "Width of the Brush (%)"),
    same("BrushHeight", "Height of the Brush (%)"),
    same("BrushSizeVsTime", "Size decrease along the stroke"),
    same("BrushSizeVsTimeFactor", "Factor of the size decrease"),
    same("BrushAlpha", "Opacity of the Brush"),
    same("OpacityJitterFactor", "Factor of the opacity decrease"),
    same("OpacityJitter", "Opacity decrease along the stroke"),
    same("GradientCustomBrush", "Gradient of the custom Brush"),
    same("AlphaCustomBrush", "Opacity of the custom Brush"),
    same("IntensityOfScatter", "Intensity of the scatter"),
    same("ScatterLinkToSize", "Scatter linked to the size"),
    same("PasOfBrush", "Pas of the Brush (space between dots/points)"),
    same("MixPercent",
         "% of the mix of the Brush (mix between the bg color And the current color)"),
    same("Viscosity", "Viscosity"),
    same("BrushWater", "Water of the Brush"),
    same("BrushSizeRnd", "Random size of the Brush"),
    same("BrushSizeRndFactor", "Factor of the random size"),
    same("AddGroup", "Add a group"),
    same("AddnewLayer", "Add a new layer"),
    same("DelLayer", "Delete the layer"),
    same("Duplicatelayer", "Duplicate the layer"),
    same("MergeLayer", "Merge the layer"),
    same("CurrentFrame", "Current Frame"),
    same("FrameStart", "First Frame"),
    same("FrameEnd", "Last Frame"),
    same("LoopAnimation", "Loop the animation"),
    same("OnionBefore", "Onion skin: frames before"),
    same("OnionAfter", "Onion skin: frames after"),
    same("AddLayerAnim", "Add an animation layer"),
    same("DelLayerAnim", "Delete the animation layer"),
    same("LoadPreset", "Load a preset"),
    same("SavePreset", "Save the preset"),
    same("ExportPreset", "Export the preset"),
    same("AddLayerAnim", "Add an animation layer"),
    same("DelLayerAnim", "Delete the animation layer"),
    same("NewRoughBoard", "New Roughboard"),
    same("SaveRoughBoard", "Save the Roughboard"),
    same("OpenRoughBoard", "Open a Roughboard"),
    same("NewSwatch", "New Swatch"),
    same("SaveSwatch", "Save the Swatch"),
    same("OpenSwatch", "Open a Swatch"),
    same("GradientAlpha", "Opacity of the gradient"),
});

constexpr auto kWindowPreference = std::to_array<E>({
    same("Save&Exit", "Save & Exit"),
    same("Performance", "Performance"),
    same("AutoSave", "Automatic Save"),
    same("UpdateScreenRealTime", "Update the Screen in Real Time"),
    same("SaveColorBrush", "Save the color with the brush preset"),
    same("ConfirmExit", "Confirm before exit ?"),
    same("ShowPixel", "Show the Pixel"),
    same("AvailableAfterRestart", "Available after restart"),
});

// The Animation menu.
constexpr auto kAnimationMenu = std::to_array<E>({
    same("NextFrame", "Next frame"),
    same("PreviousFrame", "Previous frame"),
    same("NextDrawing", "Next drawing"),
    same("PreviousDrawing", "Previous drawing"),
    same("NewBlankDrawing", "New blank drawing"),
    same("CopyDrawing", "Copy of the drawing"),
    same("DeleteDrawing", "Delete the drawing"),
    same("HoldLonger", "Hold one frame longer"),
    same("HoldShorter", "Hold one frame shorter"),
    same("InsertFrame", "Insert a frame"),
    same("RemoveFrame", "Remove the frame"),
});

constexpr auto kGroups = std::to_array<DictionaryGroup>({
    {"menutop", kMenuTop},
    {"File", kFile},
    {"Edition", kEdition},
    {"View", kView},
    {"Images", kImages},
    {"Layers", kLayers},
    {"Tools", kTools},
    {"Parameters", kParameters},
    {"8", kInterface},
    {"Window", kWindow},
    {"Help", kHelp},
    {"Panel", kPanel},
    {"General", kGeneral},
    {"Message", kMessage},
    {"button", kButton},
    {"Tooltip", kTooltip},
    {"Window_preference", kWindowPreference},
    {"AnimationMenu", kAnimationMenu},
});

// Tool tips of the controls that the groups above give no key: read from the language file's
// "Tooltip" group like the others, but kept apart from the groups' own entries.
constexpr auto kExtraTooltips = std::to_array<E>({
    same("Pattern", "Pattern"),
    same("ColorPicker", "Color Picker"),
    same("Hand", "Hand (move the view)"),
    same("MoveLayerTop", "Move the layer up"),
    same("MoveLayerBottom", "Move the layer down"),
    same("ForegroundColor", "Foreground color (click to choose it)"),
    same("BackgroundColor", "Background color (click to choose it)"),
    same("ColorStrip", "Hue of the color square"),
    same("ColorSquare", "Click to pick the color"),
    same("BrushMode", "Mode of the Brush"),
    same("BrushHard", "Hard edge of the Brush"),
    same("SwatchColors", "Left click: pick the color. Right click: the background color"),
    same("RoughBoardPaint", "Left button: paint. Right button: pick the color"),
    same("LayerBlendMode", "Blend mode of the layer"),
    same("LayerList", "Layers: untick to hide, double-click to rename"),
    same("PresetList", "Brush presets"),
    same("PaperPrevious", "Previous paper"),
    same("PaperNext", "Next paper"),
    same("CanvasColorBG", "Color around the document"),
    same("NavigatorMode", "Mode of the navigator"),
    same("Navigator", "Click or drag to move the view"),
    same("AddFrame", "Add a frame"),
    same("DelFrame", "Delete the frame"),
    same("StopAnimation", "Stop"),
    same("PlayAnimation", "Play"),
    same("PauseAnimation", "Pause"),
    same("AnimationSettings", "Animation settings"),
    same("Timeline",
         "Timeline: click for the current frame, Ctrl+click for the first, right click for the "
         "last"),
    same("AnimationLayerList", "Animation layers: double-click to rename"),
    same("RotationOfBrush", "Rotation of the Brush"),
    same("RandomRotationOfBrush", "Random rotation of the Brush"),
});

// Texts of the panels, dialogs and messages that the groups above give no key: the dock and tab
// titles, the panels' captions and items, the dialogs' bodies, the message boxes' buttons and
// the messages. Most keys are the English text itself. Read from the group "Texts", after every
// other group; no key here is a key of another group.
constexpr auto kTexts = std::to_array<E>({
    same("Tool options", "Tool options"),
    {"NavigatorTitle", "NavigatorTitle", "Navigator"},
    same("Alpha", "Alpha"),
    same("Dyn", "Dyn"),
    same("Pencil", "Pencil"),
    same("Water", "Water"),
    same("Smudge", "Smudge"),
    same("Circle Hard", "Circle Hard"),
    same("Circle Shine", "Circle Shine"),
    same("Circle Soft", "Circle Soft"),
    same("Circle Custom", "Circle Custom"),
    same("Custom", "Custom"),
    same("Pas", "Pas"),
    same("Hard", "Hard"),
    same("Brush Size", "Brush Size"),
    same("W", "W"),
    same("H", "H"),
    same("Rnd", "Rnd"),
    same("Time", "Time"),
    same("Opacity", "Opacity"),
    same("Keep Alpha", "Keep Alpha"),
    same("Rotation", "Rotation"),
    same("Scatter", "Scatter"),
    same("Link to Size", "Link to Size"),
    same("Color Mix", "Color Mix"),
    same("Rotate", "Rotate"),
    same("Normal", "Normal"),
    same("Multiply", "Multiply"),
    same("Add", "Add"),
    same("Screen", "Screen"),
    same("Overlay", "Overlay"),
    same("Invert", "Invert"),
    same("Color Burn", "Color Burn"),
    same("Dissolve", "Dissolve"),
    same("Difference", "Difference"),
    same("Exclusion", "Exclusion"),
    same("Lighten", "Lighten"),
    same("Darken", "Darken"),
    same("HardLight", "HardLight"),
    same("ClearLight", "ClearLight"),
    same("ColorLight", "ColorLight"),
    {"BtnOpen", "BtnOpen", "Open"},
    {"BtnYes", "BtnYes", "Yes"},
    {"BtnNo", "BtnNo", "No"},
    same("Nom Brush", "Nom Brush"),
    {"PaperFrame", "PaperFrame", "Paper"},
    same("UI", "UI"),
    same("Color BG", "Color BG"),
    same("Mode Normal", "Mode Normal"),
    same("Mode Zoom", "Mode Zoom"),
    same("Mode Hiden", "Mode Hiden"),
    same("Look in:", "Look in:"),
    same("File name:", "File name:"),
    same("Files of type:", "Files of type:"),
    same("Image Dimension", "Image Dimension"),
    same("Width :", "Width :"),
    same("Height :", "Height :"),
    same("Image Size", "Image Size"),
    same("Canvas Size", "Canvas Size"),
    same("Pixel Dimension", "Pixel Dimension"),
    same("Constraint proportion", "Constraint proportion"),
    same("Smooth mode", "Smooth mode"),
    same("Hard mode", "Hard mode"),
    same("General", "General"),
    same("Document", "Document"),
    same("Frames per second", "Frames per second"),
    same("Total of frames", "Total of frames"),
    same("Speed of the animation", "Speed of the animation"),
    same("FPS", "FPS"),
    same("Total of Frame In the Animation", "Total of Frame In the Animation"),
    same("Speed of the Animation (preview, not final)",
         "Speed of the Animation (preview, not final)"),
    same("The width and the Height should be > 0", "The width and the Height should be > 0"),
    {"DocumentSizeLimit", "DocumentSizeLimit",
     "The document size is limited to %1 x %1 and %2 pixels"},
    same("Undo steps", "Undo steps"),
    same("Grid width and height", "Grid width and height"),
    same("Grid Color", "Grid Color"),
    same("Timeline cell width", "Timeline cell width"),
    same("Frame", "Frame"),
    same("Seconde", "Seconde"),
    same("Barre", "Barre"),
    same("Brush Editor", "Brush Editor"),
    same("Shape", "Shape"),
    same("Size", "Size"),
    same("Width %", "Width %"),
    same("Height %", "Height %"),
    same("Brush Animated", "Brush Animated"),
    same("Nom :", "Nom :"),
    same("Directory :", "Directory :"),
    same("Preview Anim", "Preview Anim"),
    same("Lecture Random", "Lecture Random"),
    same("Properties", "Properties"),
    same("Nb of images :", "Nb of images :"),
    same("Speed :", "Speed :"),
    same("Developped By :", "Developped By :"),
    same("Version :", "Version :"),
    same("-Revision :", "-Revision :"),
    same("Date :", "Date :"),
    same("Thanks To", "Thanks To"),
    {"RecoveryKept", "RecoveryKept",
     "Quillmoth did not end properly last time. A recovery copy of the document was kept."},
    same("Restore it?", "Restore it?"),
    {"NoMemoryToRecover", "NoMemoryToRecover", "Not enough memory to restore the recovery copy."},
    same("Recovered", "Recovered"),
    same("not finished", "not finished"),
    same("Cannot load image:", "Cannot load image:"),
    same("Cannot save image:", "Cannot save image:"),
    same("Image save", "Image save"),
    same("Overwrite this file?", "Overwrite this file?"),
    same("Modify", "Modify"),
    same("Name of the Layer", "Name of the Layer"),
    same("Name of the layerAnim", "Name of the layerAnim"),
    same("Convert to TileSet", "Convert to TileSet"),
    same("Export Dimension", "Export Dimension"),
    same("Export Width :", "Export Width :"),
    same("Constraint Proportion", "Constraint Proportion"),
    same("Create a New image", "Create a New image"),
    {"TileSetNewImageOnly", "TileSetNewImageOnly",
     "Sorry, not coed for the moment, choose 'new image' as option"},
    {"ImageSmallerThanTile", "ImageSmallerThanTile",
     "The image is smaller than one tile of %1 x %2."},
    {"UnableToCreateBigImage", "UnableToCreateBigImage", "unable To create the image (too big ?)"},
    same("Save Image...", "Save Image..."),
    same("Load Image...", "Load Image..."),
    same("Import Image...", "Import Image..."),
    same("Format", "Format"),
    same("Frames", "Frames"),
    same("Scale (%)", "Scale (%)"),
    same("Loop", "Loop"),
    same("Include paper", "Include paper"),
    same("GIF dithering", "GIF dithering"),
    same("None", "None"),
    same("Ordered", "Ordered"),
    same("Error diffusion", "Error diffusion"),
    same("WebP lossless", "WebP lossless"),
    same("Quality (WebP, video)", "Quality (WebP, video)"),
    same("Save the Document", "Save the Document"),
    same("Save an image", "Save an image"),
    same("Begining of the image", "Begining of the image"),
    same("End of the image", "End of the image"),
    same("Zoom :", "Zoom :"),
    same("Doc :", "Doc :"),
    same("Mouse :", "Mouse :"),
    same("Doc Width :", "Doc Width :"),
    same("/Height :", "/Height :"),
    same("Tool Type", "Tool Type"),
    same("Radial Speed Line", "Radial Speed Line"),
    same("Straigt Speed Line", "Straigt Speed Line"),
    same("Layer", "Layer"),
    same("Objet", "Objet"),
    same("Background", "Background"),
    same("Camera", "Camera"),
    same("Particule", "Particule"),
    same("Light", "Light"),
    same("Linear Light (Add)", "Linear Light (Add)"),
    same("Inverse", "Inverse"),
    {"NoFrameToExport", "NoFrameToExport", "The current animation layer has no frame to export."},
    {"RangeEndBeforeStart", "RangeEndBeforeStart",
     "The last frame of the range (%1) is before the first (%2)."},
    {"StripNeedsImportedFrames", "StripNeedsImportedFrames",
     "The strip is made from imported frames: import at least two with \"Import image(s) to "
     "document (for animation)\" first."},
    {"ImageTooLargeForDocument", "ImageTooLargeForDocument",
     "The image is %1 x %2; a document is at most %3 x %3 and %4 pixels."},
    {"ImportedFramesLimit", "ImportedFramesLimit",
     "At most %1 frames can be imported while the program runs."},
    same("Importer image(s)", "Importer image(s)"),
    {"OnlyImageFilesAllowed", "OnlyImageFilesAllowed",
     "Seuls les fichiers 'png/jpg/bmp/tga' sont autorisés !"},
    {"FilesSkipped", "FilesSkipped", "These files could not be loaded and were skipped:"},
    {"OverwriteSequence", "OverwriteSequence",
     "Overwrite this file? %1 (and the other frames of the name)"},
    same("Cannot save the sequence:", "Cannot save the sequence:"),
    {"KeepOneAnimationLayer", "KeepOneAnimationLayer",
     "The animation keeps at least one animation layer."},
    {"NoMemoryForAction", "NoMemoryForAction",
     "Not enough memory to finish this action. The document is as it was before it."},
    {"UnableToLoadPaper", "UnableToLoadPaper", "Unable to load the paper %1 (%2)"},
    same("Save a Brush Preset", "Save a Brush Preset"),
    same("Export (SpriteSheet/AnimStrip)", "Export (SpriteSheet/AnimStrip)"),
    same("Export the animation as a sequence of images",
         "Export the animation as a sequence of images"),
    {"PaintingDrawing", "PaintingDrawing", "Drawing: %1, frame %2"},
    {"FrameOccupied", "FrameOccupied", "Frame %1 shows another drawing: nothing was dropped."},
    {"DrawingNotMoved", "DrawingNotMoved", "The drawing cannot go to frame %1."},
    {"FrameUnchanged", "FrameUnchanged", "Frame %1: nothing to change there."},
    {"PaintHeldDrawing", "PaintHeldDrawing", "Painting a held drawing paints it"},
    {"PaintNewDrawing", "PaintNewDrawing", "Painting a held drawing starts a blank one"},
    {"PaintCopiedDrawing", "PaintCopiedDrawing", "Painting a held drawing starts a copy"},
    same("Pen", "Pen"),
    {"SizeVsPressure", "SizeVsPressure", "Size follows pressure"},
    {"AlphaVsPressure", "AlphaVsPressure", "Opacity follows pressure"},
    {"RotateVsTilt", "RotateVsTilt", "Tilt turns the tip"},
    {"Stabiliser", "Stabiliser", "Steady line"},
    {"SizeVsPressureTip", "SizeVsPressureTip",
     "With a pen, the size goes from the smallest size up to the brush size as you press"},
    {"AlphaVsPressureTip", "AlphaVsPressureTip",
     "With a pen, the opacity goes up to the brush opacity as you press"},
    {"RotateVsTiltTip", "RotateVsTiltTip", "The tip turns towards the side the pen leans to"},
    {"StabiliserTip", "StabiliserTip",
     "Steady line: the line follows the pen with a lag (0 off, 100 the strongest)"},
    {"PressureCurve", "PressureCurve", "Pen pressure"},
    {"PressureCurveTip", "PressureCurveTip",
     "Drag a point to change the curve; click to add a point, right-click to remove one"},
    same("Linear", "Linear"),
});

// Messages whose keys no group defines: without a text of their own their boxes would show a
// title and nothing else. They are not translated.
constexpr auto kUngroupedMessages = std::to_array<std::pair<const char*, const char*>>({
    {"unable To create the content image", "Unable to create the content image"},
    {"Unable To create the toolbar", "Unable to create the toolbar"},
});

constexpr const char* kTextsGroup = "Texts";

void readGroups(Dictionary& dictionary, KeyValueFile& f) {
    for (const DictionaryGroup& group : kGroups) {
        f.selectGroup(group.name);
        for (const DictionaryEntry& e : group.entries)
            dictionary[e.key] = f.readText(e.fileKey, e.text);
    }
    f.selectGroup("Tooltip");
    for (const DictionaryEntry& e : kExtraTooltips)
        dictionary[e.key] = f.readText(e.fileKey, e.text);
    f.selectGroup(kTextsGroup);
    for (const DictionaryEntry& e : kTexts) dictionary[e.key] = f.readText(e.fileKey, e.text);
}

}  // namespace

std::span<const DictionaryGroup> dictionaryGroups() {
    return kGroups;
}

std::span<const DictionaryEntry> extraTooltipEntries() {
    return kExtraTooltips;
}

std::span<const DictionaryEntry> textEntries() {
    return kTexts;
}

std::string fillIn(std::string text, std::initializer_list<std::string_view> values) {
    // One pass over the text, so that a value holding "%2" is never read as a mark.
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t n = i + 1 < text.size() ? size_t(text[i + 1] - '1') : values.size();
        if (text[i] == '%' && n < values.size()) {
            out += values.begin()[n];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void loadBuiltinDictionary(Dictionary& dictionary) {
    for (const MenuEntry& entry : mainMenuTable())
        if (*entry.key) dictionary[entry.key] = entry.defaultText;
    for (const DictionaryGroup& group : kGroups)
        for (const DictionaryEntry& e : group.entries) dictionary[e.key] = e.text;
    for (const DictionaryEntry& e : kExtraTooltips) dictionary[e.key] = e.text;
    for (const DictionaryEntry& e : kTexts) dictionary[e.key] = e.text;
    for (const auto& [key, text] : kUngroupedMessages) dictionary[key] = text;
}

std::optional<std::string> languageFilePath(std::string_view workDir, std::string_view lang) {
    if (!isPlainFileName(lang)) return std::nullopt;
    return joinPath(workDir, "data/txt/lang/" + std::string(lang) + ".ini");
}

void loadDictionaryFromText(Dictionary& dictionary, std::string_view fileText) {
    dictionary.clear();
    loadBuiltinDictionary(dictionary);
    KeyValueFile file = KeyValueFile::parse(fileText);
    readGroups(dictionary, file);
}

bool loadDictionary(Dictionary& dictionary, std::string_view workDir, std::string_view lang) {
    dictionary.clear();
    loadBuiltinDictionary(dictionary);
    const auto path = languageFilePath(workDir, lang);
    if (!path) return false;
    std::string error;
    auto file = KeyValueFile::load(*path, error);
    if (!file) return false;
    readGroups(dictionary, *file);
    return true;
}

std::vector<std::string> listLanguages(std::string_view workDir) {
    std::vector<std::string> names;
    for (const std::string& file :
         listFolder(joinPath(workDir, "data/txt/lang"), "*.ini", EntryKind::Files))
        names.push_back(file.substr(0, file.size() - 4));
    return names;
}

std::string builtinLanguageFileText() {
    KeyValueFile file;
    for (const DictionaryGroup& group : kGroups) {
        file.selectGroup(group.name);
        for (const DictionaryEntry& e : group.entries)
            if (!file.hasKey(e.fileKey)) file.writeText(e.fileKey, e.text);
    }
    file.selectGroup("Tooltip");
    for (const DictionaryEntry& e : kExtraTooltips)
        if (!file.hasKey(e.fileKey)) file.writeText(e.fileKey, e.text);
    file.selectGroup(kTextsGroup);
    for (const DictionaryEntry& e : kTexts)
        if (!file.hasKey(e.fileKey)) file.writeText(e.fileKey, e.text);
    return file.text();
}

const std::string& Text(Dictionary& dictionary, std::string_view key) {
    auto it = dictionary.find(std::string(key));
    if (it == dictionary.end()) it = dictionary.emplace(std::string(key), std::string()).first;
    return it->second;
}

}  // namespace qm
