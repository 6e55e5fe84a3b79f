// The paper commands: the paper file chosen, and the canvas background colour.
#pragma once

namespace qm {

struct App;

// Choosing the paper: variant 0 asks for a file (PNG or JPEG), +1 takes the next preset paper,
// -1 the previous one. The paper is rebuilt and the view redrawn; a file that does not load
// leaves a black paper and is reported in a message box.
void choosePaperVariant(App& app, int variant);

// The colour requester on the canvas background colour (ColorBG); the view is redrawn. A
// cancelled requester keeps the colour.
void chooseCanvasBackground(App& app);

}  // namespace qm
