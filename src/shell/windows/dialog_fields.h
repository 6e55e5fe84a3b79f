// What the dialogs' descriptions and handlers share: captions and numeric fields, their values
// read back, the gadget table's controls, and the error boxes.
#pragma once

#include <string>
#include <string_view>

#include "platform/ui.h"
#include "shell/ids.h"
#include "shell/settings/dictionary.h"

namespace qm {

struct App;

// Fixed captions beside the numeric fields, which would otherwise stand unexplained.
ControlDescription caption(std::string text, int x, int y, int width = 55);
// A numeric text field showing `value`.
ControlDescription numberField(Gadget gadget, int value, int x, int y);
// A numeric text field as an integer: 0 when it holds no number, clamped to int.
int fieldInteger(App& app, Gadget gadget);
// A tool tip of the gadget table (a dictionary key, "=literal" or "") as the text shown.
std::string tipText(Dictionary& dictionary, std::string_view tip);
// A control of the gadget table: its id, kind, range, items (their texts) and tool tip; the
// caller gives its place and start state.
ControlDescription describedControl(Dictionary& dictionary, Gadget gadget);
// The message of a document size beyond the limits.
std::string sizeLimitMessage(App& app);
// An error box with `text`.
void errorBox(App& app, const std::string& text);

}  // namespace qm
