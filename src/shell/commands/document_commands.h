// The documents: New, Open, Open as, Save and Save as, the OpenRaster export, and a file named
// on the command line. Each menu command gives the keyboard focus back to the canvas.
#pragma once

#include <string>

#include "document/qmd_format.h"
#include "raster/image.h"

namespace qm {

struct App;

// Reads the document at `indexPath` and makes it the open document. False, with the reason shown
// and the open document as it was, when it cannot be read. Layer files that could not be read
// are listed in one message after opening.
bool openDocumentFile(App& app, const std::string& indexPath);
// Saves the document at `indexPath` (a ".qmd" path, see documentIndexPath). False, with the
// reason shown, when it could not be written; the file on disk is then as it was.
bool saveDocumentFile(App& app, const std::string& indexPath);

// Replaces the open document by one read from a file: new work images at its size, the paper
// fitted, an empty animation frame, the view made afresh and centred, a new history (Opening
// cannot be undone) and the document not modified. False, with the document as it was, when
// the images cannot be made.
bool installDocument(App& app, DocumentFileContents&& contents);
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

// Builds a new document of the current Document size: the document reset (work images 2, 4,
// 3), one animation layer with one frame and one layer, the paper images at that size, the
// layer panel and the panel controls. A failure is fatal: the error box is shown, the run ends
// (QuitRequested, fatalEnd) and false is returned.
bool makeNewDocument(App& app);

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

// The document rebuilt as one layer holding `image`. False (the document as it was) when the
// document cannot be made.
bool documentFromImage(App& app, Image image);
// A document made from an image is shown: display images, a new history, no file of its own,
// the panels, the untitled title and the view centred.
void showNewDocument(App& app);

}  // namespace qm
