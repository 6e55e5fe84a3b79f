#include "shell/adjust_commands.h"

#include "shell/app.h"

namespace qm {

// The adjustments arrive with the filters.
void pasteClipboard(App&) {}
void inverseColors(App&) {}
void colorToGrey(App&) {}
void previewBrightness(App&, int) {}
void applyBrightness(App&, int) {}

}  // namespace qm
