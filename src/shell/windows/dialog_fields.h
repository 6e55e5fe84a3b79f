// What the dialogs' descriptions and handlers share: captions and numeric fields, their values
// read back, states kept within their ranges, and the error boxes.
#pragma once

#include <string>

#include "platform/ui.h"
#include "shell/ids.h"

namespace qm {

struct App;

// Fixed captions beside the numeric fields, which would otherwise stand unexplained.
ControlDescription caption(std::string text, int x, int y, int width = 55);
// A numeric text field showing `value`.
ControlDescription numberField(Gadget gadget, int value, int x, int y);
// A numeric text field as an integer: 0 when it holds no number, clamped to int.
int fieldInteger(App& app, Gadget gadget);
// The state of a control kept within its range: a script may send any state, and the control
// then shows the value taken.
int keptState(App& app, Gadget gadget, int min, int max);
// The message of a document size beyond the limits.
std::string sizeLimitMessage(App& app);
// An error box with `text`.
void errorBox(App& app, const std::string& text);

}  // namespace qm
