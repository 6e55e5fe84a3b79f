#include "shell/windows/dialog_fields.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "document/document_ops.h"
#include "platform/key_value_file.h"
#include "shell/app.h"
#include "shell/gadget_table.h"
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

std::string tipText(Dictionary& dictionary, std::string_view tip) {
    if (tip.empty()) return {};
    if (tip.front() == '=') return std::string(tip.substr(1));
    return Text(dictionary, tip);
}

ControlDescription describedControl(Dictionary& dictionary, Gadget gadget) {
    ControlDescription c{.id = id(gadget)};
    if (const GadgetRow* row = gadgetRow(gadget)) {
        c.kind = row->kind;
        c.min = row->min;
        c.max = row->max;
        for (const char* item : row->items) c.items.push_back(Text(dictionary, item));
        c.tooltip = tipText(dictionary, row->tip);
    }
    return c;
}

std::string sizeLimitMessage(App& app) {
    return fillIn(Text(app.dictionary, "DocumentSizeLimit"),
                  {std::to_string(kMaxDocumentSide), std::to_string(kMaxDocumentPixels)});
}

void errorBox(App& app, const std::string& text) {
    app.ui.messageBox(Text(app.dictionary, "error"), text);
}

}  // namespace qm
