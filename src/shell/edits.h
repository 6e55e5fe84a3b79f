// The program's side of the edit path (document/history.h): opening and committing edits, and
// what follows every change of the document — the view's display pixels made again from the
// layers for what changed, the canvas recomposed there, the layer panel when the stack changed,
// the document marked modified, and the Undo and Redo items enabled as history allows.
//
// A new operation joins it like this:
//     ScopedEdit edit(app, "Fill");                   // or beginEdit/commitEdit across events
//     app.history.touchPixels(app.doc, layer.id, r);   // before writing r of the layer
//     ... write ...
// and the redraw, the modified flag, the menu and undo come with the commit. A declaration made
// with no edit open stops the program (History::requireOpenEdit).
#pragma once

#include <functional>
#include <string>

namespace qm {

struct App;

// Opens an edit (edits opened inside an open one join it).
void beginEdit(App& app, const std::string& label, const std::string& mergeKey = {});
// Shows what changed so far, then closes one level; the outermost commit makes the history step.
void commitEdit(App& app);
// Shows what the edits declared since the last call (a stroke calls it after every segment).
void showEditChanges(App& app);
// The stroke's edit, from the press to the release, which commits it. The press opens it; a
// tool writing during a drag opens it when none is open (the press went to another tool, or an
// undo in the middle of the drag committed it, and the rest of the drag is a step of its own).
void openStrokeEdit(App& app);

// An edit for the span of one handler.
class ScopedEdit {
public:
    ScopedEdit(App& app, const std::string& label, const std::string& mergeKey = {});
    ~ScopedEdit();
    ScopedEdit(const ScopedEdit&) = delete;
    ScopedEdit& operator=(const ScopedEdit&) = delete;

private:
    App& app_;
    int exceptions_;  // uncaught exceptions when it opened: more at the end means it failed
};

// Handles one event. Running out of memory in it puts back what the event's open edits had
// changed, tells the user, and leaves the program running with the document as it was.
void runGuarded(App& app, const std::function<void()>& handle);

// Undo and Redo (menu items and keys): an open edit (a stroke under way) is committed first.
void undoCommand(App& app);
void redoCommand(App& app);
// New and Open: an empty history; the document is not modified.
void startHistory(App& app);
// Undo and Redo enabled only when there is a step for them.
void refreshUndoMenu(App& app);
// The history limits from the preferences (Undo steps; the byte budget).
void applyHistoryLimits(App& app);

}  // namespace qm
