// The documents: New, Open, Open as, Save and Save as, the OpenRaster export, and a file named
// on the command line. Each menu command gives the keyboard focus back to the canvas.
#pragma once

#include <optional>
#include <string>

#include "document/document.h"
#include "document/qmd_format.h"
#include "document/view_state.h"
#include "raster/image.h"

namespace qm {

struct App;

// The document that replaces the open one (New, Open, Open as, a restored recovery copy), made
// whole before the open one is touched.
struct DocumentReplacement {
    Document doc;
    TiledImage work2, work3, work4;  // work images 2 to 4, at the document's size
    ViewState view;             // how it is shown from the start
    std::string path;           // the .qmd Save writes to; "" for a document without one
    enum class Title { Untitled, File, Recovered };
    Title title = Title::Untitled;
    std::string titleFile;  // the file a File title names (an OpenRaster file has no .qmd)
    bool modified = false;  // a restored copy is saved nowhere: it starts modified
};

// Makes `next` the open document. Whatever the old one had under way ends with it (an open
// edit is committed to the history that goes with it, a stroke, a move drag or a shape drag
// stops, a layer preview goes); then the document, its view state and work images are swapped
// in, the paper is fitted, the history starts anew, the file, modified mark and title are set,
// the panels show the document and the view is zoomed, centred and redrawn. The document is
// replaced whatever happens; false when the paper images could not be made at its size (out
// of memory: the paper shows as it was).
bool replaceDocument(App& app, DocumentReplacement&& next);

// Reads the document at `indexPath` and makes it the open document. False, with the reason shown
// and the open document as it was, when it cannot be read. Layer files that could not be read
// are listed in one message after opening.
bool openDocumentFile(App& app, const std::string& indexPath);
// Saves the document at `indexPath` (a ".qmd" path, see documentIndexPath). False, with the
// reason shown, when it could not be written; the file on disk is then as it was.
bool saveDocumentFile(App& app, const std::string& indexPath);

// The replacement for a document read from a file: its layers, its animation (or an empty
// animation frame), new work images at its size and, of the open document, the settings a file
// does not hold (Fps, FrameTotal and paper without an animation part; the zoom; the frame
// settings without an animation part). nullopt when the images cannot be made. The caller says
// its file and title.
std::optional<DocumentReplacement> documentFromFile(App& app, DocumentFileContents&& contents);
// One message listing the layer files of `indexPath` that could not be read (none: no message).
void reportUnreadableLayers(App& app, const std::string& indexPath,
                            const DocumentFileContents& contents);

// Before the open document is replaced (New, Open, Open as): true when it may go. A document
// with unsaved changes asks first: Save (as the Save command: to its file, or through the
// requester for a new one), Discard, or Cancel. False on Cancel, and when the save was cancelled
// or failed.
bool mayReplaceDocument(App& app);
// True for a path ending in ".ora" (any letter case): an OpenRaster file, opened with its layers.
bool isOpenRasterPath(const std::string& path);

// The main window's title for a document saved or opened as `indexPath`.
std::string documentTitle(const App& app, const std::string& indexPath);

// Replaces the open document by a new one of `width` x `height` (newDocument on the open
// document's settings: the layer and group counters, the paper and the onion skins go on; zoom
// 100, frame 1, the range 1-120), untitled and without a file. A failure is fatal: the error
// box is shown, the run ends (QuitRequested, fatalEnd) and false is returned.
bool makeNewDocument(App& app, int width, int height);

// The menu commands.
void openDocument(App& app);
void saveDocument(App& app);
// Save Document As: always through the requester, which proposes the document's file.
void saveDocumentAs(App& app);
void openImageAsDocument(App& app);
// Opens the image file at `path` as a new document (Open as without its requester); false, with
// the message shown, when it cannot.
bool openImageFileAsDocument(App& app, const std::string& path);
// A file named on the command line: a document (.qmd, .ora) opens as Open opens it, any other
// file as Open as opens an image. A file that cannot be opened gives the usual message.
void openFileFromCommandLine(App& app, const std::string& path);
// Writes the document as an OpenRaster file (layers, modes, the merged picture) for other
// painting programs; the document keeps its own file and modified state.
void saveOpenRaster(App& app);

// A new document of one layer holding `image`, at zoom 100 from frame 1, with the open
// document's paper and onion skins, untitled and without a file. nullopt when the document
// cannot be made.
std::optional<DocumentReplacement> documentFromImage(App& app, Image image);
std::optional<DocumentReplacement> documentFromImage(App& app, TiledImage image);

}  // namespace qm
