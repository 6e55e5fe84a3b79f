// Making the default document, at start-up and from the new-document dialog.
#pragma once

namespace qm {

struct App;

// Builds a new document of the current Document size: the document reset (work images 2, 4,
// 3), one animation layer with one frame and one layer, the paper images at that size, the
// layer panel and the panel controls. A failure is fatal: the error box is shown, the run ends
// (QuitRequested, fatalEnd) and false is returned.
bool makeNewDocument(App& app);

}  // namespace qm
