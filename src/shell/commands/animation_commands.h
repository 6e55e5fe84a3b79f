// The animation commands: frames and animation layers added and deleted, the animation-layer
// list's input, frames imported from image files, and the animation exported as a strip or a
// sequence of images. Each menu command gives the keyboard focus back to the canvas.
#pragma once

namespace qm {

struct App;

// "New frame": a frame at CurrentFrame of the current animation layer with its layer, one undo
// step; nothing when the layer has a frame there already.
void addFrameCommand(App& app);
// An animation layer of the kind of menu command `commandId` (AnimLayer .. AnimLight).
void addAnimationLayerOfKind(App& app, int commandId);
// The delete buttons: the last animation frame at CurrentFrame of the current animation layer;
// the current animation layer with its frames (the last one is kept). Each is one undo step.
void deleteFrameCommand(App& app);
void deleteAnimationLayerCommand(App& app);
// The animation-layer list's input: op 0 left press, 1 double click, 2 move with the button.
void animationLayerListInput(App& app, int x, int y, int op);

void importImageOnAnimation(App& app);
// "Open an Animation (series of Images)": a new document of the first image's size whose
// animation holds the chosen images as frames 1, 2, ... (the frame import into a new document).
void openAnimation(App& app);
void exportAnimStrip(App& app);
// "Export the animation as a sequence of images": frames FrameStart..FrameEnd of the current
// animation layer as name_0001.png, name_0002.png, ...
void exportSequenceImage(App& app);

}  // namespace qm
