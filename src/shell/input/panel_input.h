// The panels' pointer input: presses and drags on the colour picker, the navigator, the swatch,
// the roughboard, the timeline and the animation-layer list.
#pragma once

namespace qm {

struct App;
struct ControlEvent;

// A press on the colour picker's value strip (119) or colour square (120), or a move over it
// with the left button held: picks the foreground or background colour.
void colorPickerInput(App& app, const ControlEvent& event);
// A press or a drag in the navigator (116): the view centres on that point of the document.
void navigatorInput(App& app, const ControlEvent& event);
// A press on the swatch, or a move over it with the button held: the left button gives the
// colour under the pointer to the active colour (foreground or background, as the colour
// picker does), the right button to the background colour.
void swatchInput(App& app, const ControlEvent& event);
// Left press, and moves with the left button held: a dot at the pointer, joined to the last
// one of the drag so a quick stroke stays a line. Right press, and moves with the right button
// held: the colour under the pointer becomes the foreground colour.
void roughboardInput(App& app, const ControlEvent& event);
// A press sets one marker; a move with buttons held moves the marker of each held button, so
// a drag with two buttons moves two markers. The left button moves the current frame (the
// start of the range with Ctrl alone), the right the end, the middle the start.
void timelineEvent(App& app, const ControlEvent& event);
// The animation-layer list: a press, a double click or a drag with the left button.
void animationLayerListEvent(App& app, const ControlEvent& event);

}  // namespace qm
