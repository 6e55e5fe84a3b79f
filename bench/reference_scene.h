// The reference scene of the painting benchmarks: a new side x side document holding ten layers in
// five blend modes, each striped with random colours at three-quarter alpha, shown at 100 % from
// the document's corner.
#pragma once

#include <cstdint>
#include <string>

#include "platform/random.h"
#include "shell/app.h"
#include "shell/commands/layer_commands.h"
#include "shell/commands/tool_commands.h"
#include "shell/commands/zoom_commands.h"
#include "shell/edits.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/view/canvas_frame.h"

namespace qm {

// A new side x side document through the New dialog, as a user makes one.
inline void newSquareDocument(App& app, int side) {
    onMenuCommand(app, id(Cmd::New));
    app.ui.setGadgetText(id(Gadget::NewDocWidth), std::to_string(side));
    app.ui.setGadgetText(id(Gadget::NewDocHeight), std::to_string(side));
    ControlEvent ok;
    ok.gadget = id(Gadget::NewDocOk);
    ok.type = ControlEventType::Click;
    onControlEvent(app, ok);
}

inline void buildReferenceScene(App& app, int side) {
    newSquareDocument(app, side);
    setZoomAndApply(app, 100);
    while (app.doc.layers.size() < 10) addLayerCommand(app);
    constexpr uint8_t kModes[] = {0, 1, 3, 4, 11};  // Normal Multiply Screen Overlay Darken
    Random random(5);
    for (size_t i = 0; i < app.doc.layers.size(); ++i) {
        Layer& layer = app.doc.layers[i];
        layer.Blendmode = kModes[i % 5];
        layer.Visible = 1;
        for (int y = 0; y < layer.image.height; ++y)
            for (int x = 0; x < layer.image.width; ++x)
                if (((x + 32 * y + 16 * int(i)) / 64) % 2)
                    layer.image.at(x, y) = (random.next() & 0x00FFFFFFu) | 0xC0000000u;
        rebuildDisplayImage(app, layer);
    }
    app.ViewOffsetX = app.ViewOffsetY = 0;
}

// The rows the reference strokes walk down, 9 pixels apart, from 100 to 800 and round again.
inline int nextSceneRow(int& y) {
    y = y >= 800 ? 100 : y + 9;
    return y;
}

// The reference stroke as one step: press (the edit opens), a 200-pixel segment at row y,
// release (it commits).
inline void referenceStroke(App& app, int y) {
    beginEdit(app, "Stroke");
    app.LastX = int16_t(app.ViewOffsetX + 700);
    app.LastY = int16_t(app.ViewOffsetY + y);
    applyToolAtPoint(app, 900, y, ToolEvent::Move);
    commitEdit(app);
}

}  // namespace qm
