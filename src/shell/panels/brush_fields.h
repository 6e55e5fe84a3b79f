// The brush fields: the rows of the tool-options panel and of the brush editor's "Brush" tab.
// Each control stores its state into one BrushSettings field (at the field's width) and shows
// that field when the panel is refreshed; the rows say what follows a store. The brush preview
// shows the tip the fields make.
#pragma once

#include "brush/brush_settings.h"
#include "shell/ids.h"

namespace qm {

struct App;

// What follows a store of a panel row, in this order.
enum BrushRowAfter : unsigned {
    kNothing = 0,
    kRecomputeColour = 1,
    kRebuildTip = 4,
    kPreview = 8,
};

struct BrushRow {
    Gadget gadget;   // its range is the gadget table's
    Gadget partner;  // the spin or track bar showing the same field; == gadget when none
    void (*store)(BrushSettings&, int state);
    int (*show)(const BrushSettings&);
    unsigned after;
};

// The panel's row of `gadget`, or null when the gadget is no brush row.
const BrushRow* brushRow(int gadget);
// Sets every brush-row control to its field's value.
void showBrushSettings(App& app);

// What follows a store of an editor row.
enum class EditorAfter { Nothing, RebuildTip };

struct EditorRow {
    Gadget gadget;  // its range is the gadget table's, as the panel's control of the field
    void (*store)(BrushSettings&, int state);
    int (*show)(const BrushSettings&);
    EditorAfter after;
};

// The brush editor's row of `gadget`, or null when the gadget is no editor row.
const EditorRow* editorRow(int gadget);
// The editor's tip preview of the tip the fields make.
constexpr int kEditorPreviewSide = 100;
void showEditorPreview(App& app);
// The brush editor's controls and tip preview show the current BrushSettings (when it is
// open), so that it stays in step with the tool-options panel.
void refreshBrushEditor(App& app);
// Redraws the brush preview (image 18) and shows it in the preview gadget.
void refreshBrushPreview(App& app);

}  // namespace qm
