// Open and Save of documents (the menu commands openDocument and saveDocument are declared with
// the other file commands in shell/file_commands.h).
#pragma once

#include <string>

#include "document/qmd_format.h"

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

}  // namespace qm
