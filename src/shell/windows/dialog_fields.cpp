#include "shell/windows/dialog_fields.h"

#include <algorithm>
#include <string>

#include "document/document_ops.h"
#include "platform/key_value_file.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/settings/dictionary.h"

namespace qm {

namespace {

using K = ControlKind;

}  // namespace

ControlDescription caption(std::string text, int x, int y, int width) {
    return {
        .kind = K::Label, .caption = std::move(text), .x = x, .y = y, .width = width, .height = 20};
}

ControlDescription numberField(Gadget gadget, int value, int x, int y) {
    return {.id = id(gadget),
            .kind = K::TextField,
            .caption = std::to_string(value),
            .x = x,
            .y = y,
            .width = 60,
            .height = 20,
            .numeric = true};
}

int fieldInteger(App& app, Gadget gadget) {
    const auto value = parseLenientInteger(app.ui.gadgetText(id(gadget)));
    return value ? int(std::clamp<int64_t>(*value, INT32_MIN, INT32_MAX)) : 0;
}

int keptState(App& app, Gadget gadget, int min, int max) {
    const int state = app.ui.gadgetState(id(gadget));
    const int kept = std::clamp(state, min, max);
    if (kept != state) app.ui.setGadgetState(id(gadget), kept);
    return kept;
}

std::string sizeLimitMessage(App& app) {
    return fillIn(Text(app.dictionary, "DocumentSizeLimit"),
                  {std::to_string(kMaxDocumentSide), std::to_string(kMaxDocumentPixels)});
}

void errorBox(App& app, const std::string& text) {
    app.ui.messageBox(Text(app.dictionary, "error"), text);
}

}  // namespace qm
